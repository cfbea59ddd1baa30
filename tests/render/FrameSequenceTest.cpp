// FrameSequenceTest.cpp: what one frame asks of the device, observed through the layer's call
// log: the settings of each pass in order, one upload, texture bind and draw per group with
// indices, the doubled adjacency ranges, a failing Map, and Present's result passed through.
#include <PlatformTestHooks.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Frame.h"
#include "Graphics.h"
#include "ModelObjects.h"
#include "Pipelines.h"
#include "RenderTestSupport.h"
#include "SharedState.h"
#include "StartupFailure.h"
#include "WindowFixture.h"

namespace {

using platform_test::Call;
using platform_test::CallRecord;
using platform_test::ObjectId;

struct Expected {
    Call call;
    uint64_t a = 0, b = 0, c = 0;  // c is not compared for Draw, which records two arguments
};

uint64_t Id(IUnknown* object)
{
    return ObjectId(object);
}

// A small model whose groups cover the cases of the group loop, in this order: the implicit
// first group (no indices), "first" (fur, 10 triangles from index 0), "second" (muzzle,
// 30 triangles from index 30), "empty" (fur, no triangles), "nose" (a material without a texture,
// 5 triangles) and "nomaterial" (a material the library lacks, 5 triangles).
std::string GroupsModel()
{
    std::string obj = "mtllib ..\\misc\\kuma.mtl\n";
    for (int y = 0; y <= 10; ++y)
        for (int x = 0; x <= 10; ++x) obj += "v " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
    int quad = 0;
    auto triangles = [&](int count) {
        for (int made = 0; made < count; made += 2, ++quad) {
            const int x = quad % 10, y = quad / 10;
            const int a = y * 11 + x + 1, b = a + 1, c = a + 11, d = a + 12;
            obj += "f " + std::to_string(a) + " " + std::to_string(c) + " " + std::to_string(b) + "\n";
            if (made + 1 < count)
                obj += "f " + std::to_string(b) + " " + std::to_string(c) + " " + std::to_string(d) + "\n";
        }
    };
    obj += "g first\nusemtl fur\n";
    triangles(10);
    obj += "g second\nusemtl muzzle\n";
    triangles(30);
    obj += "g empty\nusemtl fur\n";
    obj += "g nose\nusemtl nose\n";
    triangles(5);
    obj += "g nomaterial\nusemtl missing\n";
    triangles(5);
    return obj;
}

class FrameSequenceTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(directory_.ok());
        ASSERT_EQ(renderer_.result(), S_OK) << StartupFailureText;
    }
    void TearDown() override
    {
        UseAdjacency = true;
        CameraDistance = MinCameraDistance;
        platform_test::FailNthMap(0);
    }

    // The calls of one RenderFrame, as recorded.
    static std::vector<CallRecord> RecordFrame(HRESULT* result = nullptr)
    {
        platform_test::StartCallLog();
        const HRESULT hr = RenderFrame();
        platform_test::StopCallLog();
        if (result) *result = hr;
        return platform_test::CallLog();
    }

    // The texture a group is drawn with: its material's map_Kd, or the default texture.
    static uint64_t TextureOf(const MeshGroup& group)
    {
        const Material* material = Materials.FindMaterial(group.materialName);
        return Id(Materials.GetTextureOrDefault(material ? material->map_Kd : nullptr));
    }

    // The group loop of one pass, for every group with indices (the first `mapsThatWork` Maps
    // succeed, the next fails and ends the pass).
    static void AppendGroups(std::vector<Expected>* out, bool adjacency, int mapsThatWork = 1 << 30)
    {
        for (int i = 0; i < Mesh.GetGroupCount(); ++i) {
            const MeshGroup& group = Mesh.GetGroups()[i];
            if (group.indexCount <= 0) continue;
            if (mapsThatWork-- == 0) {
                out->push_back({Call::Map, D3D11_MAP_WRITE_DISCARD, uint32_t(E_OUTOFMEMORY)});
                return;
            }
            const uint64_t scale = adjacency ? 2 : 1;
            out->push_back({Call::Map, D3D11_MAP_WRITE_DISCARD, 0});
            out->push_back({Call::Unmap, 0});
            out->push_back({Call::PSSetShaderResources, TextureOf(group), 0, 1});  // slot 0, one view
            out->push_back(
                {Call::DrawIndexed, scale * uint64_t(group.indexCount), scale * uint64_t(group.startIndex), 0});
        }
    }

    static std::vector<Expected> ExpectedFrame(bool adjacency, int scenePassMaps = 1 << 30)
    {
        std::vector<Expected> frame = {
            {Call::IASetIndexBuffer, Id(Mesh.GetIndexBuffer()), DXGI_FORMAT_R32_UINT, 0},
            {Call::IASetPrimitiveTopology, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST},
            {Call::VSSetShader, Id(SceneVertexShader)},
            {Call::GSSetShader, 0},
            {Call::PSSetShader, Id(ScenePixelShader)},
        };
        AppendGroups(&frame, false, scenePassMaps);
        const std::vector<Expected> volumes = {
            {Call::IASetIndexBuffer, Id(adjacency ? Mesh.GetAdjacencyIndexBuffer() : Mesh.GetIndexBuffer()),
             DXGI_FORMAT_R32_UINT, 0},
            {Call::IASetPrimitiveTopology,
             adjacency ? D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST_ADJ : D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST},
            {Call::VSSetShader, Id(ShadowVolumeVertexShader)},
            {Call::GSSetShader, Id(adjacency ? ShadowVolumeGeometryShaderAdj : ShadowVolumeGeometryShader)},
            {Call::PSSetShader, 0},
        };
        frame.insert(frame.end(), volumes.begin(), volumes.end());
        AppendGroups(&frame, adjacency);
        const std::vector<Expected> shadow = {
            {Call::IASetPrimitiveTopology, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP},
            {Call::VSSetShader, Id(ShadowVertexShader)},
            {Call::GSSetShader, 0},
            {Call::PSSetShader, Id(ShadowPixelShader)},
            {Call::Draw, 4, 0},
            {Call::Present, 0, 0, 0},
        };
        frame.insert(frame.end(), shadow.begin(), shadow.end());
        return frame;
    }

    static void ExpectSequence(const std::vector<CallRecord>& log, const std::vector<Expected>& expected)
    {
        ASSERT_EQ(log.size(), expected.size());
        for (size_t i = 0; i < log.size(); ++i) {
            SCOPED_TRACE("call " + std::to_string(i));
            EXPECT_EQ(int(log[i].call), int(expected[i].call));
            EXPECT_EQ(log[i].a, expected[i].a);
            EXPECT_EQ(log[i].b, expected[i].b);
            if (expected[i].call != Call::Draw) {
                EXPECT_EQ(log[i].c, expected[i].c);
            }
        }
    }

    static int GroupsWithIndices()
    {
        int count = 0;
        for (int i = 0; i < Mesh.GetGroupCount(); ++i) count += Mesh.GetGroups()[i].indexCount > 0;
        return count;
    }

    static int Count(const std::vector<CallRecord>& log, Call call)
    {
        int count = 0;
        for (const CallRecord& record : log) count += record.call == call;
        return count;
    }

    WorkingDirectory directory_{
        {"Quenvale.sh", "kuma.mtl", "fur.bmp", "muzzle.bmp", "default.bmp"}, {}, {{"kuma.obj", GroupsModel()}}};
    WindowRenderer renderer_{640, 480, 1234};
};

