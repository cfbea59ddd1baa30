// Test helper: runs a reader over OBJ text and keeps everything it produced.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MeshTypes.h"
#include "ObjReader.h"

struct LoadResult {
    bool ok = false;
    ObjReadStatus status{};
    int vertexCount = 0, indexCount = 0, groupCount = 0;
    std::vector<MeshVertex> vertices = std::vector<MeshVertex>(kObjMaxVertices);
    std::vector<uint32_t> indices = std::vector<uint32_t>(kObjMaxIndices);
    std::vector<MeshGroup> groups = std::vector<MeshGroup>(kObjMaxGroups);
    char mtllib[kObjNameRoom] = {};
    std::vector<uint32_t> adjacency;
    BoundingSphere sphere{};

    bool Loaded() const { return ok && vertexCount > 0 && indexCount > 0; }
};

// The product's reader (then adjacency and sphere when the load succeeds).
LoadResult LoadWithProduct(const std::string& text);
// The reference loops.
LoadResult LoadWithOracle(const std::string& text);
