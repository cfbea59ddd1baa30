// RayCaster.cpp: median-split bounding volume hierarchy and Moller-Trumbore intersection.
#include "RayCaster.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

double Axis(Vec3d v, int axis)
{
    return axis == 0 ? v.x : (axis == 1 ? v.y : v.z);
}

Vec3d Min(Vec3d a, Vec3d b)
{
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}
Vec3d Max(Vec3d a, Vec3d b)
{
    return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

// Slab test of the ray against a box; true when it overlaps (tMin, tMax).
bool HitsBox(Vec3d lower, Vec3d upper, Vec3d origin, Vec3d direction, double tMin, double tMax)
{
    for (int axis = 0; axis < 3; ++axis) {
        const double o = Axis(origin, axis), d = Axis(direction, axis);
        if (d == 0.0) {
            if (o < Axis(lower, axis) || o > Axis(upper, axis)) return false;
            continue;
        }
        double t0 = (Axis(lower, axis) - o) / d;
        double t1 = (Axis(upper, axis) - o) / d;
        if (t0 > t1) std::swap(t0, t1);
        tMin = std::max(tMin, t0);
        tMax = std::min(tMax, t1);
        if (tMin > tMax) return false;
    }
    return true;
}

}  // namespace

RayCaster::RayCaster(std::vector<std::array<Vec3d, 3>> triangles) : triangles_(std::move(triangles))
{
    order_.resize(triangles_.size());
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<int>(i);
    if (triangles_.empty()) return;
    nodes_.reserve(2 * triangles_.size());
    nodes_.push_back({});
    Build(0, 0, static_cast<int>(triangles_.size()));
}

void RayCaster::Build(int index, int first, int count)
{
    Node node;
    node.lower = node.upper = triangles_[order_[first]][0];
    Vec3d centreLower = {INFINITY, INFINITY, INFINITY}, centreUpper = {-INFINITY, -INFINITY, -INFINITY};
    for (int i = first; i < first + count; ++i) {
        const auto& tri = triangles_[order_[i]];
        for (const Vec3d& p : tri) {
            node.lower = Min(node.lower, p);
            node.upper = Max(node.upper, p);
        }
        const Vec3d centre = (tri[0] + tri[1] + tri[2]) * (1.0 / 3.0);
        centreLower = Min(centreLower, centre);
        centreUpper = Max(centreUpper, centre);
    }
    if (count <= 4) {
        node.first = first;
        node.count = count;
        nodes_[index] = node;
        return;
    }
    const Vec3d extent = centreUpper - centreLower;
    const int axis = extent.x >= extent.y && extent.x >= extent.z ? 0 : (extent.y >= extent.z ? 1 : 2);
    const int half = count / 2;
    std::nth_element(order_.begin() + first, order_.begin() + first + half, order_.begin() + first + count,
                     [&](int a, int b) {
                         const auto& ta = triangles_[a];
                         const auto& tb = triangles_[b];
                         return Axis(ta[0], axis) + Axis(ta[1], axis) + Axis(ta[2], axis) <
                                Axis(tb[0], axis) + Axis(tb[1], axis) + Axis(tb[2], axis);
                     });
    node.first = static_cast<int>(nodes_.size());
    node.count = 0;
    nodes_[index] = node;
    nodes_.push_back({});
    nodes_.push_back({});
    Build(node.first, first, half);
    Build(node.first + 1, first + half, count - half);
}

bool RayCaster::Intersect(int triangle, Vec3d origin, Vec3d direction, double tMin, double tMax, bool frontOnly,
                          double* t) const
{
    const auto& tri = triangles_[triangle];
    const Vec3d e1 = tri[1] - tri[0], e2 = tri[2] - tri[0];
    const Vec3d p = Cross(direction, e2);
    // det = -direction . (e1 x e2): positive when the triangle's outward side, e1 x e2 as the
    // shaders take it, is turned towards the ray's origin.
    const double det = Dot(e1, p);
    if (det == 0.0 || (frontOnly && det < 0.0)) return false;
    const double inverse = 1.0 / det;
    const Vec3d s = origin - tri[0];
    const double u = Dot(s, p) * inverse;
    if (u < 0.0 || u > 1.0) return false;
    const Vec3d q = Cross(s, e1);
    const double v = Dot(direction, q) * inverse;
    if (v < 0.0 || u + v > 1.0) return false;
    const double distance = Dot(e2, q) * inverse;
    if (!(distance > tMin && distance < tMax)) return false;
    *t = distance;
    return true;
}

template <bool AnyOnly, bool FrontOnly>
bool RayCaster::Traverse(Vec3d origin, Vec3d direction, double tMin, double tMax, int skip, RayHit* hit) const
{
    if (nodes_.empty()) return false;
    bool found = false;
    int stack[128];
    int depth = 0;
    stack[depth++] = 0;
    while (depth > 0) {
        const Node& node = nodes_[stack[--depth]];
        if (!HitsBox(node.lower, node.upper, origin, direction, tMin, tMax)) continue;
        if (node.count == 0) {
            stack[depth++] = node.first;
            stack[depth++] = node.first + 1;
            continue;
        }
        for (int i = node.first; i < node.first + node.count; ++i) {
            const int triangle = order_[i];
            double t;
            if (triangle == skip || !Intersect(triangle, origin, direction, tMin, tMax, FrontOnly, &t)) continue;
            if (AnyOnly) return true;
            found = true;
            tMax = t;  // only nearer hits from now on
            hit->t = t;
            hit->triangle = triangle;
        }
    }
    return found;
}

bool RayCaster::FirstHit(Vec3d origin, Vec3d direction, double tMin, double tMax, RayHit* hit) const
{
    return Traverse<false>(origin, direction, tMin, tMax, -1, hit);
}

bool RayCaster::FirstFrontHit(Vec3d origin, Vec3d direction, double tMin, double tMax, RayHit* hit) const
{
    return Traverse<false, true>(origin, direction, tMin, tMax, -1, hit);
}

bool RayCaster::AnyHit(Vec3d origin, Vec3d direction, double tMin, double tMax, int skip) const
{
    return Traverse<true>(origin, direction, tMin, tMax, skip, nullptr);
}
