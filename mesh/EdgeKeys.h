// EdgeKeys: every triangle edge of an index list keyed by its two end positions, sorted so that
// the edges that join at the same pair of positions lie side by side.
#pragma once

#include <cstdint>

#include "MeshTypes.h"

struct EdgeKey {
    uint32_t bits[6];  // the smaller end's position bits, then the larger end's
    int entry;         // the edge's neighbour entry in the adjacency list: 6t + 2e + 1
    bool forward;      // the edge runs from the smaller end to the larger one
};

// Fills keys (room for indexCount entries) with the edges of the indexCount / 3 triangles, sorted
// on their end positions, and returns how many it wrote. Positions compare as BuildAdjacency
// compares them: -0 equals +0, and an edge with a NaN end equals no edge, so it is left out.
int CollectEdgeKeys(const MeshVertex* vertices, const uint32_t* indices, int indexCount, EdgeKey* keys);

// Whether two keys join the same two positions.
bool SameEdge(const EdgeKey& a, const EdgeKey& b);
