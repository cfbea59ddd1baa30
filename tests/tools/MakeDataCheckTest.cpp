// Tests of the data generator's model checker on small hand-written models, and of the
// generated bear and its material library.
#include "MakeData.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {
using makedata::CheckObjFile;
using makedata::ObjRules;

const ObjRules SmallModel = {1, 100, 0.001, 0.001};

std::string TempPath(const std::string& name)
{
    return testing::TempDir() + "/" + testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + name;
}

std::string Check(const std::string& text, makedata::ObjStats* stats = nullptr)
{
    const std::string path = TempPath("model.obj");
    std::ofstream(path, std::ios::binary) << text;
    return CheckObjFile(path, SmallModel, stats);
}

// A closed tetrahedron, faces wound outwards, normals pointing away from its centroid.
const char* TetrahedronHead = "mtllib ..\\misc\\m.mtl\n"
                              "g tet\n"
                              "usemtl fur\n"
                              "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
                              "vt 0 0\n"
                              "vn -0.577350 -0.577350 -0.577350\n"
                              "vn 0.904534 -0.301511 -0.301511\n"
                              "vn -0.301511 0.904534 -0.301511\n"
                              "vn -0.301511 -0.301511 0.904534\n";
const char* TetrahedronFaces = "f 1/1/1 3/1/3 2/1/2\nf 1/1/1 2/1/2 4/1/4\nf 1/1/1 4/1/4 3/1/3\nf 2/1/2 3/1/3 4/1/4\n";

std::string Tetrahedron()
{
    return std::string(TetrahedronHead) + TetrahedronFaces;
}

bool Says(const std::string& problem, const std::string& words)
{
    return problem.find(words) != std::string::npos;
}
}  // namespace

TEST(ModelCheck, AcceptsAClosedOutwardShell)
{
    makedata::ObjStats stats;
    EXPECT_EQ(Check(Tetrahedron(), &stats), "");
    EXPECT_EQ(stats.positions, 4);
    EXPECT_EQ(stats.triangles, 4);
    EXPECT_EQ(stats.vertices, 4);
    EXPECT_EQ(stats.groups, std::vector<std::string>{"tet"});
}

TEST(ModelCheck, RejectsBrokenSurfaces)
{
    const std::string head = TetrahedronHead;
    // Inside out: every face reversed, normals too.
    std::string inverted = head +
                           "vn 0.577350 0.577350 0.577350\nvn -0.904534 0.301511 0.301511\n"
                           "vn 0.301511 -0.904534 0.301511\nvn 0.301511 0.301511 -0.904534\n"
                           "f 1/1/5 2/1/6 3/1/7\nf 1/1/5 4/1/8 2/1/6\nf 1/1/5 3/1/7 4/1/8\nf 2/1/6 4/1/8 3/1/7\n";
    EXPECT_TRUE(Says(Check(inverted), "wound inwards")) << Check(inverted);

    EXPECT_TRUE(Says(Check(head + "f 1/1/1 3/1/3 2/1/2\nf 1/1/1 2/1/2 4/1/4\nf 1/1/1 4/1/4 3/1/3\n"), "open edge"));
    EXPECT_TRUE(Says(Check(Tetrahedron() + "f 2/1/2 3/1/3 4/1/4\n"), "2 times"));
    // One face wound the wrong way: its edges run the same direction as its neighbours'.
    EXPECT_TRUE(Says(Check(head + "f 1/1/1 3/1/3 2/1/2\nf 1/1/1 2/1/2 4/1/4\nf 1/1/1 4/1/4 3/1/3\n"
                                  "f 2/1/2 4/1/4 3/1/3\n"),
                     "times in one direction"));
    // A normal on the inner side of its triangle.
    std::string badNormal = Tetrahedron();
    badNormal.replace(badNormal.find("vn 0.904534"), 11, "vn -0.904534");
    EXPECT_TRUE(Says(Check(badNormal), "normal"));
}

TEST(ModelCheck, RejectsWhatTheReaderWouldMergeOrDrop)
{
    // An extra position 0.0005 from another one.
    EXPECT_TRUE(Says(Check(Tetrahedron() + "v 1.0005 0 0\n"), "apart"));
    // The same position written twice.
    EXPECT_TRUE(Says(Check(Tetrahedron() + "v 0 0 1\n"), "apart"));
    // A tiny closed tetrahedron: its edges are shorter than the rule allows.
    std::string tiny = Tetrahedron();
    for (const char* from : {"v 1 0 0", "v 0 1 0", "v 0 0 1"}) {
        std::string to = from;
        to.replace(to.find('1'), 1, "0.0009");
        tiny.replace(tiny.find(from), std::string(from).size(), to);
    }
    ObjRules looseDistance = SmallModel;
    looseDistance.minPositionDistance = 0.0001;
    const std::string path = TempPath("tiny.obj");
    std::ofstream(path, std::ios::binary) << tiny;
    EXPECT_TRUE(Says(CheckObjFile(path, looseDistance), "edge of length"));
}

