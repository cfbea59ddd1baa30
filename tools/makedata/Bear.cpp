// Bear.cpp: the bear model as separate closed shells (body, head, snout, nose, eyes, ears,
// inner ears, legs, tail), each a deformed sphere tessellated by rings and segments.
#include "MakeData.h"

#include <cmath>
#include <functional>

namespace makedata {
namespace {
constexpr double Pi = 3.14159265358979323846;

// Maps a unit direction d to a point of the part's surface.
using SurfaceFunction = std::function<Vec3(const Vec3& d)>;

// Where a shell's poles lie: the texture converges there, so long parts put them at their ends.
enum class Poles {
    TopBottom,  // +y and -y; texture seam at the back (+z)
    BackFront,  // +z and -z; texture seam underneath (-y)
};

// A sphere-like shell with `rings` bands from the first pole to the second and `segments`
// columns around the axis between them. The poles are single positions; the seam column
// repeats the first column's positions with u = uRepeat.
Shell MakeBlob(const char* group, const char* material, int rings, int segments, double uRepeat, double vRepeat,
               const SurfaceFunction& surface, Poles poles = Poles::TopBottom)
{
    Shell s{group, material, {}, {}, {}};
    // Directions on the unit sphere, first pole at theta = 0. BackFront is TopBottom turned a
    // quarter about x, a rotation, so the winding below stays outward for both.
    auto direction = [poles](double theta, double phi) {
        const Vec3 d{-std::sin(theta) * std::sin(phi), std::cos(theta), std::sin(theta) * std::cos(phi)};
        return poles == Poles::TopBottom ? d : Vec3{d.x, -d.z, d.y};
    };
    // Positions: first pole, rings 1 .. rings-1 (segments each), second pole.
    s.positions.push_back(surface(direction(0.0, 0.0)));
    for (int i = 1; i < rings; ++i)
        for (int j = 0; j < segments; ++j)
            s.positions.push_back(surface(direction(Pi * i / rings, 2.0 * Pi * j / segments)));
    s.positions.push_back(surface(direction(Pi, 0.0)));
    const int bottom = static_cast<int>(s.positions.size()) - 1;
    auto ringPosition = [segments](int i, int j) { return 1 + (i - 1) * segments + j % segments; };

    // Texture coordinates: one per pole triangle, then a (segments + 1)-wide grid per ring.
    for (int j = 0; j < segments; ++j) s.texcoords.push_back({uRepeat * (j + 0.5) / segments, 0.0});
    for (int j = 0; j < segments; ++j) s.texcoords.push_back({uRepeat * (j + 0.5) / segments, vRepeat});
    const int gridStart = 2 * segments;
    for (int i = 1; i < rings; ++i)
        for (int j = 0; j <= segments; ++j) s.texcoords.push_back({uRepeat * j / segments, vRepeat * i / rings});
    auto ringTexcoord = [=](int i, int j) { return gridStart + (i - 1) * (segments + 1) + j; };

    // With theta growing downwards and phi around, (p(i,j), p(i,j+1), p(i+1,j)) faces outwards.
    for (int j = 0; j < segments; ++j) {
        s.triangles.push_back(
            {{{0, j}, {ringPosition(1, j + 1), ringTexcoord(1, j + 1)}, {ringPosition(1, j), ringTexcoord(1, j)}}});
        for (int i = 1; i + 1 < rings; ++i) {
            const Corner c00{ringPosition(i, j), ringTexcoord(i, j)};
            const Corner c01{ringPosition(i, j + 1), ringTexcoord(i, j + 1)};
            const Corner c10{ringPosition(i + 1, j), ringTexcoord(i + 1, j)};
            const Corner c11{ringPosition(i + 1, j + 1), ringTexcoord(i + 1, j + 1)};
            s.triangles.push_back({{c00, c01, c10}});
            s.triangles.push_back({{c01, c11, c10}});
        }
        s.triangles.push_back({{{ringPosition(rings - 1, j), ringTexcoord(rings - 1, j)},
                                {ringPosition(rings - 1, j + 1), ringTexcoord(rings - 1, j + 1)},
                                {bottom, segments + j}}});
    }
    return s;
}

// A superellipsoid: exponent 2 is an ellipsoid, larger ones are boxier (stumpy legs, body).
SurfaceFunction Superellipsoid(Vec3 centre, Vec3 radii, double exponent)
{
    return [=](const Vec3& d) {
        const double n = std::pow(std::pow(std::fabs(d.x), exponent) + std::pow(std::fabs(d.y), exponent) +
                                      std::pow(std::fabs(d.z), exponent),
                                  1.0 / exponent);
        return Vec3{centre.x + radii.x * d.x / n, centre.y + radii.y * d.y / n, centre.z + radii.z * d.z / n};
    };
}

Vec3 Add(Vec3 a, Vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 Scale(Vec3 a, double k)
{
    return {a.x * k, a.y * k, a.z * k};
}
Vec3 Unit(Vec3 a)
{
    return Scale(a, 1.0 / std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z));
}
}  // namespace

std::vector<Shell> BuildBear()
{
    std::vector<Shell> parts;

    // Body: a long rounded barrel with a shoulder hump at the front top.
    const Vec3 bodyCentre{0.0, 0.95, 0.15};
    const SurfaceFunction bodyShape = Superellipsoid({0, 0, 0}, {0.62, 0.58, 0.90}, 2.2);
    parts.push_back(MakeBlob(
        "body", "fur", 32, 48, 3.0, 2.0,
        [&](const Vec3& d) {
            Vec3 p = bodyShape(d);
            const double hump = 1.0 + 0.12 * std::fmax(0.0, d.y) * std::fmax(0.0, -d.z);
            return Vec3{bodyCentre.x + p.x, bodyCentre.y + p.y * hump, bodyCentre.z + p.z};
        },
        Poles::BackFront));

    // Head: round, a little wider at the cheeks.
    const Vec3 head{0.0, 1.50, -0.78};
    parts.push_back(MakeBlob(
        "head", "fur", 28, 40, 2.0, 1.0,
        [&](const Vec3& d) {
            const double cheeks = 1.0 + 0.08 * (1.0 - d.y * d.y) * std::fmax(0.0, -d.y + 0.3);
            return Vec3{head.x + 0.46 * d.x * cheeks, head.y + 0.42 * d.y, head.z + 0.43 * d.z};
        },
        Poles::BackFront));

    // Snout, lighter fur, sticking out of the head's front; the nose sits on its tip.
    parts.push_back(MakeBlob("snout", "muzzle", 18, 28, 1.0, 1.0,
                             Superellipsoid({0.0, 1.38, -1.20}, {0.20, 0.16, 0.24}, 2.0), Poles::BackFront));
    parts.push_back(
        MakeBlob("nose", "nose", 12, 16, 1.0, 1.0, Superellipsoid({0.0, 1.46, -1.42}, {0.085, 0.06, 0.06}, 2.0)));

    // Eyes: small dark spheres half sunk into the head's front above the snout.
    for (int side = -1; side <= 1; side += 2) {
        const Vec3 at = Add(head, Scale(Unit({0.38 * side, 0.33, -0.86}), 0.41));
        parts.push_back(MakeBlob(side < 0 ? "eye_right" : "eye_left", "nose", 10, 12, 1.0, 1.0,
                                 Superellipsoid(at, {0.05, 0.05, 0.05}, 2.0)));
    }

    // Ears: round flat discs on top of the head, with a lighter inner disc in front.
    for (int side = -1; side <= 1; side += 2) {
        const Vec3 ear{0.30 * side, 1.84, -0.74};
        parts.push_back(MakeBlob(side < 0 ? "ear_right" : "ear_left", "fur", 14, 20, 1.0, 1.0,
                                 Superellipsoid(ear, {0.15, 0.15, 0.06}, 2.0)));
        parts.push_back(MakeBlob(side < 0 ? "ear_inner_right" : "ear_inner_left", "muzzle", 10, 16, 1.0, 1.0,
                                 Superellipsoid(Add(ear, {0.0, -0.015, -0.045}), {0.095, 0.09, 0.03}, 2.0)));
    }

    // Legs: stumpy columns from the ground into the body.
    const struct {
        const char* name;
        double x, z;
    } legs[] = {{"leg_front_right", -0.36, -0.42},
                {"leg_front_left", 0.36, -0.42},
                {"leg_back_right", -0.38, 0.66},
                {"leg_back_left", 0.38, 0.66}};
    for (const auto& leg : legs)
        parts.push_back(
            MakeBlob(leg.name, "fur", 18, 24, 1.0, 1.0, Superellipsoid({leg.x, 0.45, leg.z}, {0.20, 0.45, 0.22}, 2.6)));

    parts.push_back(
        MakeBlob("tail", "fur", 10, 12, 1.0, 1.0, Superellipsoid({0.0, 1.12, 1.02}, {0.11, 0.11, 0.11}, 2.0)));
    return parts;
}

std::vector<Vec3> ShellNormals(const Shell& shell)
{
    std::vector<Vec3> sum(shell.positions.size(), Vec3{0, 0, 0});
    for (const auto& t : shell.triangles) {
        const Vec3& a = shell.positions[t[0].position];
        const Vec3& b = shell.positions[t[1].position];
        const Vec3& c = shell.positions[t[2].position];
        const Vec3 e1{b.x - a.x, b.y - a.y, b.z - a.z};
        const Vec3 e2{c.x - a.x, c.y - a.y, c.z - a.z};
        const Vec3 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
        for (const Corner& k : t) sum[k.position] = Add(sum[k.position], n);
    }
    for (Vec3& n : sum) n = Unit(n);
    return sum;
}
}  // namespace makedata
