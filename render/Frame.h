// Frame.h: the constant-buffer image that every draw receives, and the three-pass frame.
#pragma once

#include <cstddef>

#include <windef.h>

#include "TransformMath.h"

// The layout of the one constant buffer, bound at slot 0 of the vertex, geometry and pixel
// stages. Matrices are stored transposed: floats 4k to 4k+3 hold column k of the row-vector
// matrix, which the shaders (column-major packing) read back as the matrix itself.
struct FrameConstants {
    Matrix4x4 world;             // every frame
    Matrix4x4 view;              // every frame
    Matrix4x4 projection;        // only when the render targets are built
    float diffuse[4];            // Kd red, green, blue and d of the group about to be drawn
    float viewLightPosition[3];  // the light in view space, every frame
    float volumeSides;           // which triangles of the group make shadow volumes (VolumeSides)
};
static_assert(sizeof(FrameConstants) == 224);
static_assert(offsetof(FrameConstants, world) == 0);
static_assert(offsetof(FrameConstants, view) == 64);
static_assert(offsetof(FrameConstants, projection) == 128);
static_assert(offsetof(FrameConstants, diffuse) == 192);
static_assert(offsetof(FrameConstants, viewLightPosition) == 208);
static_assert(offsetof(FrameConstants, volumeSides) == 220);

// The CPU-side image; after each upload it is exactly the content of FrameConstantBuffer.
extern FrameConstants FrameConstantsImage;

// Draws one frame and presents it; returns Present's result unchanged.
HRESULT RenderFrame();

// Everything RenderFrame does before the present: clear, transforms, shared bindings and the
// three passes. RenderFrame is this followed by Present; without a swap chain (the offscreen
// renderer of tests and tools) frames are drawn with this alone.
void DrawFrame();

// The three passes, in the order RenderFrame draws them; each sets all the state it uses.
void DrawScenePass();
void DrawShadowVolumePass();
void DrawShadowPass();

// Passes 1 and 2 draw the model group by group: one upload of the whole image, one texture bind
// and one indexed draw per group with indices; adjacency ranges are twice the plain ones.
void DrawMeshGroups(bool useAdjacency);
