// EdgeKeys: keying and sorting triangle edges by their end positions.
#include "EdgeKeys.h"

#include <algorithm>
#include <cstring>

namespace {

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

}  // namespace

bool SameEdge(const EdgeKey& a, const EdgeKey& b)
{
    return std::equal(a.bits, a.bits + 6, b.bits);
}

int CollectEdgeKeys(const MeshVertex* vertices, const uint32_t* indices, int indexCount, EdgeKey* keys)
{
    const int triangleCount = indexCount / 3;
    int count = 0;
    for (int t = 0; t < triangleCount; ++t)
        for (int e = 0; e < 3; ++e) {
            EdgeKey& key = keys[count];
            uint32_t from[3], to[3];
            if (!PositionBits(vertices[indices[3 * t + e]].position, from) ||
                !PositionBits(vertices[indices[3 * t + (e + 1) % 3]].position, to))
                continue;
            key.forward = !std::lexicographical_compare(to, to + 3, from, from + 3);
            std::memcpy(key.bits, key.forward ? from : to, sizeof from);
            std::memcpy(key.bits + 3, key.forward ? to : from, sizeof to);
            key.entry = 6 * t + 2 * e + 1;
            ++count;
        }
    std::sort(keys, keys + count, KeyLess);
    return count;
}
