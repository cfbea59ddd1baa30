// GraphicsTest.cpp: bringing the renderer up (offscreen, and for a window), the objects it makes
// with their descriptions, rebuilding the targets at a new size, and releasing everything.
#include <PlatformTestHooks.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>

#include "Frame.h"
#include "Graphics.h"
#include "ModelObjects.h"
#include "Pipelines.h"
#include "RenderTestSupport.h"
#include "SharedState.h"
#include "StartupFailure.h"
#include "WindowFixture.h"

namespace {

uint32_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

TEST(GraphicsTest, OffscreenBringUpMakesEveryObjectWithItsDescription)
{
    WorkingDirectory directory;
    ASSERT_TRUE(directory.ok());
    OffscreenRenderer renderer(640, 480);
    ASSERT_EQ(renderer.result(), S_OK) << StartupFailureText;
    EXPECT_EQ(StartupFailureText[0], '\0');

    D3D11_BUFFER_DESC constants;
    FrameConstantBuffer->GetDesc(&constants);
    EXPECT_EQ(constants.ByteWidth, 224u);
    EXPECT_EQ(constants.Usage, D3D11_USAGE_DYNAMIC);
    EXPECT_EQ(constants.BindFlags, UINT(D3D11_BIND_CONSTANT_BUFFER));
    EXPECT_EQ(constants.CPUAccessFlags, UINT(D3D11_CPU_ACCESS_WRITE));
    EXPECT_EQ(constants.MiscFlags, 0u);
    EXPECT_EQ(constants.StructureByteStride, 0u);

    D3D11_SAMPLER_DESC sampler;
    LinearWrapSampler->GetDesc(&sampler);
    EXPECT_EQ(sampler.Filter, D3D11_FILTER_MIN_MAG_MIP_LINEAR);
    EXPECT_EQ(int(sampler.Filter), 0x15);
    EXPECT_EQ(sampler.AddressU, D3D11_TEXTURE_ADDRESS_WRAP);
    EXPECT_EQ(sampler.AddressV, D3D11_TEXTURE_ADDRESS_WRAP);
    EXPECT_EQ(sampler.AddressW, D3D11_TEXTURE_ADDRESS_WRAP);
    EXPECT_EQ(sampler.MipLODBias, 0.0f);
    EXPECT_EQ(sampler.MaxAnisotropy, 2u);
    EXPECT_EQ(sampler.ComparisonFunc, D3D11_COMPARISON_NEVER);
    for (float border : sampler.BorderColor) EXPECT_EQ(border, 0.0f);
    EXPECT_EQ(sampler.MinLOD, -FLT_MAX);
    EXPECT_EQ(sampler.MaxLOD, FLT_MAX);

    D3D11_TEXTURE2D_DESC depth;
    DepthStencilTexture->GetDesc(&depth);
    EXPECT_EQ(depth.Width, 640u);
    EXPECT_EQ(depth.Height, 480u);
    EXPECT_EQ(depth.MipLevels, 1u);
    EXPECT_EQ(depth.ArraySize, 1u);
    EXPECT_EQ(depth.Format, DXGI_FORMAT_D32_FLOAT_S8X24_UINT);
    EXPECT_EQ(depth.SampleDesc.Count, 1u);
    EXPECT_EQ(depth.SampleDesc.Quality, 0u);
    EXPECT_EQ(depth.Usage, D3D11_USAGE_DEFAULT);
    EXPECT_EQ(depth.BindFlags, UINT(D3D11_BIND_DEPTH_STENCIL));
    EXPECT_EQ(depth.CPUAccessFlags, 0u);
    EXPECT_EQ(depth.MiscFlags, 0u);
    D3D11_DEPTH_STENCIL_VIEW_DESC view;
    DepthStencilView->GetDesc(&view);
    EXPECT_EQ(view.Format, DXGI_FORMAT_D32_FLOAT_S8X24_UINT);
    EXPECT_EQ(view.ViewDimension, D3D11_DSV_DIMENSION_TEXTURE2D);
    EXPECT_EQ(view.Flags, 0u);
    EXPECT_EQ(view.Texture2D.MipSlice, 0u);
    EXPECT_NE(BackBufferView, nullptr);

    EXPECT_EQ(Viewport.TopLeftX, 0.0f);
    EXPECT_EQ(Viewport.TopLeftY, 0.0f);
    EXPECT_EQ(Viewport.Width, 640.0f);
    EXPECT_EQ(Viewport.Height, 480.0f);
    EXPECT_EQ(Viewport.MinDepth, 0.0f);
    EXPECT_EQ(Viewport.MaxDepth, 1.0f);

    // The projection is stored transposed: column 2 of the matrix, (0, 0, q, -q n), is row 2 here.
    const Matrix4x4& p = FrameConstantsImage.projection;
    EXPECT_FLOAT_EQ(p.m[0][0], 2.799038f);
    EXPECT_FLOAT_EQ(p.m[1][1], 3.7320507f);
    EXPECT_EQ(Bits(p.m[2][2]), 0x3F805220u);
    EXPECT_EQ(Bits(p.m[2][3]), 0xBF805220u);
    EXPECT_EQ(p.m[3][2], 1.0f);
    EXPECT_EQ(p.m[3][3], 0.0f);
    EXPECT_EQ(FrameConstantsImage.volumeSides, 0.0f);

    // The mesh and its materials are loaded, with the default texture.
    EXPECT_GT(Mesh.GetGroupCount(), 0);
    EXPECT_NE(Materials.GetDefaultTexture(), nullptr);
}

TEST(GraphicsTest, ReleaseGraphicsReleasesEverythingAndCanRepeat)
{
    WorkingDirectory directory;
    ASSERT_TRUE(directory.ok());
    const int objects = platform_test::LiveObjectCount();
    const int glObjects = platform_test::LiveGlObjectCount();
    ASSERT_EQ(CreateGraphicsOffscreen(320, 240), S_OK) << StartupFailureText;
    EXPECT_GT(platform_test::LiveObjectCount(), objects + 20);
    ReleaseGraphics();
    EXPECT_EQ(platform_test::LiveObjectCount(), objects);
    EXPECT_EQ(platform_test::LiveGlObjectCount(), glObjects);
    for (void* slot : {(void*)Device, (void*)ImmediateContext, (void*)BackBufferView, (void*)DepthStencilTexture,
                       (void*)DepthStencilView, (void*)FrameConstantBuffer, (void*)LinearWrapSampler,
                       (void*)SceneInputLayout, (void*)ShadowDepthStencilState, (void*)OffscreenTarget})
        EXPECT_EQ(slot, nullptr);
    ReleaseGraphics();
    EXPECT_EQ(platform_test::LiveObjectCount(), objects);
}

TEST(GraphicsTest, MissingModelFailsAfterThePipelinesAndTheConstantBuffer)
{
    WorkingDirectory directory({"Quenvale.sh", "kuma.mtl", "fur.bmp", "muzzle.bmp", "default.bmp"}, {});
    ASSERT_TRUE(directory.ok());
    const int objects = platform_test::LiveObjectCount();
    {
        OffscreenRenderer renderer(64, 64);
        EXPECT_EQ(renderer.result(), E_FAIL);
        EXPECT_NE(ShadowDepthStencilState, nullptr);
        EXPECT_NE(FrameConstantBuffer, nullptr);
        EXPECT_EQ(LinearWrapSampler, nullptr);
        EXPECT_EQ(BackBufferView, nullptr);
        EXPECT_NE(std::strstr(StartupFailureText, "kuma.obj"), nullptr) << StartupFailureText;
    }
    EXPECT_EQ(platform_test::LiveObjectCount(), objects);
}

TEST(GraphicsTest, MissingTextureFailsAtTheMaterialsWithNothingLeftBehind)
{
    WorkingDirectory directory({"Quenvale.sh", "kuma.obj", "kuma.mtl", "muzzle.bmp", "default.bmp"}, {});
    ASSERT_TRUE(directory.ok());
    const int objects = platform_test::LiveObjectCount();
    {
        OffscreenRenderer renderer(64, 64);
        EXPECT_EQ(renderer.result(), E_FAIL);
        EXPECT_NE(Mesh.GetVertexBuffer(), nullptr);
        EXPECT_EQ(LinearWrapSampler, nullptr);
        EXPECT_NE(std::strstr(StartupFailureText, "fur.bmp"), nullptr) << StartupFailureText;
        // One code, the texture's own (D3D11_ERROR_FILE_NOT_FOUND), not the step's E_FAIL as well.
        const char* code = std::strstr(StartupFailureText, "(code 0x");
        ASSERT_NE(code, nullptr) << StartupFailureText;
        EXPECT_EQ(std::strncmp(code, "(code 0x887C0002)", 17), 0) << StartupFailureText;
        EXPECT_EQ(std::strstr(code + 1, "(code 0x"), nullptr) << StartupFailureText;
    }
    EXPECT_EQ(platform_test::LiveObjectCount(), objects);
}

TEST(GraphicsTest, RebuiltTargetsFollowTheNewSize)
{
    WorkingDirectory directory;
    ASSERT_TRUE(directory.ok());
    OffscreenRenderer renderer(640, 480);
    ASSERT_EQ(renderer.result(), S_OK) << StartupFailureText;

    // What the shell does on a resize, with the offscreen target standing in for the swap chain.
    ImmediateContext->OMSetRenderTargets(0, nullptr, nullptr);
    BackBufferView->Release();
    BackBufferView = nullptr;
    DepthStencilView->Release();
    DepthStencilView = nullptr;
    DepthStencilTexture->Release();
    DepthStencilTexture = nullptr;
    D3D11_TEXTURE2D_DESC desc;
    OffscreenTarget->GetDesc(&desc);
    OffscreenTarget->Release();
    OffscreenTarget = nullptr;
    desc.Width = 300;
    desc.Height = 700;
    ASSERT_EQ(Device->CreateTexture2D(&desc, nullptr, &OffscreenTarget), S_OK);

    ASSERT_EQ(CreateRenderTargets(), 0);
    EXPECT_EQ(Viewport.Width, 300.0f);
    EXPECT_EQ(Viewport.Height, 700.0f);
    D3D11_TEXTURE2D_DESC depth;
    DepthStencilTexture->GetDesc(&depth);
    EXPECT_EQ(depth.Width, 300u);
    EXPECT_EQ(depth.Height, 700u);
    EXPECT_FLOAT_EQ(FrameConstantsImage.projection.m[0][0], 3.7320507f / (300.0f / 700.0f));
    EXPECT_FLOAT_EQ(FrameConstantsImage.projection.m[1][1], 3.7320507f);
}

TEST(GraphicsTest, WindowBringUpDescribesItsSwapChainAndClientArea)
{
    WorkingDirectory directory;
    ASSERT_TRUE(directory.ok());
    WindowRenderer renderer(640, 480);
    ASSERT_EQ(renderer.result(), S_OK) << StartupFailureText;

    DXGI_SWAP_CHAIN_DESC desc;
    ASSERT_EQ(SwapChain->GetDesc(&desc), S_OK);
    EXPECT_EQ(desc.BufferDesc.Width, 640u);
    EXPECT_EQ(desc.BufferDesc.Height, 480u);
    EXPECT_EQ(desc.BufferDesc.RefreshRate.Numerator, 60u);
    EXPECT_EQ(desc.BufferDesc.RefreshRate.Denominator, 1u);
    EXPECT_EQ(desc.BufferDesc.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
    EXPECT_EQ(desc.BufferDesc.ScanlineOrdering, DXGI_MODE_SCANLINE_ORDER_PROGRESSIVE);
    EXPECT_EQ(desc.BufferDesc.Scaling, DXGI_MODE_SCALING_CENTERED);
    EXPECT_EQ(desc.SampleDesc.Count, 1u);
    EXPECT_EQ(desc.SampleDesc.Quality, 0u);
    EXPECT_EQ(desc.BufferUsage, DXGI_USAGE_RENDER_TARGET_OUTPUT);
    EXPECT_EQ(desc.BufferCount, 3u);
    EXPECT_EQ(desc.OutputWindow, MainWindow);
    EXPECT_EQ(desc.Windowed, TRUE);
    EXPECT_EQ(desc.SwapEffect, DXGI_SWAP_EFFECT_DISCARD);
    EXPECT_EQ(desc.Flags, UINT(DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH));
    EXPECT_EQ(Viewport.Width, 640.0f);
    EXPECT_EQ(Viewport.Height, 480.0f);
}

}  // namespace
