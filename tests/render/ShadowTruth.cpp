// ShadowTruth.cpp: camera rays through pixel centres, shadow rays to the light, comparisons.
#include "ShadowTruth.h"

#include <cmath>
#include <cstdlib>

#include "SharedState.h"
#include "TransformMath.h"

std::vector<PixelTruth> CastFrame(const RayCaster& model, const std::vector<int>& groups, float distance, int width,
                                  int height)
{
    const Matrix4x4 view = FrameViewMatrix(distance);
    const Matrix4x4 projection = TargetProjectionMatrix(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    const Vec3d eye = {0.0, distance, -distance};
    const Vec3d light = {LightPosition.x, LightPosition.y, LightPosition.z};

    std::vector<PixelTruth> truth(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // The pixel centre in view space at depth 1, then turned into world space by the
            // transpose of the view's rotation.
            const double ndcX = 2.0 * (x + 0.5) / width - 1.0;
            const double ndcY = 1.0 - 2.0 * (y + 0.5) / height;
            const double v[3] = {ndcX / projection.m[0][0], ndcY / projection.m[1][1], 1.0};
            Vec3d direction;
            direction.x = v[0] * view.m[0][0] + v[1] * view.m[0][1] + v[2] * view.m[0][2];
            direction.y = v[0] * view.m[1][0] + v[1] * view.m[1][1] + v[2] * view.m[1][2];
            direction.z = v[0] * view.m[2][0] + v[1] * view.m[2][1] + v[2] * view.m[2][2];

            // The scene pass culls back faces: a one-sided sheet seen from behind is not there.
            RayHit hit;
            if (!model.FirstFrontHit(eye, direction, 0.0, INFINITY, &hit)) continue;
            PixelTruth& pixel = truth[size_t(y) * width + x];
            pixel.covered = true;
            pixel.group = groups[hit.triangle];
            pixel.depth = hit.t * std::sqrt(Dot(direction, direction));
            const Vec3d surface = eye + direction * hit.t;
            // A surface whose seen side is turned from the light is in its own shadow (on a
            // closed model the far side always lies between as well; a one-sided sheet seen from
            // the side away from the light has nothing else in the way). Otherwise up to the
            // light, not counting the triangle the surface lies on; the start is kept a few
            // millionths of the way out so that rounding does not find the surface itself.
            const auto& seen = model.Triangle(hit.triangle);
            const Vec3d outward = Cross(seen[1] - seen[0], seen[2] - seen[0]);
            pixel.shadowed = Dot(outward, light - surface) <= 0.0 ||
                             model.AnyHit(surface, light - surface, 1.0e-6, 1.0, hit.triangle);
        }
    return truth;
}

std::vector<bool> NearSilhouette(const std::vector<PixelTruth>& truth, int width, int height, double depthJump)
{
    std::vector<bool> excluded(truth.size(), false);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const PixelTruth& pixel = truth[size_t(y) * width + x];
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
                    const PixelTruth& other = truth[size_t(ny) * width + nx];
                    if (other.covered != pixel.covered || other.group != pixel.group ||
                        other.shadowed != pixel.shadowed ||
                        (pixel.covered && std::abs(other.depth - pixel.depth) > depthJump))
                        excluded[size_t(y) * width + x] = true;
                }
        }
    return excluded;
}

Agreement CompareStencil(const std::vector<PixelTruth>& truth, const std::vector<bool>& excluded,
                         const std::vector<uint8_t>& stencil)
{
    Agreement result;
    for (size_t i = 0; i < truth.size() && i < stencil.size(); ++i) {
        if (!truth[i].covered) continue;
        ++result.modelPixels;
        if (excluded[i]) continue;
        ++result.compared;
        if ((stencil[i] != 0) == truth[i].shadowed) ++result.agreeing;
    }
    return result;
}
