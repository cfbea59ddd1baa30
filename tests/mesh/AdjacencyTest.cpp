// BuildAdjacency on the worked examples: the square, its flipped half, the tetrahedron,
// seams, an edge shared by three triangles, and an opposite-winding copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Adjacency.h"
#include "SharedEdges.h"

namespace {

constexpr uint32_t X = OpenEdge;

std::vector<uint32_t> Adjacency(const std::vector<Float3>& positions, const std::vector<uint32_t>& indices)
{
    std::vector<MeshVertex> vertices;
    for (const Float3& p : positions) vertices.push_back({p, {0, 0, 1}, {0, 0}});
    std::vector<uint32_t> out(2 * indices.size(), 12345);
    BuildAdjacency(vertices.data(), indices.data(), static_cast<int>(indices.size()), out.data());
    return out;
}

const std::vector<Float3> Square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

TEST(Adjacency, SingleTriangleAndSquare)
{
    EXPECT_EQ(Adjacency(Square, {0, 1, 2}), (std::vector<uint32_t>{0, X, 1, X, 2, X}));
    EXPECT_EQ(Adjacency(Square, {0, 1, 2, 0, 2, 3}), (std::vector<uint32_t>{0, X, 1, X, 2, 3, 0, 1, 2, X, 3, X}));
    // Second half wound the other way: the diagonal runs the same direction twice, no match.
    EXPECT_EQ(Adjacency(Square, {0, 1, 2, 0, 3, 2}), (std::vector<uint32_t>{0, X, 1, X, 2, X, 0, X, 3, X, 2, X}));
}

TEST(Adjacency, ClosedTetrahedronHasNoOpenEdge)
{
    std::vector<Float3> p = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    EXPECT_EQ(Adjacency(p, {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3}),
              (std::vector<uint32_t>{0, 3, 2, 3, 1, 3, 0, 2, 1, 2, 3, 2, 0, 1, 3, 1, 2, 1, 1, 0, 2, 0, 3, 0}));
}

TEST(Adjacency, SeamsMatchByPositionAndNegativeZeroEqualsZero)
{
    // Vertices 4 and 5 repeat 0 and 2 (a texture seam); vertex 6 is vertex 0 with -0.
    std::vector<Float3> p = Square;
    p.push_back({0, 0, 0});
    p.push_back({1, 1, 0});
    p.push_back({-0.0f, 0, -0.0f});
    EXPECT_EQ(Adjacency(p, {0, 1, 2, 4, 5, 3}), (std::vector<uint32_t>{0, X, 1, X, 2, 3, 4, 1, 5, X, 3, X}));
    EXPECT_EQ(Adjacency(p, {0, 1, 2, 6, 2, 3})[5], 3u);
    // Any difference, however small, and NaN never match.
    p[5].x = std::nextafter(1.0f, 2.0f);
    EXPECT_EQ(Adjacency(p, {0, 1, 2, 4, 5, 3})[5], X);
    std::vector<Float3> q = Square;
    q[0].z = NAN;
    EXPECT_EQ(Adjacency(q, {0, 1, 2, 0, 2, 3}), (std::vector<uint32_t>{0, X, 1, X, 2, X, 0, X, 2, X, 3, X}));
}

TEST(Adjacency, EarliestCandidateWinsEvenBeforeTheTriangle)
{
    // Triangles 0 and 2 both run edge 2 -> 0 (a non-manifold edge); triangle 1 (0 -> 2)
    // takes triangle 0's outer corner, and triangle 2 takes triangle 1's.
    std::vector<Float3> p = Square;
    p.push_back({2, 2, 2});
    auto a = Adjacency(p, {2, 0, 1, 0, 2, 3, 2, 0, 4});
    EXPECT_EQ(a[1], 3u);
    EXPECT_EQ(a[6 + 1], 1u);
    EXPECT_EQ(a[12 + 1], 3u);
    // An opposite-winding copy matches all three edges of the triangle it follows.
    EXPECT_EQ(Adjacency(Square, {0, 1, 2, 0, 2, 1}), (std::vector<uint32_t>{0, 2, 1, 0, 2, 1, 0, 1, 2, 0, 1, 2}));
}

TEST(Adjacency, ZeroLengthEdgesMatchOnlyZeroLengthEdges)
{
    // Triangle 0 has corners 0 and 4 at one place; triangle 1 likewise, reversed.
    std::vector<Float3> p = Square;
    p.push_back({0, 0, 0});
    auto a = Adjacency(p, {0, 4, 1, 4, 0, 2});
    EXPECT_EQ(a[1], 2u);  // edge 0 -> 4 meets triangle 1's first edge 4 -> 0
    EXPECT_EQ(a[7], 1u);  // and the other way round
    EXPECT_EQ(a[3], X);   // the other edges have no partner
    EXPECT_EQ(a[9], X);
}

TEST(Adjacency, LeftoverIndicesAreOpenEntries)
{
    auto a = Adjacency(Square, {0, 1, 2, 3});
    ASSERT_EQ(a.size(), 8u);
    EXPECT_EQ(a[6], 3u);
    EXPECT_EQ(a[7], X);
}

}  // namespace

