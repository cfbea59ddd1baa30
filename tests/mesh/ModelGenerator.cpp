// Builds random OBJ text line by line from a small menu of constructs, each chosen with a
// weight, so that every model exercises many rules at once.
#include "ModelGenerator.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

class Generator {
  public:
    explicit Generator(uint32_t seed) : rng_(seed) {}

    std::string Build()
    {
        crlf_ = Chance(0.2);
        mayFail_ = Chance(0.2);
        int lines = Range(5, 160);
        if (Chance(0.05)) lines = Range(300, 700);  // now and then a bigger model
        for (int i = 0; i < lines; ++i) EmitOne();
        // Most models end with faces over what was read, so that merging and indexing have work.
        int faces = Range(0, 30);
        for (int i = 0; i < faces; ++i) EmitFace();
        if (Chance(0.3) && !text_.empty() && text_.back() == '\n') text_.pop_back();  // no line end on the last line
        return text_;
    }

  private:
    std::mt19937 rng_;
    std::string text_;
    bool crlf_ = false;
    bool mayFail_ = false;  // whether this model may hold a face line that stops the load
    int positions_ = 0, texcoords_ = 0, normals_ = 0;
    std::vector<float> px_, py_, pz_;
    std::vector<int> recentFace_;

    uint32_t Next() { return rng_(); }
    int Range(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint32_t>(hi - lo + 1)); }
    bool Chance(double p) { return (Next() >> 8) < p * 16777216.0; }
    float Unit() { return static_cast<float>(Next() >> 8) / 16777216.0f; }

    void Line(const std::string& s)
    {
        text_ += s;
        text_ += (crlf_ || Chance(0.03)) ? "\r\n" : "\n";
    }

    static std::string Format(const char* fmt, double v)
    {
        char buf[64];
        snprintf(buf, sizeof buf, fmt, v);
        return buf;
    }

    // A float spelled in one of many ways that %f accepts (or nearly accepts).
    std::string Number(float v)
    {
        switch (Range(0, 19)) {
        case 0: return Format("%a", v);
        case 1: return Format("%.3e", v);
        case 2: return Format("%.9g", v) + "e";  // "1e" style: the e is taken, no exponent
        case 3: return Format("%+.6f", v);
        case 4: return Format("%.12f", v);  // long mantissa
        case 5: return Format("%.2f", v) + "E+1";
        case 6: return Format("%.9g", v) + "x";  // trailing junk ends the number
        default: return Format("%.9g", v);       // exact round trip
        }
    }

    float Special()
    {
        switch (Range(0, 3)) {
        case 0: return NAN;
        case 1: return -NAN;
        case 2: return INFINITY;
        default: return -INFINITY;
        }
    }

    std::string SpecialSpelling(float v)
    {
        if (std::isnan(v)) return Chance(0.5) ? (std::signbit(v) ? "-nan" : "nan") : (std::signbit(v) ? "-NaN" : "NAN");
        const char* word = Chance(0.5) ? "inf" : (Chance(0.5) ? "Infinity" : "infinite");
        return std::string(v < 0 ? "-" : "") + word;
    }

    void EmitPosition()
    {
        float x, y, z;
        int kind = Range(0, 9);
        if (positions_ == 0 || kind <= 3) {
            // On a coarse grid, so that exact duplicates and shared edges are common.
            x = Range(-4, 4) * 0.25f;
            y = Range(-4, 4) * 0.25f;
            z = Range(-2, 2) * 0.5f;
            if (Chance(0.3)) {
                x += Unit();
                y += Unit();
            }
        } else {
            int base = Range(0, positions_ - 1);
            if (kind == 9 || Chance(0.3)) base = positions_ - 1;  // chains
            x = px_[base];
            y = py_[base];
            z = pz_[base];
            static const float Offsets[] = {0.0f,  5e-6f,      9.9e-6f, 1e-5f,       1.01e-5f, 5e-5f,
                                            6e-5f, 9.9999e-5f, 1e-4f,   1.00001e-4f, 1.5e-4f,  2.5e-4f};
            float d = Offsets[Range(0, 11)];
            switch (Range(0, 3)) {
            case 0: x += d; break;
            case 1: y -= d; break;
            case 2: z += d; break;
            default:
                x += d * 0.57735f;
                y += d * 0.57735f;
                z -= d * 0.57735f;
                break;
            }
        }
        if (Chance(0.04)) (Chance(0.5) ? x : (Chance(0.5) ? y : z)) = Special();
        std::string line = Chance(0.05) ? "v" : "v ";
        std::string sx = std::isfinite(x) ? Number(x) : SpecialSpelling(x);
        std::string sy = std::isfinite(y) ? Number(y) : SpecialSpelling(y);
        std::string sz = std::isfinite(z) ? Number(z) : SpecialSpelling(z);
        int parts = Chance(0.08) ? Range(1, 2) : 3;  // missing components keep old slot values
        line += sx;
        if (parts >= 2) line += " " + sy;
        if (parts >= 3) line += "\t" + sz;
        if (Chance(0.05)) line += " 1.0 0.5 0.5";  // colours are ignored
        Line(line);
        ++positions_;
        px_.push_back(x);
        py_.push_back(y);
        pz_.push_back(z);
    }

    std::string Reference(int count)
    {
        int k = Range(0, 19);
        if (k == 0) return "0";
        if (k == 1) return std::to_string(-Range(1, count + 2));
        if (k == 2) return std::to_string(count + Range(1, 5));  // forward or out of range
        if (k == 3) return "010";
        if (k == 4) return "08";
        if (k == 5) return "0x1f";
        if (k == 6) return "+" + std::to_string(Range(1, count + 1));
        if (k == 7) return Chance(0.5) ? "99999999999" : "-2147483649";
        return std::to_string(Range(1, count > 0 ? count : 1));
    }

    std::string Corner(int position)
    {
        std::string p = position > 0 ? std::to_string(position) : Reference(positions_);
        switch (Range(0, 5)) {
        case 0: return p;
        case 1: return p + "/" + Reference(texcoords_);
        case 2: return p + "/" + Reference(texcoords_) + "/" + Reference(normals_);
        case 3: return p + "//" + Reference(normals_);
        case 4: return p + (Chance(0.5) ? "/" : "//") + (Chance(0.5) ? "x" : "");
        default: return p + "/" + Reference(texcoords_) + "/";
        }
    }

    void EmitFace()
    {
        int corners = (mayFail_ && Chance(0.05)) ? Range(0, 2) : Range(3, 6);
        std::vector<int> refs;
        int mode = Range(0, 9);
        if (mode == 0 && recentFace_.size() >= 3) {
            // The last face again with opposite winding, or a third triangle on its first edge.
            refs = {recentFace_[0], recentFace_[2], recentFace_[1]};
            if (Chance(0.5)) refs[1] = Range(1, positions_ > 0 ? positions_ : 1), std::swap(refs[0], refs[2]);
            corners = 3;
        } else {
            for (int i = 0; i < corners; ++i) refs.push_back(Chance(0.85) && positions_ > 0 ? Range(1, positions_) : 0);
        }
        std::string line = Chance(0.05) ? "f" : "f ";
        for (int i = 0; i < corners; ++i) {
            if (i > 0) line += Chance(0.1) ? " \t " : " ";
            line += Corner(refs[i]);
        }
        if (Chance(0.02)) line += " " + std::string(300, '7');  // a fifth corner, over-long
        Line(line);
        if (corners >= 3) recentFace_ = refs;
    }

    std::string Name()
    {
        static const char* SampleNames[] = {"body", "head", "skin", "red", "a.mtl", "b.mtl", "m", "x_y"};
        if (Chance(0.05)) return std::string(Range(79, 90), 'n');  // at and over the 79-character room
        return SampleNames[Range(0, 7)];
    }

    void EmitOne()
    {
        int k = Range(0, 99);
        if (k < 35) {
            EmitPosition();
        } else if (k < 43) {
            std::string line = "vt " + Number(Unit());
            if (!Chance(0.1)) line += " " + Number(Unit());
            if (Chance(0.1)) line += " 0";
            Line(line);
            ++texcoords_;
        } else if (k < 50) {
            std::string line = "vn " + Number(Unit() - 0.5f) + " " + Number(Unit());
            if (!Chance(0.1)) line += " " + Number(-Unit());
            Line(line);
            ++normals_;
        } else if (k < 72) {
            EmitFace();
        } else if (k < 78) {
            Line(Chance(0.15) ? "g" : (Chance(0.2) ? "g" + Name() : "g " + Name() + (Chance(0.2) ? " extra" : "")));
        } else if (k < 83) {
            Line(Chance(0.15) ? "usemtl" : (Chance(0.2) ? "usemtl" + Name() : "usemtl " + Name()));
        } else if (k < 85) {
            Line(Chance(0.2) ? "mtllib" : "mtllib " + Name() + (Chance(0.3) ? " other.mtl" : ""));
        } else if (k < 87) {
            // Over 1023 characters: the reader takes it in pieces, and a piece may look like a statement.
            std::string junk = "# " + std::string(static_cast<size_t>(Range(1015, 1030)), ' ');
            Line(junk + (Chance(0.5) ? "v 0.5 0.5 0.5" : "f 1 2 3"));
        } else if (k < 88) {
            Line("f " + std::string(static_cast<size_t>(Range(250, 300)), '0') + "1 2 3");
        } else {
            static const char* Junk[] = {"# comment", "o object", "s 1",          " v 1 2 3", "vp 0.5 0.5", "l 1 2",
                                         "",          "v",        "vt",           "vn x",     "\tf 1 2 3",  "usemtl",
                                         "v nan",     "vinf 1 2", "v 1e5000 2 3", "foo"};
            Line(Junk[Range(0, mayFail_ ? 15 : 14)]);
        }
    }
};

}  // namespace

std::string GenerateAwkwardModel(uint32_t seed)
{
    return Generator(seed).Build();
}
