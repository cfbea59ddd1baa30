// ComputeBoundingSphere: Ritter's two-pass enclosing sphere of the vertex positions.
#pragma once

#include <cstdint>

#include "MeshTypes.h"

// First the widest of the three pairs of axis-extreme points spans a sphere (ties go to the
// later axis), then one pass grows it to take in every position outside it. Depends on the
// vertex order. A vertex count of 0 gives centre (0, 0, 0) and radius 0.
void ComputeBoundingSphere(const MeshVertex* vertices, uint32_t vertexCount, BoundingSphere& sphere);

// Why a model with this sphere cannot be shown, which is scaled by 1 / radius into the unit
// sphere: null when the radius is positive and it, its reciprocal and the centre are finite.
const char* DescribeSphereProblem(const BoundingSphere& sphere);