namespace {

// Lists longer than any model the reader produces take the heap-backed path; it must give
// the same entries as the fixed tables.
TEST(Adjacency, ListsBeyondTheReaderLimitGiveTheSameEntries)
{
    std::vector<Float3> p;
    const int width = 128;
    for (int j = 0; j < 90; ++j)
        for (int i = 0; i < width; ++i) p.push_back({static_cast<float>(i), static_cast<float>(j), 0});
    std::vector<uint32_t> grid;
    for (uint32_t j = 0; j + 1 < 90 && grid.size() < 65532; ++j)
        for (uint32_t i = 0; i + 1 < width && grid.size() < 65532; ++i) {
            uint32_t a = j * width + i, b = a + 1, c = a + width + 1, d = a + width;
            grid.insert(grid.end(), {a, b, c, a, c, d});
        }
    ASSERT_EQ(grid.size(), 65532u);
    std::vector<uint32_t> small = Adjacency(p, grid);

    // Two more triangles far away: a square of their own.
    uint32_t base = static_cast<uint32_t>(p.size());
    for (const Float3& q : Square) p.push_back({q.x + 1000, q.y, q.z});
    std::vector<uint32_t> big = grid;
    big.insert(big.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
    std::vector<uint32_t> all = Adjacency(p, big);
    ASSERT_EQ(all.size(), 2 * big.size());
    EXPECT_TRUE(std::equal(small.begin(), small.end(), all.begin()));
    std::vector<uint32_t> tail(all.end() - 12, all.end());
    EXPECT_EQ(tail, (std::vector<uint32_t>{base, X, base + 1, X, base + 2, base + 3, base, base + 1, base + 2, X,
                                           base + 3, X}));
    // Inside the grid every edge between two quads found its neighbour.
    EXPECT_NE(small[6 * 200 + 5], X);
}

// The list the adjacency shader reads: an edge that three triangles share (positions 0 and 2,
// one end written as -0 through vertex 5) is opened for all three, because BuildAdjacency's
// pairing there is one-way and leaves a volume open; an ordinary two-triangle edge and the
// closed tetrahedron keep their neighbours.
TEST(Adjacency, EdgesOfMoreThanTwoTrianglesOpenForTheVolumes)
{
    std::vector<Float3> p = Square;
    p.push_back({2, 2, 2});
    p.push_back({-0.0f, 0, 0});
    std::vector<uint32_t> indices = {2, 0, 1, 5, 2, 3, 2, 0, 4, 2, 1, 4};
    std::vector<uint32_t> a = Adjacency(p, indices);
    ASSERT_NE(a[1], X);   // triangle 0, edge 2 -> 0
    ASSERT_NE(a[7], X);   // triangle 1, edge 5 -> 2
    ASSERT_NE(a[13], X);  // triangle 2, edge 2 -> 0
    std::vector<uint32_t> expected = a;
    expected[1] = expected[7] = expected[13] = X;
    std::vector<MeshVertex> vertices;
    for (const Float3& q : p) vertices.push_back({q, {0, 0, 1}, {0, 0}});
    ASSERT_TRUE(OpenSharedEdges(vertices.data(), indices.data(), int(indices.size()), a.data()));
    EXPECT_EQ(a, expected);
    EXPECT_EQ(a[5], 4u);   // triangle 0, edge 1 -> 2, shared with triangle 3 only
    EXPECT_EQ(a[19], 0u);  // and back

    std::vector<Float3> t = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    std::vector<uint32_t> tetrahedron = {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3};
    std::vector<uint32_t> closed = Adjacency(t, tetrahedron);
    const std::vector<uint32_t> unchanged = closed;
    vertices.clear();
    for (const Float3& q : t) vertices.push_back({q, {0, 0, 1}, {0, 0}});
    ASSERT_TRUE(OpenSharedEdges(vertices.data(), tetrahedron.data(), int(tetrahedron.size()), closed.data()));
    EXPECT_EQ(closed, unchanged);
}

}  // namespace
