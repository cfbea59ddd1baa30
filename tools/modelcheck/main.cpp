// modelcheck: loads an OBJ model with the program's own reader, adjacency and sphere, and
// says whether the program would accept it. Plain words by default; with --canonical an
// exact machine-readable dump that other tools compare byte for byte.
//
//   modelcheck [--canonical] FILE.obj
//   modelcheck [--canonical] FILE.mtl
//   modelcheck --picture OUT.png [--time MS] [--distance D] [--plain] [--misc DIR] FILE.obj
//
// For a model, the plain report goes on with the material library the model names (read
// relative to the working directory, as the program does): per material, the textures it names
// and whether each one loads. For an .mtl file it lists the materials (MaterialCheck.h).
// Exit status: 0 the model (or material library) loads, 1 it does not (or cannot be opened),
// 2 wrong usage. A model's status does not depend on its materials; the report says whether
// they load. --picture draws the model as the program would (Picture.h); it exits 1 after one
// line on stderr when the model, its materials, the shader source or the device fail.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Adjacency.h"
#include "BoundingSphere.h"
#include "MaterialCheck.h"
#include "ObjReader.h"
#include "Picture.h"
#include "Print.h"
#include "SharedState.h"
#include "Shells.h"

namespace {

struct Model {
    std::vector<MeshVertex> vertices = std::vector<MeshVertex>(ObjMaxVertices);
    std::vector<uint32_t> indices = std::vector<uint32_t>(ObjMaxIndices);
    std::vector<MeshGroup> groups = std::vector<MeshGroup>(ObjMaxGroups);
    std::vector<uint32_t> adjacency;
    int vertexCount = 0, indexCount = 0, groupCount = 0;
    char mtllib[ObjNameRoom] = {};
    ObjReadStatus status{};
    bool readOk = false;
    BoundingSphere sphere{};
    std::vector<VolumeSides> groupSides = std::vector<VolumeSides>(ObjMaxGroups);
    ShellReport shells{};
    bool shellsOk = false;

