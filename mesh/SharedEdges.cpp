// OpenSharedEdges: finding the edges shared by more than two triangles, by sorting every edge on
// its pair of end positions.
#include "SharedEdges.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "Adjacency.h"

namespace {

// One triangle edge, keyed by its end positions as bit patterns, the smaller end first.
struct EdgeKey {
    uint32_t bits[6];
    int entry;  // its neighbour entry in the adjacency list
};

// A position's bit pattern with -0 made +0, so that equal bits mean equal positions; false for a
// position with a NaN component, which equals no position, not even itself.
bool PositionBits(const Float3& p, uint32_t* bits)
{
    const float components[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) {
        if (components[i] != components[i]) return false;
        const float value = components[i] == 0.0f ? 0.0f : components[i];
        std::memcpy(&bits[i], &value, sizeof value);
    }
    return true;
}

bool KeyLess(const EdgeKey& a, const EdgeKey& b)
{
    return std::lexicographical_compare(a.bits, a.bits + 6, b.bits, b.bits + 6);
}

bool SameEdge(const EdgeKey& a, const EdgeKey& b)
{
    return std::equal(a.bits, a.bits + 6, b.bits);
}

}  // namespace

bool OpenSharedEdges(const MeshVertex* vertices, const uint32_t* indices, int indexCount, uint32_t* adjacency)
{
    const int triangleCount = indexCount / 3;
    EdgeKey* edges = new (std::nothrow) EdgeKey[size_t(triangleCount) * 3 + 1];
    if (edges == nullptr) return false;
    int edgeCount = 0;
    for (int t = 0; t < triangleCount; ++t)
        for (int e = 0; e < 3; ++e) {
            EdgeKey& key = edges[edgeCount];
            uint32_t from[3], to[3];
            // An edge with a NaN end matches nothing, so BuildAdjacency left it open already.
            if (!PositionBits(vertices[indices[3 * t + e]].position, from) ||
                !PositionBits(vertices[indices[3 * t + (e + 1) % 3]].position, to))
                continue;
            const bool fromFirst = !std::lexicographical_compare(to, to + 3, from, from + 3);
            std::memcpy(key.bits, fromFirst ? from : to, sizeof from);
            std::memcpy(key.bits + 3, fromFirst ? to : from, sizeof to);
            key.entry = 6 * t + 2 * e + 1;
            ++edgeCount;
        }
    std::sort(edges, edges + edgeCount, KeyLess);
    for (int first = 0; first < edgeCount;) {
        int end = first + 1;
        while (end < edgeCount && SameEdge(edges[first], edges[end])) ++end;
        if (end - first > 2)
            for (int i = first; i < end; ++i) adjacency[edges[i].entry] = OpenEdge;
        first = end;
    }
    delete[] edges;
    return true;
}
