// Ritter's bounding sphere in single precision, with strict comparisons throughout so that
// the earliest of equal extremes stays and a point on the sphere changes nothing.
#include "BoundingSphere.h"

#include <cmath>

namespace {

float Distance(const Float3& a, const Float3& b)
{
    return Length3(a.x - b.x, a.y - b.y, a.z - b.z);
}

}  // namespace

void ComputeBoundingSphere(const MeshVertex* vertices, uint32_t vertexCount, BoundingSphere& sphere)
{
    if (vertexCount == 0) {
        sphere = {{0.0f, 0.0f, 0.0f}, 0.0f};
        return;
    }

    Float3 minX = vertices[0].position, maxX = minX, minY = minX, maxY = minX, minZ = minX, maxZ = minX;
    for (uint32_t i = 1; i < vertexCount; ++i) {
        const Float3& p = vertices[i].position;
        if (minX.x > p.x) minX = p;
        if (maxX.x < p.x) maxX = p;
        if (minY.y > p.y) minY = p;
        if (maxY.y < p.y) maxY = p;
        if (minZ.z > p.z) minZ = p;
        if (maxZ.z < p.z) maxZ = p;
    }

    float dx = Distance(maxX, minX);
    float dy = Distance(maxY, minY);
    float dz = Distance(maxZ, minZ);
    Float3 a, b;
    if (dy < dx && dz < dx) {
        a = minX;
        b = maxX;
    } else if (dx <= dy && dz < dy) {
        a = minY;
        b = maxY;
    } else {
        a = minZ;
        b = maxZ;
    }
    Float3 center = {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f, (a.z + b.z) * 0.5f};
    float radius = 0.5f * Distance(b, a);

    for (uint32_t i = 0; i < vertexCount; ++i) {
        const Float3& p = vertices[i].position;
        float d = Distance(p, center);
        if (radius < d) {
            float grown = (radius + d) * 0.5f;
            float move = 1.0f - grown * (1.0f / d);
            center.x = center.x + move * (p.x - center.x);
            center.y = center.y + move * (p.y - center.y);
            center.z = center.z + move * (p.z - center.z);
            radius = grown;
        }
    }
    sphere = {center, radius};
}

const char* DescribeSphereProblem(const BoundingSphere& sphere)
{
    if (sphere.radius == 0.0f) return "the model has no extent: all its positions are one point";
    const bool finite = std::isfinite(sphere.radius) && std::isfinite(1.0f / sphere.radius) &&
                        std::isfinite(sphere.center.x) && std::isfinite(sphere.center.y) &&
                        std::isfinite(sphere.center.z);
    if (!finite) return "the model's extent is not a finite number (a position too large or too small to scale)";
    return nullptr;
}