    bool Loaded() const { return readOk && vertexCount > 0 && indexCount > 0; }
};

void PrintCanonical(const Model& m)
{
    if (!m.Loaded()) {
        printf("result fail\n");
        return;
    }
    printf("result ok\nvertices %d\nindices %d\ngroups %d\nmtllib ", m.vertexCount, m.indexCount, m.groupCount);
    PrintQuoted(m.mtllib);
    putchar('\n');
    for (int k = 0; k < m.vertexCount; ++k) {
        const MeshVertex& v = m.vertices[k];
        printf("v %d %08x %08x %08x %08x %08x %08x %08x %08x\n", k, Bits(v.position.x), Bits(v.position.y),
               Bits(v.position.z), Bits(v.normal.x), Bits(v.normal.y), Bits(v.normal.z), Bits(v.texcoord.x),
               Bits(v.texcoord.y));
    }
    for (int k = 0; k < m.indexCount / 3; ++k)
        printf("t %d %u %u %u\n", k, m.indices[3 * k], m.indices[3 * k + 1], m.indices[3 * k + 2]);
    for (int k = 0; k < m.groupCount; ++k) {
        printf("g %d ", k);
        PrintQuoted(m.groups[k].name);
        putchar(' ');
        PrintQuoted(m.groups[k].materialName);
        printf(" %d %d\n", m.groups[k].startIndex, m.groups[k].indexCount);
    }
    for (int k = 0; k < m.indexCount / 3; ++k) {
        const uint32_t* a = &m.adjacency[6 * static_cast<size_t>(k)];
        printf("a %d %08x %08x %08x %08x %08x %08x\n", k, a[0], a[1], a[2], a[3], a[4], a[5]);
    }
    printf("sphere %08x %08x %08x %08x\n", Bits(m.sphere.center.x), Bits(m.sphere.center.y), Bits(m.sphere.center.z),
           Bits(m.sphere.radius));
}

// Why the program would refuse the model, in words; empty when it would load it.
std::string LoadProblem(const Model& m)
{
    if (!m.readOk) {
        std::string problem = DescribeObjReadFailure(m.status.failure);
        if (m.status.line > 0) problem += " (line " + std::to_string(m.status.line) + ")";
        return problem;
    }
    if (!m.Loaded()) return "the model has no triangles (every face was missing or degenerate)";
    if (const char* problem = DescribeSphereProblem(m.sphere)) return problem;
    return "";
}

void PrintPlain(const char* path, const Model& m)
{
    if (const std::string problem = LoadProblem(m); !problem.empty()) {
        printf("%s: does not load: %s\n", path, problem.c_str());
        return;
    }
    printf("%s: loads\n", path);
    printf("vertices: %d\ntriangles: %d (indices: %d)\n", m.vertexCount, m.indexCount / 3, m.indexCount);
    printf("material library: ");
    m.mtllib[0] != '\0' ? PrintName(m.mtllib) : (void)printf("(none)");
    printf("\ngroups: %d\n", m.groupCount);
    for (int k = 0; k < m.groupCount; ++k) {
        const MeshGroup& g = m.groups[k];
        printf("  group %d ", k);
        PrintName(g.name);
        printf(", material ");
        g.materialName[0] != '\0' ? PrintName(g.materialName) : (void)printf("(none)");
        if (g.indexCount > 0)
            printf(", indices %d to %d (%d %s)\n", g.startIndex, g.startIndex + g.indexCount - 1, g.indexCount / 3,
                   g.indexCount == 3 ? "triangle" : "triangles");
        else
            printf(", no triangles\n");
    }
    int open = 0;
    for (int i = 1; i < 2 * m.indexCount; i += 2) open += m.adjacency[i] == OpenEdge;
    printf("open edges: %d of %d\n", open, m.indexCount);
    // What decides the cost of the shadow volumes: a closed shell needs volumes from the
    // triangles on one side of the light only, anything else from both.
    if (m.shellsOk) {
        const ShellReport& r = m.shells;
        printf("edges shared by three or more triangles: %d\n", r.crowdedEdges);
        printf("shells: %d, closed: %d", r.shells, r.closedShells);
        if (r.insideOut > 0) printf(" (%d wound inside out)", r.insideOut);
        if (r.unpairedEdges > 0) printf("; %d edges join two triangles that run them the same way", r.unpairedEdges);
        putchar('\n');
        int groupsWithTriangles = 0;
        for (int k = 0; k < m.groupCount; ++k) groupsWithTriangles += m.groups[k].indexCount > 0;
        printf("shadow volumes from one side of the light: %d of %d groups (%d of %d triangles), both sides for the "
               "rest\n",
               r.reducedGroups, groupsWithTriangles, r.reducedTriangles, m.indexCount / 3);
        if (r.closedButBoth > 0)
            printf("  %d triangles of closed shells make volumes from both sides: their shells share a group with a "
                   "part that is not closed\n",
                   r.closedButBoth);
    }
    printf("bounding sphere: centre (%.9g, %.9g, %.9g), radius %.9g\n", m.sphere.center.x, m.sphere.center.y,
           m.sphere.center.z, m.sphere.radius);
}

const char Usage[] = "usage: modelcheck [--canonical] FILE.obj|FILE.mtl\n"
                     "       modelcheck --picture OUT.png [--time MS] [--distance D] [--plain] [--misc DIR] FILE.obj\n";

// Reads "--time MS": a whole number of milliseconds, 0 to 4294967295.
bool ParseMilliseconds(const char* text, uint32_t* ms)
{
    uint64_t value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || (value = value * 10 + uint64_t(*p - '0')) > 0xFFFFFFFFull) return false;
    }
    *ms = static_cast<uint32_t>(value);
    return text[0] != '\0';
}

// Reads "--distance D": within the program's limits.
bool ParseDistance(const char* text, float* distance)
{
    char* end = nullptr;
    const float value = strtof(text, &end);
    if (end == text || *end != '\0' || !(value >= MinCameraDistance && value <= MaxCameraDistance)) return false;
    *distance = value;
    return true;
}

