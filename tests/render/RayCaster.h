// RayCaster.h: exact ray casting against a triangle soup in double precision, through a bounding
// volume hierarchy so that a 640 x 480 picture of a 20 000-triangle model takes seconds. The
// rendering tests use it as ground truth for what the camera sees and what the light reaches.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

struct Vec3d {
    double x, y, z;
};

inline Vec3d operator+(Vec3d a, Vec3d b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3d operator-(Vec3d a, Vec3d b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3d operator*(Vec3d a, double s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline double Dot(Vec3d a, Vec3d b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3d Cross(Vec3d a, Vec3d b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct RayHit {
    double t;
    int triangle;  // index into the triangle list
};

class RayCaster {
  public:
    explicit RayCaster(std::vector<std::array<Vec3d, 3>> triangles);

    // Nearest triangle that the ray origin + t * direction meets with tMin < t < tMax.
    bool FirstHit(Vec3d origin, Vec3d direction, double tMin, double tMax, RayHit* hit) const;
    // The same, among the triangles that face the ray's origin (clockwise as seen from it, the
    // scene pass's front faces): what the camera sees with back faces culled.
    bool FirstFrontHit(Vec3d origin, Vec3d direction, double tMin, double tMax, RayHit* hit) const;
    // Whether any triangle other than `skip` meets the ray with tMin < t < tMax.
    bool AnyHit(Vec3d origin, Vec3d direction, double tMin, double tMax, int skip) const;

    const std::array<Vec3d, 3>& Triangle(int i) const { return triangles_[i]; }
    int TriangleCount() const { return static_cast<int>(triangles_.size()); }

  private:
    struct Node {
        Vec3d lower, upper;
        int first, count;  // leaf: range in order_; inner: count 0, children first and first + 1
    };
    void Build(int node, int first, int count);
    bool Intersect(int triangle, Vec3d origin, Vec3d direction, double tMin, double tMax, bool frontOnly,
                   double* t) const;
    template <bool AnyOnly, bool FrontOnly = false>
    bool Traverse(Vec3d origin, Vec3d direction, double tMin, double tMax, int skip, RayHit* hit) const;

    std::vector<std::array<Vec3d, 3>> triangles_;
    std::vector<int> order_;
    std::vector<Node> nodes_;
};
