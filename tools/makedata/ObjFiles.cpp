// ObjFiles.cpp: writes the shells as an OBJ model (one group and material per shell, shared
// positions written once, one smooth normal per position) and its material library.
#include "MakeData.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace makedata {
namespace {
using File = std::unique_ptr<FILE, int (*)(FILE*)>;

// Six decimals keep positions apart far beyond the reader's merge distance; a value that would
// print as -0.000000 is written as 0.000000 so that equal positions read back as equal text.
double Tidy(double value)
{
    return std::fabs(value) < 5e-7 ? 0.0 : value;
}
}  // namespace

bool WriteObj(const std::string& path, const std::vector<Shell>& shells, const std::string& mtllibName)
{
    File f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f) return false;
    std::fprintf(f.get(), "# kuma.obj: a bear made of closed shells, written by tools/makedata.\n");
    std::fprintf(f.get(), "mtllib %s\n", mtllibName.c_str());
    int positionBase = 1, texcoordBase = 1;
    for (const Shell& s : shells) {
        std::fprintf(f.get(), "g %s\nusemtl %s\n", s.group.c_str(), s.material.c_str());
        for (const Vec3& p : s.positions) std::fprintf(f.get(), "v %.6f %.6f %.6f\n", Tidy(p.x), Tidy(p.y), Tidy(p.z));
        for (const Vec2& t : s.texcoords) std::fprintf(f.get(), "vt %.6f %.6f\n", Tidy(t.u), Tidy(t.v));
        for (const Vec3& n : ShellNormals(s))
            std::fprintf(f.get(), "vn %.6f %.6f %.6f\n", Tidy(n.x), Tidy(n.y), Tidy(n.z));
        for (const auto& t : s.triangles) {
            std::fprintf(f.get(), "f");
            for (const Corner& c : t) {
                const int p = positionBase + c.position;
                std::fprintf(f.get(), " %d/%d/%d", p, texcoordBase + c.texcoord, p);
            }
            std::fprintf(f.get(), "\n");
        }
        positionBase += static_cast<int>(s.positions.size());
        texcoordBase += static_cast<int>(s.texcoords.size());
    }
    return std::ferror(f.get()) == 0;
}

bool WriteMtl(const std::string& path)
{
    File f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f) return false;
    std::fputs("# kuma.mtl: materials of kuma.obj, written by tools/makedata.\n"
               "newmtl fur\n"
               "Kd 1.000000 1.000000 1.000000\n"
               "d 1.000000\n"
               "map_Kd ..\\misc\\fur.bmp\n"
               "\n"
               "newmtl muzzle\n"
               "Kd 1.000000 1.000000 1.000000\n"
               "d 1.000000\n"
               "map_Kd ..\\misc\\muzzle.bmp\n"
               "\n"
               "# Nose and eyes: no texture, so the default texture times this dark colour.\n"
               "newmtl nose\n"
               "Kd 0.060000 0.045000 0.040000\n"
               "d 1.000000\n",
               f.get());
    return std::ferror(f.get()) == 0;
}
}  // namespace makedata
