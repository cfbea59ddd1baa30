// The reference model reader, adjacency and sphere: plain loops written straight from the
// rules (all-pairs merging, linear corner search, all-pairs adjacency), numbers read with the
// C library's sscanf. Slow; the fast versions in mesh/ are checked against it.
#pragma once

#include <cstdint>
#include <cstdio>

#include "MeshTypes.h"

namespace oracle {

bool ReadObj(FILE* file, MeshVertex* vertices, int& vertexCount, uint32_t* indices, int& indexCount, MeshGroup* groups,
             int& groupCount, char* mtllibName);

// Zeroes the reference reader's own working tables (they persist between reads).
void ResetTables();

void BuildAdjacency(const MeshVertex* vertices, const uint32_t* indices, int indexCount, uint32_t* adjacency);

void ComputeBoundingSphere(const MeshVertex* vertices, uint32_t vertexCount, BoundingSphere& sphere);

}  // namespace oracle
