// OpenSharedEdges: the adjacency list as the shadow-volume pass uses it, where an edge that more
// than two triangles share is treated as open.
#pragma once

#include <cstdint>

#include "MeshTypes.h"

// BuildAdjacency pairs each edge with the first triangle that runs it the other way, and where
// three or more triangles meet on one edge that pairing is not mutual: A may name B while C
// names A too. The adjacency geometry shader walls an edge only where the pair's two triangles
// differ, so one of the volumes there stays open. This sets every neighbour entry of such an
// edge (its two end positions, in either order, used by more than two triangle edges; positions
// compared as BuildAdjacency compares them) to OpenEdge: each triangle on it then walls the edge
// itself, as the plain method does, which closes every volume. Entries of edges used by at most
// two triangle edges are left as they are. indexCount must be a multiple of 3. False (with the
// list unchanged) only when its work array cannot be allocated.
bool OpenSharedEdges(const MeshVertex* vertices, const uint32_t* indices, int indexCount, uint32_t* adjacency);
