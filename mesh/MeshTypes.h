// The mesh records: a vertex as it lies in the vertex buffer, a draw group, a bounding
// sphere, and one OBJ face corner.
#pragma once

#include <cmath>
#include <cstdint>

#include "ObjLimits.h"

struct Float3 {
    float x, y, z;
};

struct Float2 {
    float x, y;
};

// 32 bytes, tightly packed: position at 0, normal at 12, texcoord at 24.
struct MeshVertex {
    Float3 position;
    Float3 normal;
    Float2 texcoord;
};
static_assert(sizeof(MeshVertex) == 32, "MeshVertex is the vertex buffer's 32-byte layout");

// A run of consecutive triangles drawn with one material.
struct MeshGroup {
    char name[ObjNameRoom];          // zero-terminated
    char materialName[ObjNameRoom];  // zero-terminated; empty when the group names none
    int32_t startIndex;              // first position in the plain index list
    int32_t indexCount;              // a multiple of 3
};

struct BoundingSphere {
    Float3 center;
    float radius;
};

// One face corner: 1-based position, texture-coordinate and normal references while a file
// is read (0 = not given); 0-based (-1 = not given) once the vertices are built.
struct ObjCorner {
    int32_t position;
    int32_t texcoord;
    int32_t normal;
};

// Euclidean length in single precision, always summed in this order so that threshold
// decisions and the bounding sphere are reproducible bit for bit.
inline float Length3(float dx, float dy, float dz)
{
    return std::sqrt((dx * dx + dy * dy) + dz * dz);
}
