// FramePictureTest.cpp: whole frames drawn offscreen at 640 x 480 with the clock frozen, checked
// against CPU ray casting: the model where the camera sees it, and shadow counts exactly where
// the light is blocked, for several spin angles, both camera limits and both volume methods.
#include <PlatformTestHooks.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "Frame.h"
#include "Graphics.h"
#include "RenderTestSupport.h"
#include "SharedState.h"
#include "ShadowTruth.h"
#include "StartupFailure.h"

namespace {

constexpr int Width = 640;
constexpr int Height = 480;

struct FrameResult {
    std::vector<uint8_t> rgba;
    std::vector<uint8_t> stencil;
};

FrameResult Draw(uint32_t milliseconds, float distance, bool adjacency)
{
    platform_test::SetTime(true, milliseconds);
    CameraDistance = distance;
    UseAdjacency = adjacency;
    DrawFrame();
    FrameResult result;
    EXPECT_TRUE(ReadPixels(OffscreenTarget, &result.rgba));
    EXPECT_TRUE(ReadStencilValues(&result.stencil));
    return result;
}

bool IsClearColour(const uint8_t* p)
{
    // ClearColor (0, 0.125, 0.3, 1) in 8 bits, allowing for either rounding.
    return p[0] <= 1 && std::abs(p[1] - 32) <= 1 && std::abs(p[2] - 77) <= 1;
}

class FramePictureTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(directory_.ok());
        ASSERT_EQ(renderer_.result(), S_OK);
    }
    void TearDown() override
    {
        CameraDistance = MinCameraDistance;
        UseAdjacency = true;
    }

    // Ground truth for one clock reading and camera distance.
    std::vector<PixelTruth> Truth(uint32_t milliseconds, float distance)
    {
        std::vector<std::array<Vec3d, 3>> triangles;
        std::vector<int> groups;
        EXPECT_TRUE(WorldTriangles(milliseconds, &triangles, &groups));
        const RayCaster model(std::move(triangles));
        return CastFrame(model, groups, distance, Width, Height);
    }

    WorkingDirectory directory_;
    OffscreenRenderer renderer_{Width, Height};
};

TEST_F(FramePictureTest, ModelIsCentredAndCoversWhatTheCameraSees)
{
    for (const float distance : {MinCameraDistance, MaxCameraDistance}) {
        const uint32_t milliseconds = 400;
        const std::vector<PixelTruth> truth = Truth(milliseconds, distance);
        const FrameResult frame = Draw(milliseconds, distance, true);

        int expected = 0, drawn = 0, both = 0;
        double sumX = 0.0, sumY = 0.0;
        for (int i = 0; i < Width * Height; ++i) {
            const bool isModel = !IsClearColour(&frame.rgba[size_t(i) * 4]);
            expected += truth[i].covered;
            drawn += isModel;
            both += isModel && truth[i].covered;
            if (isModel) {
                sumX += i % Width + 0.5;
                sumY += i / Width + 0.5;
            }
        }
        ASSERT_GT(drawn, 0);
        const double overlap = double(both) / (expected + drawn - both);
        std::printf("distance %.1f: model pixels expected %d, drawn %d, overlap %.4f, centroid (%.1f, %.1f)\n",
                    distance, expected, drawn, overlap, sumX / drawn, sumY / drawn);
        EXPECT_GT(overlap, 0.99);
        // The bounding sphere's centre projects to the middle of the target; the model spreads
        // around it, so its centroid stays near the middle.
        const double tolerance = distance == MinCameraDistance ? 40.0 : 8.0;
        EXPECT_NEAR(sumX / drawn, Width / 2.0, tolerance);
        EXPECT_NEAR(sumY / drawn, Height / 2.0, tolerance);
        // At the nearest distance the model fills a large part of the frame, at the farthest a
        // small one: the unit sphere's radius on screen is 264 and 32 pixels.
        const double share = double(drawn) / (Width * Height);
        if (distance == MinCameraDistance)
            EXPECT_GT(share, 0.15);
        else
            EXPECT_LT(share, 0.02);
    }
}

