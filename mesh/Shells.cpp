// Shells: joining triangles through the edges they share, and choosing each group's volumes.
#include "Shells.h"

#include <memory>
#include <new>

#include "EdgeKeys.h"

namespace {

// Union-find over triangles (and, later, groups), with path halving.
class DisjointSets {
  public:
    explicit DisjointSets(int count) : parent(new (std::nothrow) int[size_t(count) + 1])
    {
        if (parent)
            for (int i = 0; i < count; ++i) parent[i] = i;
    }
    bool ok() const { return parent != nullptr; }
    int Find(int i)
    {
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    }
    void Join(int a, int b) { parent[Find(a)] = Find(b); }

  private:
    std::unique_ptr<int[]> parent;
};

bool SamePosition(const Float3& a, const Float3& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

bool HasNaN(const Float3& p)
{
    return p.x != p.x || p.y != p.y || p.z != p.z;
}

// Six times the signed volume of the tetrahedron (origin, a, b, c): summed over a closed shell,
// positive when its triangles are wound outwards (cross(b - a, c - a) pointing out).
double SignedVolume(const Float3& origin, const Float3& a, const Float3& b, const Float3& c)
{
    const double ax = double(a.x) - origin.x, ay = double(a.y) - origin.y, az = double(a.z) - origin.z;
    const double bx = double(b.x) - origin.x, by = double(b.y) - origin.y, bz = double(b.z) - origin.z;
    const double cx = double(c.x) - origin.x, cy = double(c.y) - origin.y, cz = double(c.z) - origin.z;
    return ax * (by * cz - bz * cy) + ay * (bz * cx - bx * cz) + az * (bx * cy - by * cx);
}

// No side chosen yet for a shell or a group-and-shell component.
constexpr int8_t Undecided = 2;
// A shell met while summing its volume that has a triangle on an edge that is not closed.
constexpr int8_t OpenShell = -2;

}  // namespace

bool AnalyzeShells(const MeshVertex* vertices, const uint32_t* indices, int indexCount, const MeshGroup* groups,
                   int groupCount, VolumeSides* groupSides, ShellReport* report)
{
    *report = ShellReport{};
    for (int g = 0; g < groupCount; ++g) groupSides[g] = VolumeSides::Both;
    const int triangleCount = indexCount / 3;
    DisjointSets sets(triangleCount + groupCount);
    const std::unique_ptr<EdgeKey[]> keys(new (std::nothrow) EdgeKey[size_t(indexCount) + 1]);
    // Per triangle: 1 left out (two corners at one position: it never makes a volume), 2 on an
    // edge that is not shared by exactly one oppositely wound pair, or with a NaN corner.
    const std::unique_ptr<uint8_t[]> state(new (std::nothrow) uint8_t[size_t(triangleCount) + 1]);
    const std::unique_ptr<double[]> volume(new (std::nothrow) double[size_t(triangleCount) + 1]);
    const std::unique_ptr<int8_t[]> side(new (std::nothrow) int8_t[size_t(triangleCount) + 1]);
    if (!sets.ok() || !keys || !state || !volume || !side) return false;
    constexpr uint8_t LeftOut = 1, Unclosed = 2;

    auto corner = [&](int t, int k) -> const Float3& { return vertices[indices[3 * t + k]].position; };
    for (int t = 0; t < triangleCount; ++t) {
        const Float3 &a = corner(t, 0), &b = corner(t, 1), &c = corner(t, 2);
        state[t] = HasNaN(a) || HasNaN(b) || HasNaN(c)                              ? Unclosed
                   : SamePosition(a, b) || SamePosition(b, c) || SamePosition(c, a) ? LeftOut
                                                                                    : 0;
    }

    const int keyCount = CollectEdgeKeys(vertices, indices, indexCount, keys.get());
    for (int first = 0; first < keyCount;) {
        int end = first, kept = 0, forward = 0;
        int pair[2] = {-1, -1};
        for (; end < keyCount && SameEdge(keys[first], keys[end]); ++end) {
            const int t = keys[end].entry / 6;
            if (state[t] == LeftOut) continue;
            if (kept < 2) pair[kept] = t;
            ++kept;
            forward += keys[end].forward;
        }
        if (kept == 2 && forward == 1) {
            sets.Join(pair[0], pair[1]);
        } else if (kept > 0) {
            report->openEdges += kept == 1;
            report->unpairedEdges += kept == 2;
            report->crowdedEdges += kept > 2;
            for (int i = first; i < end; ++i) {
                const int t = keys[i].entry / 6;
                if (state[t] == LeftOut) continue;
                state[t] = Unclosed;
                sets.Join(t, pair[0]);
            }
        }
        first = end;
    }

    // Each shell's signed volume, about its first triangle's first corner (its root's slot holds
    // the sum, side[] says whether a shell has been met yet and, later, which side it takes).
    for (int t = 0; t < triangleCount; ++t) side[t] = Undecided;
    const std::unique_ptr<int[]> origin(new (std::nothrow) int[size_t(triangleCount) + 1]);
    if (!origin) return false;
    for (int t = 0; t < triangleCount; ++t) {
        if (state[t] == LeftOut) continue;
        const int root = sets.Find(t);
        if (side[root] == Undecided) {
            side[root] = 0;
            origin[root] = t;
            volume[root] = 0.0;
            ++report->shells;
        }
        if (state[t] == Unclosed) side[root] = OpenShell;
        volume[root] += SignedVolume(corner(origin[root], 0), corner(t, 0), corner(t, 1), corner(t, 2));
    }
    for (int t = 0; t < triangleCount; ++t) {
        if (state[t] == LeftOut || sets.Find(t) != t) continue;
        if (side[t] == OpenShell) {
            side[t] = int8_t(VolumeSides::Both);
            continue;
        }
        ++report->closedShells;
        side[t] = int8_t(volume[t] > 0.0   ? VolumeSides::FacingLight
                         : volume[t] < 0.0 ? VolumeSides::FacingAway
                                           : VolumeSides::Both);
        report->insideOut += volume[t] < 0.0;
    }

    // Each triangle's shell side, read before groups join the sets; then every group with the
    // shells it holds (and every other group those shells reach) into one component, which takes
    // one side when all its shells agree on it.
    const std::unique_ptr<int8_t[]> shellSide(new (std::nothrow) int8_t[size_t(triangleCount) + 1]);
    if (!shellSide) return false;
    for (int t = 0; t < triangleCount; ++t) shellSide[t] = state[t] == LeftOut ? Undecided : side[sets.Find(t)];
    for (int g = 0; g < groupCount; ++g) {
        const int start = groups[g].startIndex / 3, end = (groups[g].startIndex + groups[g].indexCount) / 3;
        if (groups[g].indexCount <= 0 || start < 0 || end > triangleCount) continue;
        for (int t = start; t < end; ++t)
            if (state[t] != LeftOut) sets.Join(t, triangleCount + g);
    }
    const std::unique_ptr<int8_t[]> component(new (std::nothrow) int8_t[size_t(triangleCount + groupCount) + 1]);
    if (!component) return false;
    for (int i = 0; i < triangleCount + groupCount; ++i) component[i] = Undecided;
    for (int t = 0; t < triangleCount; ++t) {
        if (shellSide[t] == Undecided) continue;
        int8_t& decided = component[sets.Find(t)];
        decided = decided == Undecided || decided == shellSide[t] ? shellSide[t] : int8_t(VolumeSides::Both);
    }
    for (int t = 0; t < triangleCount; ++t)
        report->closedButBoth +=
            (shellSide[t] == int8_t(VolumeSides::FacingLight) || shellSide[t] == int8_t(VolumeSides::FacingAway)) &&
            component[sets.Find(t)] == int8_t(VolumeSides::Both);
    for (int g = 0; g < groupCount; ++g) {
        const int8_t decided = component[sets.Find(triangleCount + g)];
        if (decided == Undecided || decided == int8_t(VolumeSides::Both) || groups[g].indexCount <= 0) continue;
        groupSides[g] = VolumeSides(decided);
        ++report->reducedGroups;
        report->reducedTriangles += groups[g].indexCount / 3;
    }
    return true;
}
