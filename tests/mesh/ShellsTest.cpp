// AnalyzeShells: which groups may leave out the volumes of one side of the light. A wrong
// "closed" makes shadows vanish, so the cases are those where a shortcut would say so wrongly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Shells.h"

namespace {

struct Result {
    std::vector<VolumeSides> sides;
    ShellReport report;
};

// positions, triangles as index triples, and groups as consecutive triangle counts
Result Analyze(const std::vector<Float3>& positions, const std::vector<uint32_t>& indices,
               const std::vector<int>& trianglesPerGroup)
{
    std::vector<MeshVertex> vertices;
    for (const Float3& p : positions) vertices.push_back({p, {0, 0, 1}, {0, 0}});
    std::vector<MeshGroup> groups;
    int start = 0;
    for (const int count : trianglesPerGroup) {
        MeshGroup g = {};
        g.startIndex = start;
        g.indexCount = 3 * count;
        groups.push_back(g);
        start += 3 * count;
    }
    Result result;
    result.sides.assign(groups.size(), VolumeSides(99));
    EXPECT_TRUE(AnalyzeShells(vertices.data(), indices.data(), static_cast<int>(indices.size()), groups.data(),
                              static_cast<int>(groups.size()), result.sides.data(), &result.report));
    return result;
}

// The tetrahedron wound outwards (cross(b - a, c - a) points away from the inside).
const std::vector<Float3> Tetra = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const std::vector<uint32_t> TetraOut = {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3};

std::vector<uint32_t> Reversed(std::vector<uint32_t> indices)
{
    for (size_t i = 0; i < indices.size(); i += 3) std::swap(indices[i + 1], indices[i + 2]);
    return indices;
}

TEST(Shells, ClosedShellsTakeTheSideTheirWindingSays)
{
    const Result out = Analyze(Tetra, TetraOut, {4});
    EXPECT_EQ(out.sides[0], VolumeSides::FacingLight);
    EXPECT_EQ(out.report.shells, 1);
    EXPECT_EQ(out.report.closedShells, 1);
    EXPECT_EQ(out.report.insideOut, 0);

    const Result in = Analyze(Tetra, Reversed(TetraOut), {4});
    EXPECT_EQ(in.sides[0], VolumeSides::FacingAway);
    EXPECT_EQ(in.report.insideOut, 1);

    // A triangle with two corners at one position never makes a volume and does not open the
    // shell it sits on; positions are compared as values, so -0 meets +0.
    std::vector<Float3> positions = Tetra;
    positions.push_back({-0.0f, 0, 0});
    std::vector<uint32_t> indices = TetraOut;
    indices.insert(indices.end(), {4, 1, 0});
    const Result sliver = Analyze(positions, indices, {5});
    EXPECT_EQ(sliver.sides[0], VolumeSides::FacingLight);
    EXPECT_EQ(sliver.report.openEdges, 0);
}

TEST(Shells, AnythingNotClosedDrawsBothSides)
{
    // One face missing: three open edges.
    const Result open = Analyze(Tetra, {0, 2, 1, 0, 1, 3, 0, 3, 2}, {3});
    EXPECT_EQ(open.sides[0], VolumeSides::Both);
    EXPECT_EQ(open.report.openEdges, 3);
    EXPECT_EQ(open.report.closedShells, 0);

    // One face wound the wrong way: its edges pair in the same direction.
    const Result flipped = Analyze(Tetra, {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 3, 2}, {4});
    EXPECT_EQ(flipped.sides[0], VolumeSides::Both);
    EXPECT_EQ(flipped.report.unpairedEdges, 3);

    // A fin on edge 0-1 of the closed tetrahedron: that edge has three triangles.
    std::vector<Float3> positions = Tetra;
    positions.push_back({0.5f, -1, 0});
    std::vector<uint32_t> indices = TetraOut;
    indices.insert(indices.end(), {0, 1, 4});
    const Result fin = Analyze(positions, indices, {4, 1});
    EXPECT_EQ(fin.sides[0], VolumeSides::Both);
    EXPECT_EQ(fin.report.crowdedEdges, 1);
    EXPECT_EQ(fin.report.shells, 1);
}

TEST(Shells, OneShellTakesOneSideInEveryGroupItSpans)
{
    // A closed tetrahedron whose first two faces are group 0 and last two group 1, and an open
    // triangle far away, also in group 1. Group 0 holds closed faces only, yet its shell is drawn
    // from both sides in group 1: the adjacency method walls an edge only between triangles on
    // different sides of the light, so one side in group 0 and both in group 1 would leave the
    // volume of group 1's faces turned away open along the border.
    std::vector<Float3> positions = Tetra;
    positions.insert(positions.end(), {{5, 5, 5}, {6, 5, 5}, {5, 6, 5}});
    std::vector<uint32_t> indices = TetraOut;
    indices.insert(indices.end(), {4, 6, 5});
    const Result mixed = Analyze(positions, indices, {2, 3});
    EXPECT_EQ(mixed.sides[0], VolumeSides::Both);
    EXPECT_EQ(mixed.sides[1], VolumeSides::Both);
    EXPECT_EQ(mixed.report.shells, 2);
    EXPECT_EQ(mixed.report.closedShells, 1);
    EXPECT_EQ(mixed.report.closedButBoth, 4);

    // The open triangle in a group of its own: the tetrahedron's groups keep one side.
    const Result apart = Analyze(positions, indices, {2, 2, 1});
    EXPECT_EQ(apart.sides[0], VolumeSides::FacingLight);
    EXPECT_EQ(apart.sides[1], VolumeSides::FacingLight);
    EXPECT_EQ(apart.sides[2], VolumeSides::Both);
    EXPECT_EQ(apart.report.reducedGroups, 2);
    EXPECT_EQ(apart.report.reducedTriangles, 4);

    // Two closed shells of opposite windings in one group cannot share one side.
    std::vector<Float3> two = Tetra;
    for (const Float3& p : Tetra) two.push_back({p.x + 3, p.y, p.z});
    std::vector<uint32_t> both = TetraOut;
    for (const uint32_t i : Reversed(TetraOut)) both.push_back(i + 4);
    EXPECT_EQ(Analyze(two, both, {8}).sides[0], VolumeSides::Both);
    EXPECT_EQ(Analyze(two, both, {4, 4}).sides[1], VolumeSides::FacingAway);
}

}  // namespace
