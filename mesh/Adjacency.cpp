// Adjacency through exact position identities and a sorted directed-edge list. Every vertex
// gets the number of its position (equal x, y, z as floats: -0 equal to +0, NaN equal to
// nothing, so edges touching a NaN never match). The directed edges, numbered in list order
// (triangle first, then edge k), are sorted stably by (from, to) with two counting passes;
// so the edges that run a given way form one run in list order, and the first of them that
// is not the triangle itself is the earliest qualifying candidate with its first
// qualifying k: the all-pairs result.
#include "Adjacency.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int StaticIndices = ObjMaxIndices;  // room for every index list the OBJ reader produces
constexpr int StaticSlotBits = 17;
constexpr uint32_t NoPosition = 0xFFFFFFFFu;

struct Edge {
    uint32_t from, to;  // position numbers
    int32_t triangle;
    uint32_t outer;  // the candidate's corner that is not on this edge
};

// Working tables with room for every model the reader can produce; a larger list gets one
// heap allocation per call.
struct Tables {
    uint32_t* positionOf;  // by vertex
    uint32_t* slots;       // position hash: 1-based vertex, 0 = empty
    uint32_t slotMask;
    uint32_t* count;  // counting-sort buckets, one more than there are positions
    Edge* edges;
    Edge* sorted;
};

uint32_t StaticPositionOf[StaticIndices];
uint32_t StaticSlots[1u << StaticSlotBits];
uint32_t StaticCount[StaticIndices + 1];
Edge StaticEdges[StaticIndices];
Edge StaticSorted[StaticIndices];

// Position bits with -0 as +0; false for a position with a NaN component.
bool PositionBits(const Float3& p, uint32_t bits[3])
{
    const float c[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) {
        if (std::isnan(c[i])) return false;
        float v = c[i] == 0.0f ? 0.0f : c[i];
        memcpy(&bits[i], &v, sizeof v);
    }
    return true;
}

uint32_t HashBits(const uint32_t bits[3])
{
    uint64_t h = bits[0] * 0x9E3779B97F4A7C15ull + bits[1] * 0xC2B2AE3D27D4EB4Full + bits[2] * 0x165667B19E3779F9ull;
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    return static_cast<uint32_t>(h ^ (h >> 29));
}

// Numbers the distinct positions of vertices 0 .. vertexCount-1; returns how many there are.
uint32_t NumberPositions(const MeshVertex* vertices, uint32_t vertexCount, const Tables& t)
{
    memset(t.slots, 0, (t.slotMask + 1) * sizeof(uint32_t));
    uint32_t distinct = 0;
    for (uint32_t v = 0; v < vertexCount; ++v) {
        uint32_t bits[3];
        if (!PositionBits(vertices[v].position, bits)) {
            t.positionOf[v] = NoPosition;
            continue;
        }
        uint32_t slot = HashBits(bits) & t.slotMask;
        for (;; slot = (slot + 1) & t.slotMask) {
            if (t.slots[slot] == 0) {
                t.slots[slot] = v + 1;
                t.positionOf[v] = distinct++;
                break;
            }
            uint32_t other[3];
            PositionBits(vertices[t.slots[slot] - 1].position, other);
            if (memcmp(bits, other, sizeof bits) == 0) {
                t.positionOf[v] = t.positionOf[t.slots[slot] - 1];
                break;
            }
        }
    }
    return distinct;
}

// Stable counting sort of n edges by the field that key picks.
template <typename Key>
void SortBy(const Edge* in, Edge* out, int n, uint32_t buckets, uint32_t* count, Key key)
{
    memset(count, 0, (buckets + 1) * sizeof(uint32_t));
    for (int i = 0; i < n; ++i) ++count[key(in[i]) + 1];
    for (uint32_t b = 0; b < buckets; ++b) count[b + 1] += count[b];
    for (int i = 0; i < n; ++i) out[count[key(in[i])]++] = in[i];
}

}  // namespace

void BuildAdjacency(const MeshVertex* vertices, const uint32_t* indices, int indexCount, uint32_t* adjacency)
{
    if (indexCount <= 0) return;
    const int triangles = indexCount / 3;
    for (int i = 0; i < indexCount; ++i) {
        adjacency[2 * i] = indices[i];
        adjacency[2 * i + 1] = OpenEdge;
    }
    if (triangles == 0) return;
    uint32_t vertexCount = *std::max_element(indices, indices + 3 * triangles) + 1;

    uint32_t slotCount = 64;
    while (slotCount < 2 * vertexCount) slotCount <<= 1;
    Tables t{StaticPositionOf, StaticSlots, slotCount - 1, StaticCount, StaticEdges, StaticSorted};
    std::vector<uint32_t> heapPositions, heapSlots, heapCount;
    std::vector<Edge> heapEdges, heapSorted;
    if (indexCount > StaticIndices || vertexCount > StaticIndices) {
        heapPositions.resize(vertexCount);
        heapSlots.resize(slotCount);
        heapCount.resize(static_cast<size_t>(vertexCount) + 1);
        heapEdges.resize(static_cast<size_t>(indexCount));
        heapSorted.resize(static_cast<size_t>(indexCount));
        t = {heapPositions.data(), heapSlots.data(), slotCount - 1,
             heapCount.data(),     heapEdges.data(), heapSorted.data()};
    }
    uint32_t positions = NumberPositions(vertices, vertexCount, t);

    int edgeCount = 0;
    for (int tri = 0; tri < triangles; ++tri) {
        const uint32_t* u = indices + 3 * tri;
        for (int k = 0; k < 3; ++k) {
            uint32_t from = t.positionOf[u[k]], to = t.positionOf[u[(k + 1) % 3]];
            if (from != NoPosition && to != NoPosition) t.edges[edgeCount++] = {from, to, tri, u[(k + 2) % 3]};
        }
    }
    SortBy(t.edges, t.sorted, edgeCount, positions, t.count, [](const Edge& e) { return e.to; });
    SortBy(t.sorted, t.edges, edgeCount, positions, t.count, [](const Edge& e) { return e.from; });
    // Now t.count[p] is where the edges from position p end, and the run before it starts
    // at t.count[p - 1] (0 for p = 0).

    for (int tri = 0; tri < triangles; ++tri) {
        const uint32_t* c = indices + 3 * tri;
        uint32_t* out = adjacency + 6 * tri;
        for (int e = 0; e < 3; ++e) {
            // A neighbour runs this edge backwards: from corner e' to corner e.
            uint32_t from = t.positionOf[c[(e + 1) % 3]], to = t.positionOf[c[e]];
            if (from == NoPosition || to == NoPosition) continue;
            const Edge* begin = t.edges + (from == 0 ? 0 : t.count[from - 1]);
            const Edge* end = t.edges + t.count[from];
            const Edge* run = std::lower_bound(begin, end, to, [](const Edge& x, uint32_t v) { return x.to < v; });
            for (; run != end && run->to == to; ++run)
                if (run->triangle != tri) {
                    out[2 * e + 1] = run->outer;
                    break;
                }
        }
    }
}
