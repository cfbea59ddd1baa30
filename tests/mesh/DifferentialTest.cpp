// The product's reader, merging, adjacency and sphere against the reference loops, bit for
// bit, on seeded random and adversarial input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "Adjacency.h"
#include "BoundingSphere.h"
#include "LoadResult.h"
#include "ModelGenerator.h"
#include "ObjOracle.h"
#include "PositionMerge.h"

namespace {

void ExpectSame(const LoadResult& a, const LoadResult& b, const std::string& what)
{
    ASSERT_EQ(a.ok, b.ok) << what;
    if (!a.ok) return;
    ASSERT_EQ(a.vertexCount, b.vertexCount) << what;
    ASSERT_EQ(a.indexCount, b.indexCount) << what;
    ASSERT_EQ(a.groupCount, b.groupCount) << what;
    EXPECT_STREQ(a.mtllib, b.mtllib) << what;
    EXPECT_EQ(0, memcmp(a.vertices.get(), b.vertices.get(), sizeof(MeshVertex) * a.vertexCount)) << what;
    EXPECT_EQ(0, memcmp(a.indices.get(), b.indices.get(), sizeof(uint32_t) * a.indexCount)) << what;
    for (int g = 0; g < a.groupCount; ++g) {
        EXPECT_STREQ(a.groups[g].name, b.groups[g].name) << what << " group " << g;
        EXPECT_STREQ(a.groups[g].materialName, b.groups[g].materialName) << what << " group " << g;
        EXPECT_EQ(a.groups[g].startIndex, b.groups[g].startIndex) << what << " group " << g;
        EXPECT_EQ(a.groups[g].indexCount, b.groups[g].indexCount) << what << " group " << g;
    }
    EXPECT_EQ(a.adjacency, b.adjacency) << what;
    EXPECT_EQ(0, memcmp(&a.sphere, &b.sphere, sizeof a.sphere)) << what;
}

// The invariants of every successful read, independent of the reference.
void ExpectWellFormed(const LoadResult& r, const std::string& what)
{
    if (!r.ok) return;
    EXPECT_EQ(r.indexCount % 3, 0) << what;
    EXPECT_LE(r.vertexCount, r.indexCount) << what;
    int expectedStart = 0;
    for (int g = 0; g < r.groupCount; ++g) {
        EXPECT_EQ(r.groups[g].startIndex, expectedStart) << what;
        expectedStart += r.groups[g].indexCount;
    }
    EXPECT_EQ(expectedStart, r.indexCount) << what;
    for (int i = 0; i < r.indexCount; ++i) ASSERT_LT(r.indices[i], static_cast<uint32_t>(r.vertexCount)) << what;
}

TEST(Differential, AwkwardModelsMatchReference)
{
    // One sequence for both readers from the same start, so that slot contents left by
    // earlier models (components a v line leaves out) are compared too.
    ResetObjReaderTables();
    oracle::ResetTables();
    int loaded = 0, failed = 0;
    for (uint32_t seed = 1; seed <= 600; ++seed) {
        std::string text = GenerateAwkwardModel(seed);
        LoadResult ours = LoadWithProduct(text);
        LoadResult reference = LoadWithOracle(text);
        std::string what = "seed " + std::to_string(seed);
        ExpectSame(ours, reference, what);
        ExpectWellFormed(ours, what);
        if (HasFatalFailure() || HasFailure()) return;
        ours.Loaded() ? ++loaded : ++failed;
    }
    // The generator must keep producing both outcomes, or the comparison loses its reach.
    EXPECT_GT(loaded, 300);
    EXPECT_GT(failed, 20);
}

// Files much larger than the reader's block of input, with lines of every length around the
// 1023-character piece size, zero bytes and a missing last line feed: the pieces the reader
// cuts must be the ones fgets returns.
TEST(Differential, LargeFilesWithLongLinesAndZeroBytesMatchReference)
{
    ResetObjReaderTables();
    oracle::ResetTables();
    std::mt19937 rng(17);
    for (int model = 0; model < 6; ++model) {
        std::string text;
        int positions = 0;
        while (text.size() < 300000) {
            switch (rng() % 6) {
            case 0:
                text += "v " + std::to_string(rng() % 7) + " " + std::to_string(rng() % 5) + " 0\n";
                ++positions;
                break;
            case 1:
                if (positions >= 3) text += "f -1 -2 -3 " + std::to_string(1 + rng() % positions) + "\n";
                break;
            case 2: text += "g part" + std::to_string(rng() % 100) + "\n"; break;
            default: {
                // A comment line of statements: the ones that begin a piece of it count.
                static const char* LineParts[] = {"v 9 8 7 ", "usemtl m ", "g x ", "  ", "vt 1 ", "vn 0 "};
                std::string filler;
                size_t length = rng() % 2100;
                while (filler.size() < length) filler += LineParts[rng() % 6];
                if (rng() % 5 == 0 && !filler.empty()) filler[rng() % filler.size()] = '\0';
                text += "#" + filler + (rng() % 2 ? "v 1 2 3" : "f 1 2 3") + (rng() % 3 ? "\n" : "\r\n");
                break;
            }
            }
        }
        if (model % 2) text.pop_back();
        LoadResult ours = LoadWithProduct(text);
        LoadResult reference = LoadWithOracle(text);
        ExpectSame(ours, reference, "large model " + std::to_string(model));
        EXPECT_GT(ours.indexCount, 0);
    }
}

// Clustered positions around the merge threshold, huge coordinates and non-finite values.
std::vector<float> RandomPositions(std::mt19937& rng, int count)
{
    std::vector<float> p;
    auto unit = [&] { return static_cast<float>(rng() >> 8) / 16777216.0f; };
    const float scales[] = {1.0f, 1e-3f, 3e6f, 4096.0f};
    float scale = scales[rng() % 4];
    for (int i = 0; i < count; ++i) {
        float x, y, z;
        if (i > 0 && rng() % 3 != 0) {
            size_t base = (rng() % 2 ? static_cast<size_t>(i - 1) : rng() % static_cast<size_t>(i)) * 3;
            float d = (unit() * 2.0f) * 1e-4f;
            x = p[base] + d * (unit() - 0.5f);
            y = p[base + 1] + d * (unit() - 0.5f);
            z = p[base + 2] + ((rng() % 4 == 0) ? d : 0.0f);
        } else {
            x = (unit() - 0.5f) * scale;
            y = (unit() - 0.5f) * scale;
            z = (unit() - 0.5f) * scale;
        }
        switch (rng() % 40) {
        case 0: x = NAN; break;
        case 1: y = INFINITY; break;
        case 2: z = -INFINITY; break;
        case 3: x = -0.0f; break;
        case 4:
            x = std::ldexp(1.0f, 20);
            y = std::nextafter(x, 0.0f);
            break;  // near the exact-key boundary
        default: break;
        }
        p.insert(p.end(), {x, y, z});
    }
    return p;
}

TEST(Differential, MergeTargetsMatchAllPairs)
{
    std::mt19937 rng(7);
    std::vector<int32_t> target(65536);
    for (int round = 0; round < 60; ++round) {
        int count = 2 + static_cast<int>(rng() % (round < 50 ? 300 : 2000));
        std::vector<float> p = RandomPositions(rng, count);
        const auto* positions = reinterpret_cast<const float(*)[3]>(p.data());
        FindMergeTargets(positions, count, target.data());
        for (int j = 1; j <= count; ++j) {
            int32_t expected = j;
            for (int a = 1; a < j; ++a) {
                const float* pa = positions[a - 1];
                const float* pj = positions[j - 1];
                if (IsMergeNear(Length3(pa[0] - pj[0], pa[1] - pj[1], pa[2] - pj[2]))) {
                    expected = a;
                    break;
                }
            }
            ASSERT_EQ(target[j], expected) << "round " << round << " position " << j;
        }
    }
}

// Triangles over a small pool of positions with seams, zero-length edges, -0 and NaN.
TEST(Differential, AdjacencyAndSphereMatchReference)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        int pool = 3 + static_cast<int>(rng() % 12);
        std::vector<Float3> positions;
        for (int i = 0; i < pool; ++i)
            positions.push_back(
                {static_cast<float>(rng() % 3), static_cast<float>(rng() % 3), static_cast<float>(rng() % 2)});
        if (rng() % 4 == 0) positions[0].x = -0.0f, positions[1].x = 0.0f;
        if (rng() % 6 == 0) positions[rng() % pool].y = NAN;
        // Several vertices per position: texture seams give different indices at one place.
        std::vector<MeshVertex> vertices;
        for (int i = 0; i < pool * 2; ++i) vertices.push_back({positions[rng() % pool], {0, 0, 1}, {0, 0}});
        int triangles = 1 + static_cast<int>(rng() % 40);
        std::vector<uint32_t> indices;
        for (int t = 0; t < triangles; ++t) {
            uint32_t a = rng() % vertices.size(), b = rng() % vertices.size(), c = rng() % vertices.size();
            if (t > 0 && rng() % 3 == 0) {  // reuse an earlier triangle's edge, either direction
                size_t e = 3 * (rng() % t);
                a = indices[e];
                b = indices[e + 1];
                if (rng() % 2) std::swap(a, b);
            }
            indices.insert(indices.end(), {a, b, c});
        }
        int count = static_cast<int>(indices.size());
        std::vector<uint32_t> ours(2 * count, 1), reference(2 * count, 2);
        BuildAdjacency(vertices.data(), indices.data(), count, ours.data());
        oracle::BuildAdjacency(vertices.data(), indices.data(), count, reference.data());
        ASSERT_EQ(ours, reference) << "round " << round;

        BoundingSphere s1, s2;
        ComputeBoundingSphere(vertices.data(), static_cast<uint32_t>(vertices.size()), s1);
        oracle::ComputeBoundingSphere(vertices.data(), static_cast<uint32_t>(vertices.size()), s2);
        ASSERT_EQ(0, memcmp(&s1, &s2, sizeof s1)) << "round " << round;
    }
}

}  // namespace
