// Loads one maximum-size model (65535 positions, 21844 triangles, texture seams and
// near-duplicate positions) with the reference loops, with our reader (plus adjacency and
// sphere), and with tinyobjloader's LoadObj, and prints the median time of each.
//
//   obj_load_bench [reference runs, default 3] [other runs, default 15]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Adjacency.h"
#include "BenchSupport.h"
#include "BoundingSphere.h"
#include "LoadResult.h"
#include "ObjOracle.h"
#include "ObjReader.h"

#ifdef QV_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

namespace {

constexpr int GridWidth = 256;
constexpr int PositionCount = 65535;
constexpr int Quads = 10922;  // 21844 triangles, the most a model may hold
constexpr int CellsPerRow = GridWidth - 1;
constexpr int RowsUsed = Quads / CellsPerRow + 2;  // grid rows that faces touch

// A 256-wide grid of positions on a gentle wave; every 16th one sits 0.00005 from its
// predecessor instead (merged into it). Faces cover the first rows as quads; the right half
// uses its own texture coordinates, which makes a seam down the middle column.
std::string MakeModel()
{
    std::string text;
    text.reserve(4 << 20);
    char line[160];
    float previous[3] = {0, 0, 0};
    for (int k = 0; k < PositionCount; ++k) {
        int i = k % GridWidth, j = k / GridWidth;
        float p[3] = {i * 0.01f, j * 0.01f, 0.05f * std::sin(i * 0.1f) * std::cos(j * 0.07f)};
        if (k % 16 == 15) p[0] = previous[0], p[1] = previous[1], p[2] = previous[2] + 0.00005f;
        snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", p[0], p[1], p[2]);
        text += line;
        memcpy(previous, p, sizeof p);
    }
    for (int half = 0; half < 2; ++half)
        for (int k = 0; k < RowsUsed * GridWidth; ++k) {
            snprintf(line, sizeof line, "vt %.6f %.6f\n", (k % GridWidth) / 255.0f + half * 0.001f,
                     (k / GridWidth) / float(RowsUsed));
            text += line;
        }
    for (int k = 0; k < RowsUsed * GridWidth; ++k) {
        float a = k * 0.001f;
        snprintf(line, sizeof line, "vn %.6f %.6f %.6f\n", std::sin(a) * 0.1f, std::cos(a) * 0.1f, 0.99f);
        text += line;
    }
    text += "g body\nusemtl skin\n";
    for (int q = 0; q < Quads; ++q) {
        int i = q % CellsPerRow, j = q / CellsPerRow;
        if (q == Quads / 2) text += "g tail\nusemtl fur\n";
        int corner[4] = {j * GridWidth + i, j * GridWidth + i + 1, (j + 1) * GridWidth + i + 1,
                         (j + 1) * GridWidth + i};
        int texOffset = i >= GridWidth / 2 ? RowsUsed * GridWidth : 0;
        text += "f";
        for (int c : corner) {
            snprintf(line, sizeof line, " %d/%d/%d", c + 1, c + 1 + texOffset, c + 1);
            text += line;
        }
        text += "\n";
    }
    return text;
}

// ReadObj without its optional status argument, to sit beside the reference's signature.
bool ReadObjDefault(FILE* f, MeshVertex* v, int& vc, uint32_t* i, int& ic, MeshGroup* g, int& gc, char* lib)
{
    return ReadObj(f, v, vc, i, ic, g, gc, lib);
}

// Wall-clock and process CPU time of one call, in milliseconds. On a shared machine the CPU
// time is the steadier of the two.
struct Times {
    std::vector<double> wall, cpu;
};

void Time(Times& times, const std::function<void()>& f)
{
    double cpuStart = CpuMs();
    auto start = std::chrono::steady_clock::now();
    f();
    times.wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    times.cpu.push_back(CpuMs() - cpuStart);
}

struct Outputs {
    std::vector<MeshVertex> vertices = std::vector<MeshVertex>(ObjMaxVertices);
    std::vector<uint32_t> indices = std::vector<uint32_t>(ObjMaxIndices);
    std::vector<MeshGroup> groups = std::vector<MeshGroup>(ObjMaxGroups);
    std::vector<uint32_t> adjacency = std::vector<uint32_t>(2 * ObjMaxIndices);
    int vertexCount = 0, indexCount = 0, groupCount = 0;
    char mtllib[ObjNameRoom];
    BoundingSphere sphere{};
    bool ok = false;
};

template <typename Read, typename Adjacent, typename Sphere>
void Load(const char* path, Outputs& o, Read read, Adjacent adjacent, Sphere sphere, bool geometry)
{
    FILE* f = fopen(path, "r");
    o.ok = read(f, o.vertices.data(), o.vertexCount, o.indices.data(), o.indexCount, o.groups.data(), o.groupCount,
                o.mtllib);
    fclose(f);
    if (geometry && o.ok) {
        adjacent(o.vertices.data(), o.indices.data(), o.indexCount, o.adjacency.data());
        sphere(o.vertices.data(), static_cast<uint32_t>(o.vertexCount), o.sphere);
    }
}

bool Same(const Outputs& a, const Outputs& b)
{
    return a.ok && b.ok && a.vertexCount == b.vertexCount && a.indexCount == b.indexCount &&
           a.groupCount == b.groupCount &&
           memcmp(a.vertices.data(), b.vertices.data(), sizeof(MeshVertex) * a.vertexCount) == 0 &&
           memcmp(a.indices.data(), b.indices.data(), 4 * static_cast<size_t>(a.indexCount)) == 0 &&
           memcmp(a.adjacency.data(), b.adjacency.data(), 8 * static_cast<size_t>(a.indexCount)) == 0 &&
           memcmp(&a.sphere, &b.sphere, sizeof a.sphere) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    int referenceRuns = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 15;

    const char* path = "obj_load_bench_model.obj";
    std::string text = MakeModel();
    FILE* out = fopen(path, "wb");
    if (out == nullptr || fwrite(text.data(), 1, text.size(), out) != text.size()) {
        fprintf(stderr, "obj_load_bench: cannot write %s\n", path);
        return 1;
    }
    fclose(out);
    printf("model: %s, %zu bytes, %d positions, %d quads (%d triangles)\n", path, text.size(), PositionCount, Quads,
           2 * Quads);

    // Runs are interleaved so that a change in the machine's load touches every loader alike.
    Outputs ours, reference;
    Times oursRead, oursAll, referenceAll, tiny;
    size_t tinyCorners = 0;
    for (int r = 0; r < std::max(runs, referenceRuns); ++r) {
        if (r < runs) {
            Time(oursRead, [&] { Load(path, ours, ReadObjDefault, BuildAdjacency, ComputeBoundingSphere, false); });
            Time(oursAll, [&] { Load(path, ours, ReadObjDefault, BuildAdjacency, ComputeBoundingSphere, true); });
#ifdef QV_HAVE_TINYOBJLOADER
            Time(tiny, [&] {
                tinyobj::attrib_t attrib;
                std::vector<tinyobj::shape_t> shapes;
                std::vector<tinyobj::material_t> materials;
                std::string warn, err;
                tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path);
                tinyCorners = 0;
                for (const auto& s : shapes) tinyCorners += s.mesh.indices.size();
            });
#endif
        }
        if (r < referenceRuns)
            Time(referenceAll, [&] {
                Load(path, reference, oracle::ReadObj, oracle::BuildAdjacency, oracle::ComputeBoundingSphere, true);
            });
    }
    printf("vertices %d, indices %d, groups %d; identical to the reference: %s\n", ours.vertexCount, ours.indexCount,
           ours.groupCount, Same(ours, reference) ? "yes" : "NO");
    if (!tiny.wall.empty()) printf("tinyobjloader read %zu corners\n", tinyCorners);

    printf("median ms (reference %d runs, others %d runs)          wall        cpu\n", referenceRuns, runs);
    auto row = [](const char* name, const Times& t) {
        printf("  %-50s %10.2f %10.2f\n", name, Median(t.wall), Median(t.cpu));
    };
    auto ratio = [](const char* name, const Times& a, const Times& b) {
        printf("  %-50s %9.2fx %9.2fx\n", name, Median(a.wall) / Median(b.wall), Median(a.cpu) / Median(b.cpu));
    };
    row("reference read+merge+index+adjacency+sphere", referenceAll);
    row("ours read+merge+index", oursRead);
    row("ours read+merge+index+adjacency+sphere", oursAll);
    ratio("reference / ours (whole load)", referenceAll, oursAll);
    if (!tiny.wall.empty()) {
        row("tinyobjloader LoadObj", tiny);
        ratio("tinyobjloader / ours (read)", tiny, oursRead);
        ratio("tinyobjloader / ours (whole load)", tiny, oursAll);
    }
    return Same(ours, reference) ? 0 : 1;
}
