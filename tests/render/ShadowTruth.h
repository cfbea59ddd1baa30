// ShadowTruth.h: what a frame should show, worked out by ray casting on the CPU: which pixels
// show the model, and which of those are shadowed (the segment from the surface seen at the
// pixel centre to the light meets the model). Compared against the renderer's stencil counts.
#pragma once

#include <cstdint>
#include <vector>

#include "RayCaster.h"

struct PixelTruth {
    bool covered = false;   // the camera ray through the pixel centre meets a front face of the model
    bool shadowed = false;  // the surface it meets is turned from the light or cannot see it
    int group = -1;         // the draw group of the triangle met
    double depth = 0.0;     // distance along the camera ray
};

// Casts every pixel of a width x height frame seen from CameraDistance `distance`, with the
// triangles already in world space (as placed by the frame's world matrix).
std::vector<PixelTruth> CastFrame(const RayCaster& model, const std::vector<int>& groups, float distance, int width,
                                  int height);

// Pixels next to a silhouette, where a pixel-centre sample may fall either way: a pixel is left
// out when any pixel of its 3 x 3 neighbourhood differs from it in coverage, group, shadow or
// depth (a jump of more than `depthJump`).
std::vector<bool> NearSilhouette(const std::vector<PixelTruth>& truth, int width, int height, double depthJump);

struct Agreement {
    int modelPixels = 0;  // pixels that show the model
    int compared = 0;     // of those, away from silhouettes
    int agreeing = 0;     // of those, where stencil != 0 exactly when shadowed
    double Fraction() const { return compared ? double(agreeing) / compared : 0.0; }
};

Agreement CompareStencil(const std::vector<PixelTruth>& truth, const std::vector<bool>& excluded,
                         const std::vector<uint8_t>& stencil);
