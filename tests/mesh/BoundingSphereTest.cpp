// ComputeBoundingSphere on the worked examples.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "BoundingSphere.h"

namespace {

BoundingSphere Sphere(const std::vector<Float3>& positions)
{
    std::vector<MeshVertex> vertices;
    for (const Float3& p : positions) vertices.push_back({p, {1, 1, 1}, {0, 0}});
    BoundingSphere s{{9, 9, 9}, 9};
    ComputeBoundingSphere(vertices.data(), static_cast<uint32_t>(vertices.size()), s);
    return s;
}

TEST(BoundingSphere, SinglePointAndCoincidentPoints)
{
    BoundingSphere one = Sphere({{1, 2, 3}});
    EXPECT_EQ(one.center.x, 1.0f);
    EXPECT_EQ(one.center.z, 3.0f);
    EXPECT_EQ(one.radius, 0.0f);
    EXPECT_EQ(Sphere({{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}).radius, 0.0f);
    BoundingSphere none = Sphere({});
    EXPECT_EQ(none.radius, 0.0f);
    EXPECT_EQ(none.center.x, 0.0f);
}

TEST(BoundingSphere, WidestPairAndGrowth)
{
    BoundingSphere two = Sphere({{0, 0, 0}, {2, 0, 0}});
    EXPECT_EQ(two.center.x, 1.0f);
    EXPECT_EQ(two.radius, 1.0f);
    // dx = dy = 4: the y pair wins the tie, then (4, 0, 0) grows the sphere to 2.5.
    BoundingSphere tie = Sphere({{0, 0, 0}, {4, 0, 0}, {1, -2, 0}, {1, 2, 0}});
    EXPECT_EQ(tie.radius, 2.5f);
    EXPECT_NEAR(tie.center.x, 1.5f, 1e-6f);
    EXPECT_EQ(tie.center.y, 0.0f);
    BoundingSphere grow = Sphere({{-1, 0, 0}, {1, 0, 0}, {0, 1.5f, 0}});
    EXPECT_EQ(grow.radius, 1.25f);
    EXPECT_NEAR(grow.center.y, 0.25f, 1e-6f);
    EXPECT_EQ(grow.center.x, 0.0f);
}

TEST(BoundingSphere, EveryPointInsideAndOrderMatters)
{
    std::vector<Float3> p = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.9f, 0.9f, 0.9f}, {-0.5f, 0.2f, 0.1f}};
    BoundingSphere s = Sphere(p);
    for (const Float3& q : p)
        EXPECT_LE(Length3(q.x - s.center.x, q.y - s.center.y, q.z - s.center.z), s.radius * (1 + 1e-6f));
    std::vector<Float3> reversed(p.rbegin(), p.rend());
    BoundingSphere r = Sphere(reversed);
    EXPECT_TRUE(r.radius != s.radius || r.center.x != s.center.x);
}

// The frame scales the model by 1 / radius: a sphere for which that is not a finite number, or
// whose centre is not, is refused; a small but normal sphere is fine.
TEST(BoundingSphere, UnusableSpheresAreDescribed)
{
    EXPECT_STREQ(DescribeSphereProblem(Sphere({{2, 3, 4}, {2, 3, 4}, {2, 3, 4}})),
                 "the model has no extent: all its positions are one point");
    EXPECT_EQ(DescribeSphereProblem(Sphere({{0, 0, 0}, {1e-15f, 0, 0}})), nullptr);
    // Positions 1e-30 apart: the squared distance underflows, so the radius is 0 as well.
    EXPECT_NE(DescribeSphereProblem(Sphere({{0, 0, 0}, {1e-30f, 0, 0}})), nullptr);
    EXPECT_NE(DescribeSphereProblem(Sphere({{0, 0, 0}, {INFINITY, 0, 0}})), nullptr);
    EXPECT_NE(DescribeSphereProblem(Sphere({{0, 0, 0}, {3e38f, 0, 0}, {-3e38f, 0, 0}})), nullptr);
    EXPECT_NE(DescribeSphereProblem(Sphere({{0, 0, 0}, {NAN, 1, 0}})), nullptr);
    EXPECT_EQ(DescribeSphereProblem(Sphere({{0, 0, 0}, {2, 0, 0}})), nullptr);
}

}  // namespace