// The real model, drawn once: its draw groups as the frame sees them.
TEST(FrameOfTheModelTest, EveryGroupWithIndicesIsUploadedBoundAndDrawnOncePerPass)
{
    WorkingDirectory directory;
    ASSERT_TRUE(directory.ok());
    WindowRenderer renderer(640, 480, 500);
    ASSERT_EQ(renderer.result(), S_OK) << StartupFailureText;
    platform_test::StartCallLog();
    EXPECT_EQ(RenderFrame(), S_OK);
    platform_test::StopCallLog();
    int groups = 0;
    for (int i = 0; i < Mesh.GetGroupCount(); ++i) groups += Mesh.GetGroups()[i].indexCount > 0;
    ASSERT_GE(groups, 3);
    int maps = 0, binds = 0, indexed = 0, draws = 0, presents = 0;
    for (const CallRecord& record : platform_test::CallLog()) {
        maps += record.call == Call::Map;
        binds += record.call == Call::PSSetShaderResources;
        indexed += record.call == Call::DrawIndexed;
        draws += record.call == Call::Draw && record.a == 4;
        presents += record.call == Call::Present;
    }
    EXPECT_EQ(maps, 2 * groups);
    EXPECT_EQ(binds, 2 * groups);
    EXPECT_EQ(indexed, 2 * groups);
    EXPECT_EQ(draws, 1);
    EXPECT_EQ(presents, 1);
}

TEST_F(FrameSequenceTest, PassesMakeTheirSettingsAndDrawOnlyGroupsWithIndices)
{
    // Groups: implicit (none), first, second, empty (none), nose, nomaterial.
    ASSERT_EQ(Mesh.GetGroupCount(), 6);
    ASSERT_EQ(GroupsWithIndices(), 4);
    HRESULT result = E_FAIL;
    const std::vector<CallRecord> log = RecordFrame(&result);
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(Count(log, Call::Map), 8);
    EXPECT_EQ(Count(log, Call::PSSetShaderResources), 8);
    EXPECT_EQ(Count(log, Call::DrawIndexed), 8);
    ExpectSequence(log, ExpectedFrame(true));

    // The last upload is the whole image; the grid is an open sheet, so every group makes volumes
    // from both sides of the light (0).
    std::vector<uint8_t> uploaded;
    ASSERT_TRUE(ReadBufferBytes(FrameConstantBuffer, &uploaded));
    ASSERT_EQ(uploaded.size(), sizeof(FrameConstants));
    EXPECT_EQ(std::memcmp(uploaded.data(), &FrameConstantsImage, sizeof(FrameConstants)), 0);
    EXPECT_EQ(FrameConstantsImage.volumeSides, 0.0f);
}