TEST_F(FramePictureTest, StencilCountsMatchRayCastShadowsInBothMethods)
{
    for (const float distance : {MinCameraDistance, MaxCameraDistance})
        for (const uint32_t milliseconds : {0u, 700u, 1650u, 2400u}) {
            const std::vector<PixelTruth> truth = Truth(milliseconds, distance);
            // Depth changes by less than a tenth of the model per pixel on any surface seen at
            // less than a grazing angle; more than that is one surface behind another.
            const std::vector<bool> excluded = NearSilhouette(truth, Width, Height, 0.1);
            const FrameResult adjacency = Draw(milliseconds, distance, true);
            const FrameResult plain = Draw(milliseconds, distance, false);

            const Agreement withAdjacency = CompareStencil(truth, excluded, adjacency.stencil);
            const Agreement withPlain = CompareStencil(truth, excluded, plain.stencil);
            int methodsAgree = 0, shadowed = 0, agreeAnywhere = 0;
            int negativeCounts[2] = {}, backgroundCounts = 0;
            for (int i = 0; i < Width * Height; ++i) {
                // Counts are the number of volumes around a point, never negative (a wrapped -1
                // is 255: faces wound the wrong way round). Rays that miss the model cross the
                // plain method's closed prisms in and out and end at 0; the adjacency method
                // leaves out the back caps, which lie behind everything the camera sees.
                negativeCounts[0] += truth[i].covered && adjacency.stencil[i] >= 128;
                negativeCounts[1] += truth[i].covered && plain.stencil[i] >= 128;
                backgroundCounts += !truth[i].covered && !excluded[i] && plain.stencil[i] != 0;
                if (!truth[i].covered) continue;
                // The two methods end their walls on different surfaces, so next to a shadow's
                // edge either may take a pixel whose centre the edge all but touches; those
                // pixels are left out here as they are against the ray cast.
                methodsAgree += excluded[i] || (adjacency.stencil[i] != 0) == (plain.stencil[i] != 0);
                agreeAnywhere += (adjacency.stencil[i] != 0) == truth[i].shadowed;
                shadowed += truth[i].shadowed;
            }
            const double between = double(methodsAgree) / withAdjacency.modelPixels;
            std::printf("distance %4.1f, %4u ms: %5d model pixels, %5d shadowed, %5d compared; agreeing: "
                        "adjacency %5d (%.4f%%), plain %5d (%.4f%%); methods agree on %d (%.4f%%)\n",
                        distance, milliseconds, withAdjacency.modelPixels, shadowed, withAdjacency.compared,
                        withAdjacency.agreeing, 100.0 * withAdjacency.Fraction(), withPlain.agreeing,
                        100.0 * withPlain.Fraction(), methodsAgree, 100.0 * between);
            std::printf("    adjacency against the ray cast over every model pixel, silhouettes included: %.4f%%\n",
                        100.0 * agreeAnywhere / withAdjacency.modelPixels);
            EXPECT_EQ(negativeCounts[0], 0) << "adjacency";
            EXPECT_EQ(negativeCounts[1], 0) << "plain";
            EXPECT_EQ(backgroundCounts, 0);
            // The light must really shadow part of the model and leave part lit.
            EXPECT_GT(shadowed, withAdjacency.modelPixels / 20);
            EXPECT_LT(shadowed, withAdjacency.modelPixels * 19 / 20);
            EXPECT_GE(withAdjacency.compared, distance == MinCameraDistance ? 20000 : 200);
            EXPECT_GE(withAdjacency.Fraction(), 0.995);
            EXPECT_GE(withPlain.Fraction(), 0.995);
            EXPECT_GE(between, 0.999);
        }
}

// --- Generated models --------------------------------------------------------------------------
// Coarse and unusual models, each drawn at 12 spin angles, at both camera limits and in both
// volume methods, against the ray cast: the model where the camera sees it and its shadows
// where the light is blocked. Large triangles reach far across the unit sphere, so a volume that
// ends too early shows here; so do open sheets, edges that three triangles share, closed shells
// whose volumes come from one side of the light only, and shells wound inside out.