int UsageError(const char* problem)
{
    fprintf(stderr, "modelcheck: %s\n%s", problem, Usage);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    bool canonical = false, picture = false, pictureOption = false;
    PictureOptions options;
    options.miscDirectory = QV_SOURCE_MISC_DIR;
    const char* path = nullptr;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const bool hasValue = k + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            printf("%s", Usage);
            printf("\n--picture draws the model as the program does (its shaders, renderer, material library\n"
                   "and textures) offscreen at 640 x 480 and writes OUT.png. The material library and the\n"
                   "texture names are opened relative to the working directory, as the program opens them;\n"
                   "Quenvale.sh and default.bmp come from --misc DIR (default: %s).\n"
                   "  --time MS      the millisecond clock the spin angle comes from (default 0)\n"
                   "  --distance D   the camera distance, %.1f to %.1f (default %.1f)\n"
                   "  --plain        shadow volumes from plain triangles instead of adjacency\n",
                   QV_SOURCE_MISC_DIR, MinCameraDistance, MaxCameraDistance, MinCameraDistance);
            return 0;
        } else if (arg == "--canonical") {
            canonical = true;
        } else if (arg == "--picture" && hasValue) {
            picture = true;
            options.output = argv[++k];
        } else if (arg == "--time" && hasValue) {
            pictureOption = true;
            if (!ParseMilliseconds(argv[++k], &options.milliseconds))
                return UsageError("--time takes a whole number of milliseconds from 0 to 4294967295");
        } else if (arg == "--distance" && hasValue) {
            pictureOption = true;
            if (!ParseDistance(argv[++k], &options.distance))
                return UsageError("--distance takes a number from 2.5 to 20");
        } else if (arg == "--misc" && hasValue) {
            pictureOption = true;
            options.miscDirectory = argv[++k];
        } else if (arg == "--plain") {
            pictureOption = true;
            options.plain = true;
        } else if (arg[0] == '-' || path != nullptr) {
            return UsageError(("unexpected argument " + arg).c_str());
        } else {
            path = argv[k];
        }
    }
    if (path == nullptr) return UsageError("no file named");
    if (picture && canonical) return UsageError("--picture and --canonical do not go together");
    if (pictureOption && !picture) return UsageError("--time, --distance, --plain and --misc go with --picture");
    const size_t length = strlen(path);
    const bool mtl = length >= 4 && strcmp(path + length - 4, ".mtl") == 0;
    if (mtl && picture) return UsageError("--picture draws a model (.obj), not a material library");
    if (mtl) return CheckMaterialFile(path, canonical);

    Model m;
    FILE* file = nullptr;
    errno_t err = fopen_s(&file, path, "rt");
    if (err != 0) {
        if (canonical)
            printf("result fail\n");
        else if (picture)
            fprintf(stderr, "modelcheck: %s: does not load: cannot open the file (%s)\n", path, strerror(err));
        else
            printf("%s: does not load: cannot open the file (%s)\n", path, strerror(err));
        return 1;
    }
    m.readOk = ReadObj(file, m.vertices.data(), m.vertexCount, m.indices.data(), m.indexCount, m.groups.data(),
                       m.groupCount, m.mtllib, &m.status);
    fclose(file);
    if (m.Loaded()) {
        m.adjacency.resize(2 * static_cast<size_t>(m.indexCount));
        BuildAdjacency(m.vertices.data(), m.indices.data(), m.indexCount, m.adjacency.data());
        ComputeBoundingSphere(m.vertices.data(), static_cast<uint32_t>(m.vertexCount), m.sphere);
        m.shellsOk = AnalyzeShells(m.vertices.data(), m.indices.data(), m.indexCount, m.groups.data(), m.groupCount,
                                   m.groupSides.data(), &m.shells);
    }
    if (picture) {
        if (const std::string problem = LoadProblem(m); !problem.empty()) {
            fprintf(stderr, "modelcheck: %s: does not load: %s\n", path, problem.c_str());
            return 1;
        }
        return DrawPicture(path, m.mtllib, options);
    }
    if (canonical) {
        PrintCanonical(m);
    } else {
        PrintPlain(path, m);
        if (LoadProblem(m).empty()) ReportModelMaterials(m.mtllib, m.groups.data(), m.groupCount);
    }
    // The dump shows what the reader, adjacency and sphere made even for a model the program
    // refuses for its sphere; the status says whether the program accepts it.
    return LoadProblem(m).empty() ? 0 : 1;
}