TEST_F(FrameSequenceTest, AdjacencyRangesAreTwiceThePlainRanges)
{
    const std::vector<CallRecord> log = RecordFrame();
    std::vector<CallRecord> draws;
    for (const CallRecord& record : log)
        if (record.call == Call::DrawIndexed) draws.push_back(record);
    ASSERT_EQ(draws.size(), 8u);
    // "second" holds indices 30 to 119: 90 from 30 in pass 1, 180 from 60 in pass 2.
    EXPECT_EQ(draws[1].a, 90u);
    EXPECT_EQ(draws[1].b, 30u);
    EXPECT_EQ(draws[5].a, 180u);
    EXPECT_EQ(draws[5].b, 60u);

    // Plain mode: the plain list, a triangle list and GS_SV_2, with the plain ranges.
    UseAdjacency = false;
    ExpectSequence(RecordFrame(), ExpectedFrame(false));
}

TEST_F(FrameSequenceTest, FailedMapEndsOnlyItsOwnPass)
{
    platform_test::FailNthMap(3);
    HRESULT result = E_FAIL;
    const std::vector<CallRecord> log = RecordFrame(&result);
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(Count(log, Call::DrawIndexed), 2 + 4);
    EXPECT_EQ(Count(log, Call::Draw), 1);
    EXPECT_EQ(Count(log, Call::Present), 1);
    ExpectSequence(log, ExpectedFrame(true, 2));
}

TEST_F(FrameSequenceTest, GroupWithoutMaterialDrawsWhiteOverTheDefaultTexture)
{
    const std::vector<CallRecord> log = RecordFrame();
    std::vector<uint64_t> binds;
    for (const CallRecord& record : log)
        if (record.call == Call::PSSetShaderResources) binds.push_back(record.a);
    ASSERT_EQ(binds.size(), 8u);
    ASSERT_NE(Materials.GetDefaultTexture(), nullptr);
    // "nose" has no map_Kd and "nomaterial" no material: both get the default texture.
    EXPECT_EQ(binds[2], Id(Materials.GetDefaultTexture()));
    EXPECT_EQ(binds[3], Id(Materials.GetDefaultTexture()));
    EXPECT_NE(binds[0], Id(Materials.GetDefaultTexture()));
    // "nomaterial" was drawn last: white and opaque.
    EXPECT_EQ(FrameConstantsImage.diffuse[0], 1.0f);
    EXPECT_EQ(FrameConstantsImage.diffuse[1], 1.0f);
    EXPECT_EQ(FrameConstantsImage.diffuse[2], 1.0f);
    EXPECT_EQ(FrameConstantsImage.diffuse[3], 1.0f);
}

TEST_F(FrameSequenceTest, FrameWritesItsTransformsAndLeavesProjection)
{
    const FrameConstants before = FrameConstantsImage;
    CameraDistance = MaxCameraDistance;
    RecordFrame();
    // View row 3 (0, 0, 28.284271, 1) is column 3 of the stored transpose; the light lands at
    // (3, 0, 24.04163).
    EXPECT_FLOAT_EQ(FrameConstantsImage.view.m[2][3], 28.284271f);
    EXPECT_FLOAT_EQ(FrameConstantsImage.view.m[2][1], -0.70710677f);
    EXPECT_FLOAT_EQ(FrameConstantsImage.viewLightPosition[0], 3.0f);
    EXPECT_NEAR(FrameConstantsImage.viewLightPosition[1], 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(FrameConstantsImage.viewLightPosition[2], 24.04163f);
    EXPECT_EQ(std::memcmp(&FrameConstantsImage.projection, &before.projection, sizeof before.projection), 0);
    EXPECT_EQ(FrameConstantsImage.volumeSides, 0.0f);
    // 1234 ms into the spin turns the model by 1234 * pi / 1500 about y; the world's uniform
    // scale is 1 / radius.
    const float k = 1.0f / Mesh.GetBoundingSphere().radius;
    const float angle = 1234.0f * 3.1415927f / 1500.0f;
    EXPECT_NEAR(FrameConstantsImage.world.m[0][0], k * std::cos(angle), 1e-5f * k);
    EXPECT_NEAR(FrameConstantsImage.world.m[0][2], k * std::sin(angle), 1e-5f * k);
    EXPECT_FLOAT_EQ(FrameConstantsImage.world.m[1][1], k);
}

TEST_F(FrameSequenceTest, OccludedPresentComesBackUnchanged)
{
    ShowWindow(renderer_.window(), SW_HIDE);
    HRESULT result = E_FAIL;
    const std::vector<CallRecord> log = RecordFrame(&result);
    EXPECT_EQ(result, DXGI_STATUS_OCCLUDED);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().call, Call::Present);
    EXPECT_EQ(log.back().c, uint32_t(DXGI_STATUS_OCCLUDED));
    ShowWindow(renderer_.window(), SW_SHOW);
    EXPECT_EQ(RenderFrame(), S_OK);
}

}  // namespace
