// Adjacency through a map of directed edges keyed on the exact bits of their end positions
// (-0 stored as +0; edges touching a NaN never match). Each key's edges are chained in list
// order, triangle first and then edge k, so the first entry that is not the triangle itself
// is the earliest qualifying candidate with its first qualifying k: the all-pairs result.
#include "Adjacency.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int kStaticEdges = 65535;  // the largest index list the OBJ reader produces
constexpr int kStaticSlotBits = 17;

struct EdgeKey {
    uint32_t bits[6];  // from x, y, z, to x, y, z
    bool operator==(const EdgeKey& o) const { return memcmp(bits, o.bits, sizeof bits) == 0; }
};

struct Edge {
    EdgeKey key;
    int32_t triangle;
    uint32_t outer;    // the candidate's corner that is not on this edge
    int32_t next;      // next edge with the same key, 0-based; -1 = end
};

// Fixed tables for every model the reader can produce; larger lists get one heap allocation.
Edge gEdges[kStaticEdges];
int32_t gSlots[1u << kStaticSlotBits];  // 1-based first edge of a key, 0 = empty

bool KeyBits(const Float3& p, uint32_t* out)
{
    const float c[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) {
        if (std::isnan(c[i]))
            return false;
        float v = c[i] == 0.0f ? 0.0f : c[i];
        memcpy(&out[i], &v, sizeof v);
    }
    return true;
}

bool MakeKey(const Float3& from, const Float3& to, EdgeKey& key)
{
    return KeyBits(from, key.bits) && KeyBits(to, key.bits + 3);
}

uint32_t HashKey(const EdgeKey& key, uint32_t mask)
{
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (uint32_t b : key.bits)
        h = (h ^ b) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 32;
    return static_cast<uint32_t>(h) & mask;
}

} // namespace

void BuildAdjacency(const MeshVertex* vertices, const uint32_t* indices, int indexCount, uint32_t* adjacency)
{
    if (indexCount <= 0)
        return;
    const int triangles = indexCount / 3;
    for (int i = triangles * 3; i < indexCount; ++i) {
        adjacency[2 * i] = indices[i];
        adjacency[2 * i + 1] = kOpenEdge;
    }

    Edge* edges = gEdges;
    int32_t* slots = gSlots;
    uint32_t slotMask = (1u << kStaticSlotBits) - 1;
    std::vector<Edge> heapEdges;
    std::vector<int32_t> heapSlots;
    if (indexCount > kStaticEdges) {
        uint32_t slotCount = 1;
        while (slotCount < 2u * static_cast<uint32_t>(indexCount))
            slotCount <<= 1;
        heapEdges.resize(static_cast<size_t>(indexCount));
        heapSlots.assign(slotCount, 0);
        edges = heapEdges.data();
        slots = heapSlots.data();
        slotMask = slotCount - 1;
    } else {
        memset(gSlots, 0, sizeof gSlots);
    }

    // Insert the directed edges from the last to the first, pushing each at its chain's
    // head, so that every chain runs in list order.
    for (int t = triangles - 1; t >= 0; --t) {
        const uint32_t* u = indices + 3 * t;
        for (int k = 2; k >= 0; --k) {
            Edge& e = edges[3 * t + k];
            e.triangle = t;
            e.outer = u[(k + 2) % 3];
            e.next = -1;
            if (!MakeKey(vertices[u[k]].position, vertices[u[(k + 1) % 3]].position, e.key))
                continue;
            uint32_t slot = HashKey(e.key, slotMask);
            while (slots[slot] != 0 && !(edges[slots[slot] - 1].key == e.key))
                slot = (slot + 1) & slotMask;
            e.next = slots[slot] - 1;
            slots[slot] = 3 * t + k + 1;
        }
    }

    for (int t = 0; t < triangles; ++t) {
        const uint32_t* c = indices + 3 * t;
        uint32_t* out = adjacency + 6 * t;
        for (int e = 0; e < 3; ++e) {
            out[2 * e] = c[e];
            out[2 * e + 1] = kOpenEdge;
            // A neighbour runs this edge backwards: from corner e' to corner e.
            EdgeKey key;
            if (!MakeKey(vertices[c[(e + 1) % 3]].position, vertices[c[e]].position, key))
                continue;
            uint32_t slot = HashKey(key, slotMask);
            while (slots[slot] != 0 && !(edges[slots[slot] - 1].key == key))
                slot = (slot + 1) & slotMask;
            for (int32_t i = slots[slot] - 1; i >= 0; i = edges[i].next)
                if (edges[i].triangle != t) {
                    out[2 * e + 1] = edges[i].outer;
                    break;
                }
        }
    }
}
