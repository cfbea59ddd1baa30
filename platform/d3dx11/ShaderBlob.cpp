// Writing and reading the shader blob layout described in ShaderBlob.h.
#include "ShaderBlob.h"

#include <cctype>
#include <cstring>

namespace platform {
namespace {

void PutWord(std::vector<uint8_t>* out, uint32_t w)
{
    const uint8_t b[4] = {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24)};
    out->insert(out->end(), b, b + 4);
}

void PutString(std::vector<uint8_t>* out, const std::string& s)
{
    PutWord(out, uint32_t(s.size()));
    out->insert(out->end(), s.begin(), s.end());
    while (out->size() % 4 != 0) out->push_back(0);
}

class Reader {
  public:
    Reader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    bool Word(uint32_t* w)
    {
        if (n_ - pos_ < 4) return false;
        const uint8_t* b = p_ + pos_;
        *w = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        pos_ += 4;
        return true;
    }
    bool String(std::string* s)
    {
        uint32_t len = 0;
        if (!Word(&len) || len > MaxBlobStringLength) return false;
        const size_t padded = (size_t(len) + 3) & ~size_t(3);
        if (n_ - pos_ < padded) return false;
        s->assign(reinterpret_cast<const char*>(p_ + pos_), len);
        pos_ += padded;
        return true;
    }
    size_t Remaining() const { return n_ - pos_; }

  private:
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
};

}  // namespace

std::vector<uint8_t> WriteShaderBlob(const ShaderBlobContents& c)
{
    std::vector<uint8_t> out;
    out.reserve(64 + c.spirv.size() * 4);
    PutWord(&out, ShaderBlobMagic);
    PutWord(&out, ShaderBlobVersion);
    PutWord(&out, uint32_t(c.stage));
    PutString(&out, c.entryPoint);
    PutWord(&out, uint32_t(c.inputs.size()));
    for (const ShaderInput& in : c.inputs) {
        PutString(&out, in.semantic);
        PutWord(&out, in.index);
        PutWord(&out, in.componentCount);
    }
    PutWord(&out, uint32_t(c.spirv.size()));
    for (uint32_t w : c.spirv) PutWord(&out, w);
    return out;
}

bool ParseShaderBlob(const void* bytes, size_t size, ShaderBlobContents* out)
{
    if (!bytes || size % 4 != 0) return false;
    Reader r(static_cast<const uint8_t*>(bytes), size);
    uint32_t magic = 0, version = 0, stage = 0, count = 0;
    if (!r.Word(&magic) || magic != ShaderBlobMagic) return false;
    if (!r.Word(&version) || version != ShaderBlobVersion) return false;
    if (!r.Word(&stage) || stage > uint32_t(ShaderStage::Pixel)) return false;
    ShaderBlobContents c;
    c.stage = ShaderStage(stage);
    if (!r.String(&c.entryPoint)) return false;
    if (!r.Word(&count) || count > MaxBlobInputs) return false;
    c.inputs.resize(count);
    for (ShaderInput& in : c.inputs) {
        if (!r.String(&in.semantic) || in.semantic.empty() || !r.Word(&in.index) || !r.Word(&in.componentCount))
            return false;
        if (in.componentCount < 1 || in.componentCount > 4) return false;
    }
    uint32_t words = 0;
    if (!r.Word(&words) || words == 0 || size_t(words) * 4 != r.Remaining()) return false;
    c.spirv.resize(words);
    for (uint32_t& w : c.spirv) r.Word(&w);
    *out = std::move(c);
    return true;
}

void SplitSemantic(const std::string& semantic, std::string* name, uint32_t* index)
{
    size_t digits = semantic.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(semantic[digits - 1]))) --digits;
    // At most 9 digits keep the index inside 32 bits; longer runs stay part of the name.
    if (digits == 0 || semantic.size() - digits > 9) digits = semantic.size();
    name->clear();
    for (size_t i = 0; i < digits; ++i) name->push_back(char(std::toupper(static_cast<unsigned char>(semantic[i]))));
    *index = digits < semantic.size() ? uint32_t(std::stoul(semantic.substr(digits))) : 0;
}

}  // namespace platform
