// modelcheck: loads an OBJ model with the program's own reader, adjacency and sphere, and
// says whether the program would accept it. Plain words by default; with --canonical an
// exact machine-readable dump that other tools compare byte for byte.
//
//   modelcheck [--canonical] FILE.obj
//   modelcheck [--canonical] FILE.mtl
//
// For a model, the plain report goes on with the material library the model names (read
// relative to the working directory, as the program does): per material, the textures it names
// and whether each one loads. For an .mtl file it lists the materials (MaterialCheck.h).
// Exit status: 0 the model (or material library) loads, 1 it does not (or cannot be opened),
// 2 wrong usage. A model's status does not depend on its materials; the report says whether
// they load.
#include <stdio.h>
#include <string.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "Adjacency.h"
#include "BoundingSphere.h"
#include "MaterialCheck.h"
#include "ObjReader.h"
#include "Print.h"

namespace {

struct Model {
    std::vector<MeshVertex> vertices = std::vector<MeshVertex>(kObjMaxVertices);
    std::vector<uint32_t> indices = std::vector<uint32_t>(kObjMaxIndices);
    std::vector<MeshGroup> groups = std::vector<MeshGroup>(kObjMaxGroups);
    std::vector<uint32_t> adjacency;
    int vertexCount = 0, indexCount = 0, groupCount = 0;
    char mtllib[kObjNameRoom] = {};
    ObjReadStatus status{};
    bool readOk = false;
    BoundingSphere sphere{};

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

void PrintPlain(const char* path, const Model& m)
{
    if (!m.readOk) {
        printf("%s: does not load: %s", path, DescribeObjReadFailure(m.status.failure));
        if (m.status.line > 0)
            printf(" (line %d)", m.status.line);
        printf("\n");
        return;
    }
    if (!m.Loaded()) {
        printf("%s: does not load: the model has no triangles (every face was missing or degenerate)\n", path);
        return;
    }
    if (const char* problem = DescribeSphereProblem(m.sphere)) {
        printf("%s: does not load: %s\n", path, problem);
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
    for (int i = 1; i < 2 * m.indexCount; i += 2)
        open += m.adjacency[i] == kOpenEdge;
    printf("open edges: %d of %d\n", open, m.indexCount);
    printf("bounding sphere: centre (%.9g, %.9g, %.9g), radius %.9g\n", m.sphere.center.x, m.sphere.center.y,
           m.sphere.center.z, m.sphere.radius);
}

} // namespace

int main(int argc, char** argv)
{
    bool canonical = argc == 3 && strcmp(argv[1], "--canonical") == 0;
    if (argc != 2 + (canonical ? 1 : 0) || argv[argc - 1][0] == '-') {
        fprintf(stderr, "usage: modelcheck [--canonical] FILE.obj|FILE.mtl\n");
        return 2;
    }
    const char* path = argv[argc - 1];
    const size_t length = strlen(path);
    if (length >= 4 && strcmp(path + length - 4, ".mtl") == 0)
        return CheckMaterialFile(path, canonical);

    Model m;
    FILE* file = nullptr;
    errno_t err = fopen_s(&file, path, "rt");
    if (err != 0) {
        if (canonical)
            printf("result fail\n");
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
    }
    if (canonical) {
        PrintCanonical(m);
    } else {
        PrintPlain(path, m);
        if (m.Loaded() && DescribeSphereProblem(m.sphere) == nullptr)
            ReportModelMaterials(m.mtllib, m.groups.data(), m.groupCount);
    }
    // The dump shows what the reader, adjacency and sphere made even for a model the program
    // refuses for its sphere; the status says whether the program accepts it.
    return m.Loaded() && DescribeSphereProblem(m.sphere) == nullptr ? 0 : 1;
}
