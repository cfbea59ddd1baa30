// ReadObj on small worked examples and at its limits.
#include <gtest/gtest.h>

#include <string>

#include "ConstText.h"
#include "LoadResult.h"

namespace {

// A read as the program's first: the working tables start from zero.
LoadResult Fresh(const std::string& text)
{
    ResetObjReaderTables();
    return LoadWithProduct(text);
}

// "v k 0 0" for k = 1 .. count, so that position k is recognisable by its x.
std::string NumberedPositions(int count)
{
    std::string s;
    for (int k = 1; k <= count; ++k) s += "v " + std::to_string(k) + " 0 0\n";
    return s;
}

std::vector<float> TriangleXs(const LoadResult& r)
{
    std::vector<float> xs;
    for (int i = 0; i < r.indexCount; ++i) xs.push_back(r.vertices[r.indices[i]].position.x);
    return xs;
}

TEST(ObjReader, QuadModelGivesVerticesIndicesGroupsAndLibrary)
{
    LoadResult r = Fresh("mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
                         "g quad\nusemtl red\nf 1/1/1 2/2/1 3/3/1 4/4/1\n");
    ASSERT_TRUE(r.ok);
    EXPECT_STREQ(r.mtllib, "m.mtl");
    ASSERT_EQ(r.vertexCount, 4);
    const float expected[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(r.vertices[k].position.x, expected[k][0]);
        EXPECT_EQ(r.vertices[k].position.y, expected[k][1]);
        EXPECT_EQ(r.vertices[k].texcoord.x, expected[k][0]);
        EXPECT_EQ(r.vertices[k].texcoord.y, expected[k][1]);
        EXPECT_EQ(r.vertices[k].normal.z, 1.0f);
    }
    ASSERT_EQ(r.indexCount, 6);
    EXPECT_EQ(std::vector<uint32_t>(r.indices.get(), r.indices.get() + 6), (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    ASSERT_EQ(r.groupCount, 2);
    EXPECT_STREQ(r.groups[0].name, "");
    EXPECT_EQ(r.groups[0].indexCount, 0);
    EXPECT_STREQ(r.groups[1].name, "quad");
    EXPECT_STREQ(r.groups[1].materialName, "red");
    EXPECT_EQ(r.groups[1].startIndex, 0);
    EXPECT_EQ(r.groups[1].indexCount, 6);
}

TEST(ObjReader, FaceLinesSplitIntoFansAndFailBelowThreeCorners)
{
    std::string six = NumberedPositions(6);
    EXPECT_EQ(TriangleXs(Fresh(six + "f 1 2 3 4\n")), (std::vector<float>{1, 2, 3, 1, 3, 4}));
    EXPECT_EQ(TriangleXs(Fresh(six + "f 1 2 3 4 5 6\n")), (std::vector<float>{1, 2, 3, 1, 3, 4}));
    LoadResult two = Fresh(six + "f 1 2\n");
    EXPECT_FALSE(two.ok);
    EXPECT_EQ(two.status.failure, ObjReadFailure::TooFewCorners);
    EXPECT_EQ(two.status.line, 7);
    EXPECT_FALSE(Fresh(six + "f\n").ok);
    EXPECT_FALSE(Fresh(six + "foo\n").ok);
}

TEST(ObjReader, ReferenceFormsBasesAndNegatives)
{
    std::string ten = NumberedPositions(10);
    EXPECT_EQ(TriangleXs(Fresh(ten + "f -3 -2 -1\n")), (std::vector<float>{8, 9, 10}));
    EXPECT_EQ(TriangleXs(Fresh(ten + "f 010 011 012\n")), (std::vector<float>{8, 9, 10}));
    EXPECT_EQ(TriangleXs(Fresh(ten + "f 0x1 0x2 0x3\n")), (std::vector<float>{1, 2, 3}));

    LoadResult pn = Fresh(ten + "vn 0 0 -1\nvn 0 1 0\nvn 1 0 0\nf 7//3 8//3 9//3\n");
    ASSERT_TRUE(pn.ok);
    EXPECT_EQ(pn.vertices[0].normal.x, 1.0f);  // normal 3 = (1, 0, 0)
    EXPECT_EQ(pn.vertices[0].normal.y, 0.0f);
    EXPECT_EQ(pn.vertices[0].texcoord.x, 0.0f);  // no texture coordinate: (0, 0)

    LoadResult pt = Fresh(ten + "vt 0.25 0.75\nvt 0.5 0.5\nf 7/2 8/2 9/2\n");
    ASSERT_TRUE(pt.ok);
    EXPECT_EQ(pt.vertices[0].texcoord.x, 0.5f);
    EXPECT_EQ(pt.vertices[0].normal.x, 1.0f);  // no normal: (1, 1, 1)
    EXPECT_EQ(pt.vertices[0].normal.z, 1.0f);

    // 08 reads as octal 0 (the 8 ends it): no position, so the vertex sits at the origin.
    LoadResult unusable = Fresh(ten + "f 08 9 10\n");
    ASSERT_TRUE(unusable.ok);
    EXPECT_EQ(TriangleXs(unusable), (std::vector<float>{0, 9, 10}));
    // A forward reference is resolved with the positions of the whole file.
    EXPECT_EQ(TriangleXs(Fresh("v 1 0 0\nv 2 0 0\nf 1 2 3\nv 3 0 0\n")), (std::vector<float>{1, 2, 3}));
}

TEST(ObjReader, StatementsWithoutBlankAndNumberQuirks)
{
    LoadResult r = Fresh("v-1 2 3\nv 1e 2 3\nv 1 2\nv 0 0 5\ngbody\nusemtlskin\nmtllib a.mtl b.mtl\nf 1 2 3 4\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.vertices[0].position.x, -1.0f);
    EXPECT_EQ(r.vertices[1].position.x, 1.0f);  // "1e" is 1, and 2 and 3 still follow
    EXPECT_EQ(r.vertices[1].position.z, 3.0f);
    EXPECT_EQ(r.vertices[2].position.y, 2.0f);
    EXPECT_EQ(r.vertices[2].position.z, 0.0f);  // nothing read there before
    EXPECT_STREQ(r.groups[1].name, "body");
    EXPECT_STREQ(r.groups[1].materialName, "skin");
    EXPECT_STREQ(r.mtllib, "a.mtl");
}

TEST(ObjReader, LeftOutComponentsKeepWhatTheSlotHeld)
{
    std::string faces = "f 1 2 3\n";
    ASSERT_TRUE(Fresh("v 5 6 7\nv 1 0 0\nv 0 1 0\n" + faces).ok);
    LoadResult again = LoadWithProduct("v 1 2\nv 1 0 0\nv 0 1 0\n" + faces);
    EXPECT_EQ(again.vertices[0].position.z, 7.0f);
    LoadResult reset = Fresh("v 1 2\nv 1 0 0\nv 0 1 0\n" + faces);
    EXPECT_EQ(reset.vertices[0].position.z, 0.0f);
}

TEST(ObjReader, GroupsAndMaterials)
{
    LoadResult r =
        Fresh("usemtl skin\ng body\ng body\nusemtl a\nusemtl b\ng\ng tail\n" + NumberedPositions(3) + "f 1 2 3\n");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.groupCount, 4);  // the bare g opens nothing; equal names give two groups
    EXPECT_STREQ(r.groups[0].materialName, "skin");
    EXPECT_STREQ(r.groups[1].materialName, "");
    EXPECT_STREQ(r.groups[2].materialName, "b");
    EXPECT_STREQ(r.groups[3].materialName, "");  // never inherited
    EXPECT_EQ(r.groups[3].startIndex, 0);
    EXPECT_EQ(r.groups[3].indexCount, 3);

    std::string groups254, tri = NumberedPositions(3) + "f 1 2 3\n";
    for (int i = 0; i < 254; ++i) groups254 += "g g" + std::to_string(i) + "\n";
    LoadResult most = Fresh(groups254 + tri);
    ASSERT_TRUE(most.ok);
    EXPECT_EQ(most.groupCount, 255);
    LoadResult over = Fresh(groups254 + "g last\n" + tri);
    EXPECT_FALSE(over.ok);
    EXPECT_EQ(over.status.failure, ObjReadFailure::TooManyGroups);
    EXPECT_EQ(over.status.line, 255);
}

TEST(ObjReader, LongNamesTokensLinesAndCarriageReturns)
{
    std::string tri = NumberedPositions(3);
    LoadResult longName = Fresh("g " + std::string(90, 'n') + "\n" + tri + "f 1 2 3\n");
    ASSERT_TRUE(longName.ok);
    EXPECT_EQ(std::string(longName.groups[1].name), std::string(79, 'n'));
    // A 256-character token keeps 255 characters (all zeros: octal 0, no position) and does
    // not spill into the next token, so the corners are 0, 1, 2 and not 3, 1, 2.
    LoadResult token = Fresh(tri + "f " + std::string(255, '0') + "3 1 2\n");
    ASSERT_TRUE(token.ok);
    EXPECT_EQ(TriangleXs(token), (std::vector<float>{0, 1, 2}));
    // Over 1023 characters the rest of a line is read as a line of its own.
    LoadResult pieces = Fresh(tri + "#" + std::string(1022, ' ') + "f 1 2 3\n");
    ASSERT_TRUE(pieces.ok);
    EXPECT_EQ(pieces.indexCount, 3);
    LoadResult crlf = Fresh("g body\r\nusemtl skin\r\n" + tri + "f 1 2 3\r\n");
    ASSERT_TRUE(crlf.ok);
    EXPECT_STREQ(crlf.groups[1].name, "body");
    EXPECT_STREQ(crlf.groups[1].materialName, "skin");
}

TEST(ObjReader, DegenerateTrianglesAndMerging)
{
    // 1 and 2 lie 0.000005 apart: triangle (1, 2, 3) is dropped, (1, 3, 4) stays.
    LoadResult quad = Fresh("v 0 0 0\nv 0.000005 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
    ASSERT_TRUE(quad.ok);
    EXPECT_EQ(quad.indexCount, 3);
    EXPECT_EQ(quad.vertices[quad.indices[2]].position.x, 0.0f);
    // 0.00005 apart: merged into one vertex; the triangle keeps both corners on it.
    LoadResult merged = Fresh("v 0 0 0\nv 0.00005 0 0\nv 1 0 0\nf 1 2 3\n");
    ASSERT_TRUE(merged.ok);
    EXPECT_EQ(merged.vertexCount, 2);
    EXPECT_EQ(std::vector<uint32_t>(merged.indices.get(), merged.indices.get() + 3), (std::vector<uint32_t>{0, 0, 1}));
    // A chain 0.00006 apart: 2 becomes 1 and 3 becomes 2, not 1.
    LoadResult chain = Fresh("v 0 0 0\nv 0.00006 0 0\nv 0.00012 0 0\nv 1 0 0\nv 1 1 0\nf 2 4 5\nf 3 4 5\n");
    ASSERT_TRUE(chain.ok);
    EXPECT_EQ(TriangleXs(chain), (std::vector<float>{0, 1, 1, 0.00006f, 1, 1}));
    // One position with two normals gives two vertices.
    LoadResult seam = Fresh("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nvn 0 0 -1\nf 1//1 2//1 3//1\nf 1//2 3//2 2//2\n");
    EXPECT_EQ(seam.vertexCount, 6);
}

std::string Triangles(int count)
{
    std::string s = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < count; ++i) s += "f 1 2 3\n";
    return s;
}

TEST(ObjReader, TriangleAndIndexLimits)
{
    LoadResult most = Fresh(Triangles(21844));
    ASSERT_TRUE(most.ok);
    EXPECT_EQ(most.indexCount, 65532);
    LoadResult over = Fresh(Triangles(21845));
    EXPECT_FALSE(over.ok);
    EXPECT_EQ(over.status.failure, ObjReadFailure::TooManyIndices);
    LoadResult far = Fresh(Triangles(21846));
    EXPECT_FALSE(far.ok);
    EXPECT_EQ(far.status.failure, ObjReadFailure::TooManyTriangles);
    EXPECT_EQ(far.status.line, 3 + 21846);
}

TEST(ObjReader, TriangleLimitIsCheckedBeforeTheDegenerateTest)
{
    // With the corner list full, even a triangle that would be dropped ends the read there.
    LoadResult full = Fresh(Triangles(21845) + "f 1 1 1\n");
    EXPECT_FALSE(full.ok);
    EXPECT_EQ(full.status.failure, ObjReadFailure::TooManyTriangles);
    EXPECT_EQ(full.status.line, 3 + 21846);
    // One short of full, the degenerate triangle is dropped and the model loads.
    LoadResult room = Fresh(Triangles(21844) + "f 1 1 1\n");
    ASSERT_TRUE(room.ok);
    EXPECT_EQ(room.indexCount, 65532);
}

TEST(ObjReader, ElementLimits)
{
    const char* kinds[] = {"v 0.5 0.25 1\n", "vt 0.5 0.25\n", "vn 0 0 1\n"};
    const ObjReadFailure failures[] = {ObjReadFailure::TooManyPositions, ObjReadFailure::TooManyTexcoords,
                                       ObjReadFailure::TooManyNormals};
    const std::string face = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    for (int k = 0; k < 3; ++k) {
        int count = k == 0 ? 65535 - 3 : 65535;  // the face's own three v lines count too
        std::string lines;
        for (int i = 0; i < count; ++i) lines += kinds[k];
        LoadResult most = Fresh(face + lines);
        EXPECT_TRUE(most.ok) << kinds[k];
        EXPECT_EQ(most.indexCount, 3) << kinds[k];
        LoadResult over = Fresh(face + lines + kinds[k]);
        EXPECT_FALSE(over.ok) << kinds[k];
        EXPECT_EQ(over.status.failure, failures[k]);
        EXPECT_EQ(over.status.line, 4 + count + 1);
    }
}

TEST(ObjReader, NullStreamAndEmptyModel)
{
    int vc = 5, ic = 5, gc = 5;
    MeshVertex v[1];
    uint32_t i[1];
    MeshGroup g[1];
    char lib[80];
    EXPECT_FALSE(ReadObj(nullptr, v, vc, i, ic, g, gc, lib));
    EXPECT_EQ(ic, 0);
    LoadResult empty = Fresh("# nothing\n");
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.indexCount, 0);
    EXPECT_EQ(empty.groupCount, 1);
}

// The descriptions are spelled from the limits at compile time; the words a user reads stay these.
TEST(ObjReader, FailureDescriptionsQuoteTheLimits)
{
    const std::pair<ObjReadFailure, const char*> texts[] = {
        {ObjReadFailure::None, "no failure"},
        {ObjReadFailure::TooManyPositions, "more than 65535 positions (v lines)"},
        {ObjReadFailure::TooManyTexcoords, "more than 65535 texture coordinates (vt lines)"},
        {ObjReadFailure::TooManyNormals, "more than 65535 normals (vn lines)"},
        {ObjReadFailure::TooManyGroups, "more than 254 g lines (at most 255 groups)"},
        {ObjReadFailure::TooFewCorners, "a face line with fewer than three corners"},
        {ObjReadFailure::TooManyTriangles, "more than 21845 triangles"},
        {ObjReadFailure::TooManyIndices, "more than 21844 triangles (at most 65532 indices)"},
    };
    for (const auto& [failure, text] : texts) EXPECT_STREQ(DescribeObjReadFailure(failure), text);
}

// Numbers at digit-count boundaries, and empty parts, which add nothing.
TEST(ConstText, JoinsLiteralsAndDecimalNumbers)
{
    constexpr auto joined =
        JoinText("", DecimalText<0>(), "|", DecimalText<9>(), "|", DecimalText<10>(), "|", DecimalText<65535>(), "");
    static_assert(sizeof joined.chars == sizeof "0|9|10|65535");
    EXPECT_STREQ(joined.chars, "0|9|10|65535");
}

}  // namespace
