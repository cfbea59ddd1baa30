// BuildAdjacency: the triangle list with adjacency (six entries per triangle) that the
// shadow-volume geometry shader reads.
#pragma once

#include <cstdint>

#include "MeshTypes.h"

constexpr uint32_t OpenEdge = 0xFFFFFFFFu;

// For triangle t with corners a, b, c (indices 3t..3t+2) writes adjacency[6t..6t+5] as
// a, n(a->b), b, n(b->c), c, n(c->a), where n is the outer corner of the triangle that runs
// the same edge in the opposite direction (positions compared exactly, +0 equal to -0, NaN
// equal to nothing), or OpenEdge. Where several triangles qualify, the earliest in the list
// wins, and within it the first of its edges in the order (u0,u1), (u1,u2), (u2,u0).
// Writes all 2 * indexCount entries; every index must be a valid vertex. An index count
// that is not a multiple of 3 leaves its last one or two indices as open entries.
void BuildAdjacency(const MeshVertex* vertices, const uint32_t* indices, int indexCount, uint32_t* adjacency);