TEST(ModelCheck, RejectsWhatTheReaderCannotLoad)
{
    EXPECT_TRUE(Says(Check(std::string(TetrahedronHead) + "f 1/1/1 3/1/3 2/1/2 4/1/4\n"), "not a triangle"));
    EXPECT_TRUE(Says(Check(std::string(TetrahedronHead) + "f 1/1/1 3/1/3 9/1/2\n"), "reference outside"));
    EXPECT_TRUE(Says(Check(std::string(TetrahedronHead) + "f 1 3 2\n"), "not a triangle"));
    EXPECT_TRUE(Says(Check(Tetrahedron().substr(std::string("mtllib ..\\misc\\m.mtl\n").size())), "mtllib"));
    EXPECT_TRUE(Says(Check(Tetrahedron() + "g " + std::string(80, 'n') + "\n"), "79 characters"));
    EXPECT_TRUE(Says(Check(Tetrahedron() + "# " + std::string(1030, 'x') + "\n"), "longer than"));
    EXPECT_TRUE(Says(Check(Tetrahedron() + "s off\n"), "unexpected statement"));
    EXPECT_TRUE(Says(Check(Tetrahedron() + "g empty\nusemtl fur\n"), "no triangles"));

    std::string manyGroups = "mtllib m.mtl\n";
    for (int i = 0; i < 255; ++i) manyGroups += "g part" + std::to_string(i) + "\n";
    manyGroups += TetrahedronHead;
    EXPECT_TRUE(Says(Check(manyGroups + TetrahedronFaces), "254 groups"));

    const ObjRules needsMore = {5, 100, 0.001, 0.001};
    const std::string path = TempPath("few.obj");
    std::ofstream(path, std::ios::binary) << Tetrahedron();
    EXPECT_TRUE(Says(CheckObjFile(path, needsMore), "4 triangles"));
    EXPECT_TRUE(Says(CheckObjFile(TempPath("missing.obj")), "cannot open"));
}

TEST(GeneratedBear, PassesTheCheckAndNamesOnlyItsOwnMaterials)
{
    const std::string obj = TempPath("kuma.obj"), mtl = TempPath("kuma.mtl");
    const auto shells = makedata::BuildBear();
    ASSERT_TRUE(makedata::WriteObj(obj, shells, "..\\misc\\kuma.mtl"));
    ASSERT_TRUE(makedata::WriteMtl(mtl));
    makedata::ObjStats stats;
    EXPECT_EQ(CheckObjFile(obj, {}, &stats), "");
    EXPECT_GE(stats.groups.size(), 3u);

    std::ifstream in(mtl);
    std::set<std::string> materials;
    std::string line, current;
    std::set<std::string> textured;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string keyword, value;
        words >> keyword >> value;
        if (keyword == "newmtl")
            materials.insert(current = value);
        else if (keyword == "map_Kd")
            textured.insert(current);
    }
    std::set<std::string> used;
    for (const auto& s : shells) used.insert(s.material);
    for (const auto& m : used) EXPECT_TRUE(materials.count(m)) << m;
    EXPECT_TRUE(used.count("fur") && used.count("muzzle") && used.count("nose"));
    EXPECT_TRUE(textured.count("fur"));
    EXPECT_FALSE(textured.count("nose"));
}

TEST(GeneratedTextures, AreDeterministicBitmapsWithDetail)
{
    const auto fur = makedata::MakeFurTexture(64);
    EXPECT_EQ(fur, makedata::MakeFurTexture(64));
    ASSERT_EQ(fur.size(), 64u * 64u * 3u);
    std::set<unsigned char> reds;
    for (size_t i = 0; i < fur.size(); i += 3) reds.insert(fur[i]);
    EXPECT_GT(reds.size(), 20u);  // varied, not a flat colour

    const std::string path = TempPath("t.bmp");
    ASSERT_TRUE(makedata::WriteBmp(path, 3, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}));
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 54u + 2u * 12u);  // rows of 9 bytes padded to 12
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    // Bottom row first, blue-green-red: the bottom-left pixel is (10, 11, 12).
    EXPECT_EQ(static_cast<unsigned char>(bytes[54]), 12);
    EXPECT_EQ(static_cast<unsigned char>(bytes[56]), 10);
    EXPECT_EQ(static_cast<unsigned char>(bytes[54 + 12]), 3);
}
