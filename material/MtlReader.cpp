// ReadMtl: line-by-line scanning of an MTL material library into Material records.
#include "MtlReader.h"

#include <string.h>

#include "ConstText.h"

namespace {

// Every line is read in pieces of at most this many characters; a longer line is several pieces,
// each handled as a line of its own.
constexpr int LineRoom = 1024;

// "keyword %79s": a word read into a name field keeps at most what the field holds.
template <size_t KeywordSize>
constexpr auto NamePattern(const char (&keyword)[KeywordSize])
{
    return JoinText(keyword, " %", DecimalText<MaterialNameRoom - 1>(), "s");
}
constexpr auto NewmtlPattern = NamePattern("newmtl");
constexpr auto MapKdPattern = NamePattern("map_Kd");
constexpr auto MapBumpPattern = NamePattern("map_Bump");
constexpr auto MapKsPattern = NamePattern("map_Ks");
constexpr auto MapKaPattern = NamePattern("map_Ka");

void BeginMaterial(Material& m, const char* name)
{
    strcpy_s(m.name, name);
    m.Kd[0] = m.Kd[1] = m.Kd[2] = 1.0f;
    m.Ks[0] = m.Ks[1] = m.Ks[2] = 1.0f;
    m.Ka[0] = m.Ka[1] = m.Ka[2] = 1.0f;
    m.d = 1.0f;
    m.Ns = 0.0f;
    m.Ni = 1.0f;
    m.map_Kd[0] = '\0';
    m.map_Ks[0] = '\0';
    m.map_Ka[0] = '\0';
    m.map_Bump[0] = '\0';
    m.map_Extra1[0] = '\0';
    m.map_Extra2[0] = '\0';
}

// Tries the property patterns in their fixed order; the first that reads at least one value
// writes what it read into the material. Values it could not read leave their fields alone,
// so "Kd 0.5" changes only the red component. The keyword must open the line exactly, case
// included; the blank after it matches any run of white space, none included. A word keeps
// at most 79 characters (the rest of a longer word is not stored) and the line still matches.
void ApplyProperty(const char* line, Material& m)
{
    if (sscanf_s(line, "Kd %f %f %f", &m.Kd[0], &m.Kd[1], &m.Kd[2]) >= 1) return;
    if (sscanf_s(line, "Ks %f %f %f", &m.Ks[0], &m.Ks[1], &m.Ks[2]) >= 1) return;
    if (sscanf_s(line, "Ka %f %f %f", &m.Ka[0], &m.Ka[1], &m.Ka[2]) >= 1) return;
    if (sscanf_s(line, "d %f", &m.d) >= 1) return;
    if (sscanf_s(line, "Ns %f", &m.Ns) >= 1) return;
    if (sscanf_s(line, "Ni %f", &m.Ni) >= 1) return;
    if (sscanf_s(line, MapKdPattern.chars, m.map_Kd, (unsigned)sizeof m.map_Kd) >= 1) return;
    if (sscanf_s(line, MapBumpPattern.chars, m.map_Bump, (unsigned)sizeof m.map_Bump) >= 1) return;
    if (sscanf_s(line, MapKsPattern.chars, m.map_Ks, (unsigned)sizeof m.map_Ks) >= 1) return;
    if (sscanf_s(line, MapKaPattern.chars, m.map_Ka, (unsigned)sizeof m.map_Ka) >= 1) return;
    // Anything else (comments, blank lines, illum, Ke, Tr, map_d, bump, ...) is ignored.
}

}  // namespace

bool ReadMtl(FILE* file, Material* materials, int& count)
{
    count = 0;
    if (file == nullptr || materials == nullptr) return false;

    char line[LineRoom];
    int current = -1;  // no material has begun
    while (fgets(line, LineRoom, file) != nullptr) {
        char name[MaterialNameRoom];
        if (sscanf_s(line, NewmtlPattern.chars, name, (unsigned)sizeof name) == 1) {
            if (current == MaxMaterials - 1) {
                count = MaxMaterials;
                return false;
            }
            BeginMaterial(materials[++current], name);
            continue;
        }
        if (current >= 0) ApplyProperty(line, materials[current]);
    }
    count = current + 1;
    return true;
}