using Point = std::array<double, 3>;
using Face = std::array<int, 3>;  // 0-based corners

std::string ObjText(const std::vector<Point>& points, const std::vector<std::vector<Face>>& groups)
{
    std::string obj = "mtllib ..\\misc\\kuma.mtl\n";
    char line[96];
    for (const Point& p : points) {
        std::snprintf(line, sizeof line, "v %.7f %.7f %.7f\n", p[0], p[1], p[2]);
        obj += line;
    }
    for (size_t g = 0; g < groups.size(); ++g) {
        obj += "g part" + std::to_string(g) + "\nusemtl fur\n";
        for (const Face& f : groups[g])
            obj += "f " + std::to_string(f[0] + 1) + " " + std::to_string(f[1] + 1) + " " + std::to_string(f[2] + 1) +
                   "\n";
    }
    return obj;
}

Point Minus(Point a, Point b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double DotP(Point a, Point b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
Point CrossP(Point a, Point b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// A convex solid about the origin, its faces wound outwards as the scene pass wants its fronts (cross(b - a, c - a)
// pointing away from the centre). `tilt` turns the solid about x and then z, so that no face is square to the light or
// the axes.
std::string ConvexSolid(std::vector<Point> points, const std::vector<Face>& faces, double tiltX, double tiltZ)
{
    for (Point& p : points) {
        const Point x = {p[0], p[1] * std::cos(tiltX) - p[2] * std::sin(tiltX),
                         p[1] * std::sin(tiltX) + p[2] * std::cos(tiltX)};
        p = {x[0] * std::cos(tiltZ) - x[1] * std::sin(tiltZ), x[0] * std::sin(tiltZ) + x[1] * std::cos(tiltZ), x[2]};
    }
    std::vector<Face> wound;
    for (Face f : faces) {
        const Point n = CrossP(Minus(points[f[1]], points[f[0]]), Minus(points[f[2]], points[f[0]]));
        if (DotP(n, points[f[0]]) < 0.0) std::swap(f[1], f[2]);
        wound.push_back(f);
    }
    return ObjText(points, {wound});
}

// The faces of the convex hull of points about the origin of which no four share a plane: the
// triples whose plane leaves every other point on the origin's side.
std::vector<Face> HullFaces(const std::vector<Point>& points)
{
    std::vector<Face> faces;
    const int n = static_cast<int>(points.size());
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
            for (int c = b + 1; c < n; ++c) {
                Point normal = CrossP(Minus(points[b], points[a]), Minus(points[c], points[a]));
                if (DotP(normal, points[a]) < 0.0) normal = {-normal[0], -normal[1], -normal[2]};
                bool hull = true;
                for (int k = 0; k < n && hull; ++k)
                    hull = k == a || k == b || k == c || DotP(normal, Minus(points[k], points[a])) < 0.0;
                if (hull) faces.push_back({a, b, c});
            }
    return faces;
}

std::vector<Point> UvSpherePoints(int segments, int rings)
{
    const double pi = 3.14159265358979323846;
    std::vector<Point> points = {{0, 1, 0}, {0, -1, 0}};
    for (int r = 1; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const double polar = pi * r / rings, azimuth = 2 * pi * (s + 0.5 * (r % 2)) / segments;
            points.push_back(
                {std::sin(polar) * std::cos(azimuth), std::cos(polar), std::sin(polar) * std::sin(azimuth)});
        }
    return points;
}

std::vector<Point> IcosahedronPoints()
{
    const double phi = (1 + std::sqrt(5.0)) / 2;
    std::vector<Point> points;
    for (const double a : {-1.0, 1.0})
        for (const double b : {-phi, phi}) {
            points.push_back({0, a, b});
            points.push_back({a, b, 0});
            points.push_back({b, 0, a});
        }
    return points;
}

std::vector<Point> CubePoints()
{
    std::vector<Point> points;
    for (int i = 0; i < 8; ++i) points.push_back({i & 1 ? 1.0 : -1.0, i & 2 ? 1.0 : -1.0, i & 4 ? 1.0 : -1.0});
    return points;
}
// Corner i has bit 0 for x, bit 1 for y, bit 2 for z; each side is two triangles.
const std::vector<Face> CubeFaces = {{0, 2, 6}, {0, 6, 4}, {1, 3, 7}, {1, 7, 5}, {0, 1, 5}, {0, 5, 4},
                                     {2, 3, 7}, {2, 7, 6}, {0, 1, 3}, {0, 3, 2}, {4, 5, 7}, {4, 7, 6}};

// A closed slab x, z in [-1, 1], y in [-1, -0.6] (corners 0 to 7, bit 0 x, bit 1 y, bit 2 z),
// wound outwards, for the open models below to cast onto.
std::vector<Point> SlabPoints()
{
    std::vector<Point> points;
    for (int i = 0; i < 8; ++i) points.push_back({i & 1 ? 1.0 : -1.0, i & 2 ? -0.6 : -1.0, i & 4 ? 1.0 : -1.0});
    return points;
}
const std::vector<Face> SlabFaces = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                                     {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};

// A square sheet (two triangles, four open edges) above the slab, its front turned along
// `normal`, which lies in the plane spanned by u and v (u x v = normal).
std::string SheetOverSlab(Point u, Point v)
{
    std::vector<Point> points = SlabPoints();
    const Point centre = {0.2, 0.1, -0.2};
    for (const auto& [a, b] : {std::pair{-0.4, -0.4}, {0.4, -0.4}, {0.4, 0.4}, {-0.4, 0.4}})
        points.push_back(
            {centre[0] + a * u[0] + b * v[0], centre[1] + a * u[1] + b * v[1], centre[2] + a * u[2] + b * v[2]});
    return ObjText(points, {SlabFaces, {{8, 9, 10}, {8, 10, 11}}});
}

// Three one-sided triangles on one spine edge above the slab, like the leaves of a half-open
// book, all wound the same way up: the edge has three triangles, so BuildAdjacency pairs it
// one way only.
std::string ThreeLeavesOverSlab()
{
    std::vector<Point> points = SlabPoints();
    const Point a = {-0.1, 0.0, -0.6}, b = {-0.1, 0.0, 0.6};
    points.insert(points.end(), {a, b, {-0.9, 0.0, 0.0}, {0.7, 0.0, 0.0}, {0.5, 0.5, 0.0}});
    return ObjText(points, {SlabFaces, {{9, 8, 10}, {8, 9, 11}, {8, 9, 12}}});
}

// Corners (bit 0 x, bit 1 y, bit 2 z) of a cube of half side `half` about `centre`, with its
// faces wound outwards, or inwards when `insideOut`.
std::vector<Face> SmallCube(std::vector<Point>* points, Point centre, double half, bool insideOut)
{
    const int first = static_cast<int>(points->size());
    for (const Point& p : CubePoints())
        points->push_back({centre[0] + half * p[0], centre[1] + half * p[1], centre[2] + half * p[2]});
    std::vector<Face> faces;
    for (Face f : CubeFaces) {
        for (int& corner : f) corner += first;
        const Point n = CrossP(Minus((*points)[f[1]], (*points)[f[0]]), Minus((*points)[f[2]], (*points)[f[0]]));
        if ((DotP(n, Minus((*points)[f[0]], centre)) < 0.0) != insideOut) std::swap(f[1], f[2]);
        faces.push_back(f);
    }
    return faces;
}

// A closed cube (a group of its own, so its volumes come from one side of the light) beside an
// open sheet over the slab; the sheet shares its group with half of the slab's faces, so the
// slab, spread over two groups, must take both sides in both.
std::string ClosedCubeBesideOpenSheet()
{
    std::vector<Point> points = SlabPoints();
    const std::vector<Face> cube = SmallCube(&points, {-0.45, 0.05, 0.4}, 0.3, false);
    const int s = static_cast<int>(points.size());
    points.insert(points.end(), {{0.0, 0.2, -0.7}, {0.8, 0.2, -0.7}, {0.8, 0.3, 0.1}, {0.0, 0.3, 0.1}});
    std::vector<Face> sheetAndHalfSlab = {{s, s + 1, s + 2}, {s, s + 2, s + 3}};
    sheetAndHalfSlab.insert(sheetAndHalfSlab.end(), SlabFaces.begin(), SlabFaces.begin() + 6);
    return ObjText(points, {cube, sheetAndHalfSlab, std::vector<Face>(SlabFaces.begin() + 6, SlabFaces.end())});
}

// A cube wound inside out over the slab: the camera sees its far inner faces, and only its faces
// turned away from the light make volumes.
std::string InsideOutCubeOverSlab()
{
    std::vector<Point> points = SlabPoints();
    const std::vector<Face> cube = SmallCube(&points, {0.1, 0.1, -0.1}, 0.35, true);
    return ObjText(points, {SlabFaces, cube});
}

struct GeneratedModel {
    const char* name;
    std::string (*obj)();
};

const GeneratedModel GeneratedModels[] = {
    {"Tetrahedron",
     [] {
         return ConvexSolid({{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}},
                            {{0, 1, 2}, {0, 1, 3}, {0, 2, 3}, {1, 2, 3}}, 0.3, 0.2);
     }},
    {"Octahedron",
     [] {
         const std::vector<Point> points = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
         return ConvexSolid(points, HullFaces(points), 0.5, 0.35);
     }},
    {"UprightCube", [] { return ConvexSolid(CubePoints(), CubeFaces, 0.0, 0.0); }},
    {"TiltedCube", [] { return ConvexSolid(CubePoints(), CubeFaces, 0.6, 0.45); }},
    {"Icosahedron", [] { return ConvexSolid(IcosahedronPoints(), HullFaces(IcosahedronPoints()), 0.25, 0.1); }},
    {"UvSphere6x3", [] { return ConvexSolid(UvSpherePoints(6, 3), HullFaces(UvSpherePoints(6, 3)), 0.4, 0.3); }},
    {"UvSphere10x5", [] { return ConvexSolid(UvSpherePoints(10, 5), HullFaces(UvSpherePoints(10, 5)), 0.2, 0.5); }},
    // Its front turned towards the light and the camera, n = (1, 1, -1) / sqrt 3.
    {"SheetFacingTheLight",
     [] {
         return SheetOverSlab({1 / std::sqrt(2.0), -1 / std::sqrt(2.0), 0},
                              {-1 / std::sqrt(6.0), -1 / std::sqrt(6.0), -2 / std::sqrt(6.0)});
     }},
    // Its front turned down, away from the light at every spin angle (and from the camera, which
    // therefore never sees it): only its shadow on the slab shows.
    {"SheetTurnedAway",
     [] {
         return SheetOverSlab({1, 0, 0}, {0, 0, 1});
     }},
    {"EdgeOfThreeTriangles", ThreeLeavesOverSlab},
    {"ClosedCubeBesideOpenSheet", ClosedCubeBesideOpenSheet},
    {"InsideOutCubeOverSlab", InsideOutCubeOverSlab},
};

class GeneratedModelPictureTest : public ::testing::TestWithParam<GeneratedModel> {};

TEST_P(GeneratedModelPictureTest, CoverageAndShadowsMatchTheRayCast)
{
    WorkingDirectory directory({"Quenvale.sh", "kuma.mtl", "fur.bmp", "muzzle.bmp", "default.bmp"}, {},
                               {{"kuma.obj", GetParam().obj()}});
    ASSERT_TRUE(directory.ok());
    OffscreenRenderer renderer(Width, Height);
    ASSERT_EQ(renderer.result(), S_OK) << StartupFailureText;
    int shadowedSeen = 0;
    for (const float distance : {MinCameraDistance, MaxCameraDistance})
        for (uint32_t milliseconds = 0; milliseconds < 3000; milliseconds += 250)  // 30 degrees apart
        {
            std::vector<std::array<Vec3d, 3>> triangles;
            std::vector<int> groups;
            ASSERT_TRUE(WorldTriangles(milliseconds, &triangles, &groups));
            const RayCaster model(std::move(triangles));
            const std::vector<PixelTruth> truth = CastFrame(model, groups, distance, Width, Height);
            // One pixel either side of a silhouette or a shadow's edge may fall either way.
            const std::vector<bool> excluded = NearSilhouette(truth, Width, Height, 0.1);
            for (const bool adjacency : {true, false}) {
                const FrameResult frame = Draw(milliseconds, distance, adjacency);
                int compared = 0, agreeing = 0, shadowed = 0, shadowedOnScreen = 0;
                for (int i = 0; i < Width * Height; ++i) {
                    const bool drawn = !IsClearColour(&frame.rgba[size_t(i) * 4]);
                    if (excluded[i] || (!truth[i].covered && !drawn)) continue;
                    ++compared;
                    agreeing += drawn && truth[i].covered && (frame.stencil[i] != 0) == truth[i].shadowed;
                    shadowed += truth[i].covered && truth[i].shadowed;
                    shadowedOnScreen += truth[i].covered && truth[i].shadowed && frame.stencil[i] != 0;
                }
                shadowedSeen += shadowed;
                const double agreement = compared ? double(agreeing) / compared : 1.0;
                const double shadowKept = shadowed ? double(shadowedOnScreen) / shadowed : 1.0;
                // Every model fills at least about 37,000 pixels near and 270 far (the tetrahedron,
                // the smallest); a model drawn much smaller, or nowhere, in both the frame and the
                // ray cast must not pass on too few pixels.
                EXPECT_GE(compared, distance == MinCameraDistance ? 20000 : 200)
                    << "distance " << distance << ", " << milliseconds << " ms: only " << compared
                    << " pixels to compare";
                EXPECT_GE(agreement, 0.995)
                    << "distance " << distance << ", " << milliseconds << " ms, " << (adjacency ? "adjacency" : "plain")
                    << ": " << agreeing << " of " << compared << " pixels agree";
                EXPECT_GE(shadowKept, 0.99)
                    << "distance " << distance << ", " << milliseconds << " ms, " << (adjacency ? "adjacency" : "plain")
                    << ": " << shadowedOnScreen << " of " << shadowed << " shadowed pixels darkened";
            }
        }
    // The light really does shadow part of every model somewhere.
    EXPECT_GT(shadowedSeen, 1000);
    CameraDistance = MinCameraDistance;
    UseAdjacency = true;
}

INSTANTIATE_TEST_SUITE_P(Models, GeneratedModelPictureTest, ::testing::ValuesIn(GeneratedModels),
                         [](const ::testing::TestParamInfo<GeneratedModel>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(FramePictureTest, ShadowPassHalvesTheColourOfCountedModelPixelsOnly)
{
    const FrameResult frame = Draw(400, MinCameraDistance, true);
    // The same frame's scene pass alone, on freshly cleared targets: the colours before pass 3.
    ImmediateContext->ClearRenderTargetView(BackBufferView, ClearColor);
    ImmediateContext->ClearDepthStencilView(DepthStencilView, D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, 1.0f, 0);
    DrawScenePass();
    std::vector<uint8_t> unshadowed;
    ASSERT_TRUE(ReadPixels(OffscreenTarget, &unshadowed));

    int darkened = 0, background = 0, wrong = 0;
    for (int i = 0; i < Width * Height; ++i) {
        const uint8_t* after = &frame.rgba[size_t(i) * 4];
        const uint8_t* before = &unshadowed[size_t(i) * 4];
        const bool model = !IsClearColour(before);
        background += !model;
        // Black at alpha 0.5 over the colour: half of it, give or take rounding.
        const bool expectDark = model && frame.stencil[i] != 0;
        darkened += expectDark;
        for (int c = 0; c < 3; ++c) {
            const int expected = expectDark ? before[c] / 2 : before[c];
            if (std::abs(after[c] - expected) > 1) {
                ++wrong;
                break;
            }
        }
    }
    EXPECT_GT(darkened, 1000);
    EXPECT_GT(background, Width * Height / 3);
    EXPECT_EQ(wrong, 0);
}

}  // namespace
