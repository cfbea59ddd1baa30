// OpenSharedEdges: finding the edges shared by more than two triangles, by sorting every edge on
// its pair of end positions.
#include "SharedEdges.h"

#include <new>

#include "Adjacency.h"
#include "EdgeKeys.h"

bool OpenSharedEdges(const MeshVertex* vertices, const uint32_t* indices, int indexCount, uint32_t* adjacency)
{
    EdgeKey* edges = new (std::nothrow) EdgeKey[size_t(indexCount) + 1];
    if (edges == nullptr) return false;
    const int edgeCount = CollectEdgeKeys(vertices, indices, indexCount, edges);
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
