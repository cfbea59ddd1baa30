// Test helper: runs a reader over OBJ text and keeps everything it produced.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MeshTypes.h"
#include "ObjReader.h"

struct LoadResult {
    bool ok = false;
    ObjReadStatus status{};
    int vertexCount = 0, indexCount = 0, groupCount = 0;
    // Full room as the reader requires, left uninitialised: only what it writes is compared.
    std::unique_ptr<MeshVertex[]> vertices = std::make_unique_for_overwrite<MeshVertex[]>(ObjMaxVertices);
    std::unique_ptr<uint32_t[]> indices = std::make_unique_for_overwrite<uint32_t[]>(ObjMaxIndices);
    std::unique_ptr<MeshGroup[]> groups = std::make_unique_for_overwrite<MeshGroup[]>(ObjMaxGroups);
    char mtllib[ObjNameRoom] = {};
    std::vector<uint32_t> adjacency;
    BoundingSphere sphere{};

    bool Loaded() const { return ok && vertexCount > 0 && indexCount > 0; }
};

// The product's reader (then adjacency and sphere when the load succeeds).
LoadResult LoadWithProduct(const std::string& text);
// The same into an existing result, reusing its arrays (a fuzzer's loop: no large allocation
// for every input).
void LoadWithProduct(const std::string& text, LoadResult& result);
// The reference loops.
LoadResult LoadWithOracle(const std::string& text);
