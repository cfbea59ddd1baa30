// PipelinesTest.cpp: the three pipelines as the device sees them (every state description read
// back), and start-up failures caused by the shader source.
#include <PlatformTestHooks.h>
#include <d3dx11.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Graphics.h"
#include "Pipelines.h"
#include "RenderTestSupport.h"
#include "StartupFailure.h"

namespace {

void ExpectTarget(const D3D11_RENDER_TARGET_BLEND_DESC& rt, BOOL enable, int src, int dest, int op, int srcAlpha,
                  int destAlpha, int opAlpha, int mask)
{
    EXPECT_EQ(rt.BlendEnable, enable);
    EXPECT_EQ(rt.SrcBlend, src);
    EXPECT_EQ(rt.DestBlend, dest);
    EXPECT_EQ(rt.BlendOp, op);
    EXPECT_EQ(rt.SrcBlendAlpha, srcAlpha);
    EXPECT_EQ(rt.DestBlendAlpha, destAlpha);
    EXPECT_EQ(rt.BlendOpAlpha, opAlpha);
    EXPECT_EQ(rt.RenderTargetWriteMask, mask);
}

void ExpectBlend(ID3D11BlendState* state, BOOL enable, int src, int dest, int op, int srcAlpha, int destAlpha,
                 int opAlpha)
{
    ASSERT_NE(state, nullptr);
    D3D11_BLEND_DESC desc;
    std::memset(&desc, 0xCD, sizeof desc);
    state->GetDesc(&desc);
    EXPECT_EQ(desc.AlphaToCoverageEnable, FALSE);
    EXPECT_EQ(desc.IndependentBlendEnable, FALSE);
    ExpectTarget(desc.RenderTarget[0], enable, src, dest, op, srcAlpha, destAlpha, opAlpha, 0x0F);
    for (int i = 1; i < 8; ++i) ExpectTarget(desc.RenderTarget[i], FALSE, 0, 0, 0, 0, 0, 0, 0);
}

void ExpectRasterizer(ID3D11RasterizerState* state, int cull)
{
    ASSERT_NE(state, nullptr);
    D3D11_RASTERIZER_DESC desc;
    state->GetDesc(&desc);
    EXPECT_EQ(desc.FillMode, D3D11_FILL_SOLID);
    EXPECT_EQ(desc.CullMode, cull);
    EXPECT_EQ(desc.FrontCounterClockwise, FALSE);
    EXPECT_EQ(desc.DepthBias, 0);
    EXPECT_EQ(desc.DepthBiasClamp, 0.0f);
    EXPECT_EQ(desc.SlopeScaledDepthBias, 0.0f);
    EXPECT_EQ(desc.DepthClipEnable, TRUE);
    EXPECT_EQ(desc.ScissorEnable, FALSE);
    EXPECT_EQ(desc.MultisampleEnable, FALSE);
    EXPECT_EQ(desc.AntialiasedLineEnable, FALSE);
}

struct StencilFace {
    int fail, depthFail, pass, func;
};

void ExpectDepthStencil(ID3D11DepthStencilState* state, int write, int func, BOOL stencil, int writeMask,
                        StencilFace front, StencilFace back)
{
    ASSERT_NE(state, nullptr);
    D3D11_DEPTH_STENCIL_DESC desc;
    state->GetDesc(&desc);
    EXPECT_EQ(desc.DepthEnable, TRUE);
    EXPECT_EQ(desc.DepthWriteMask, write);
    EXPECT_EQ(desc.DepthFunc, func);
    EXPECT_EQ(desc.StencilEnable, stencil);
    EXPECT_EQ(desc.StencilReadMask, 0xFF);
    EXPECT_EQ(desc.StencilWriteMask, writeMask);
    EXPECT_EQ(desc.FrontFace.StencilFailOp, front.fail);
    EXPECT_EQ(desc.FrontFace.StencilDepthFailOp, front.depthFail);
    EXPECT_EQ(desc.FrontFace.StencilPassOp, front.pass);
    EXPECT_EQ(desc.FrontFace.StencilFunc, front.func);
    EXPECT_EQ(desc.BackFace.StencilFailOp, back.fail);
    EXPECT_EQ(desc.BackFace.StencilDepthFailOp, back.depthFail);
    EXPECT_EQ(desc.BackFace.StencilPassOp, back.pass);
    EXPECT_EQ(desc.BackFace.StencilFunc, back.func);
}

constexpr int KEEP = D3D11_STENCIL_OP_KEEP;
constexpr int ALWAYS = D3D11_COMPARISON_ALWAYS;

TEST(PipelinesTest, EveryStateReadsBackAsItsTable)
{
    WorkingDirectory directory;
    ASSERT_TRUE(directory.ok());
    OffscreenRenderer renderer(64, 64);
    ASSERT_EQ(renderer.result(), S_OK) << StartupFailureText;

    for (void* slot : {(void*)SceneVertexShader, (void*)SceneInputLayout, (void*)ScenePixelShader,
                       (void*)ShadowVolumeVertexShader, (void*)ShadowVolumeGeometryShaderAdj,
                       (void*)ShadowVolumeGeometryShader, (void*)ShadowVertexShader, (void*)ShadowPixelShader})
        EXPECT_NE(slot, nullptr);

    ExpectBlend(SceneBlendState, FALSE, 0, 0, 0, 0, 0, 0);
    ExpectBlend(ShadowVolumeBlendState, TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD,
                D3D11_BLEND_ONE, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD);
    ExpectBlend(ShadowBlendState, TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD,
                D3D11_BLEND_ONE, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD);

    ExpectRasterizer(SceneRasterizerState, D3D11_CULL_BACK);
    ExpectRasterizer(ShadowVolumeRasterizerState, D3D11_CULL_NONE);

    ExpectDepthStencil(SceneDepthStencilState, D3D11_DEPTH_WRITE_MASK_ALL, D3D11_COMPARISON_LESS, FALSE, 0xFF,
                       {KEEP, KEEP, KEEP, ALWAYS}, {KEEP, KEEP, KEEP, ALWAYS});
    // Wrapping INCR and DECR, not the saturating kinds.
    ExpectDepthStencil(ShadowVolumeDepthStencilState, D3D11_DEPTH_WRITE_MASK_ZERO, D3D11_COMPARISON_LESS, TRUE, 0xFF,
                       {KEEP, KEEP, D3D11_STENCIL_OP_INCR, ALWAYS}, {KEEP, KEEP, D3D11_STENCIL_OP_DECR, ALWAYS});
    ExpectDepthStencil(ShadowDepthStencilState, D3D11_DEPTH_WRITE_MASK_ZERO, D3D11_COMPARISON_GREATER, TRUE, 0x00,
                       {KEEP, KEEP, KEEP, D3D11_COMPARISON_NOT_EQUAL}, {KEEP, KEEP, KEEP, D3D11_COMPARISON_NEVER});
}

// What the compiler itself answers for one entry point of the current ..\misc\Quenvale.sh.
HRESULT CompileResult(const char* entryPoint, const char* profile)
{
    ID3D10Blob* blob = nullptr;
    const HRESULT hr = D3DX11CompileFromFileW(L"..\\misc\\Quenvale.sh", nullptr, nullptr, entryPoint, profile, 0x810, 0,
                                              nullptr, &blob, nullptr, nullptr);
    if (blob) blob->Release();
    return hr;
}

TEST(PipelinesTest, ShaderSourceWithoutGsSv2FailsStartUpAlthoughAdjacencyIsTheInitialMethod)
{
    WorkingDirectory directory(AllDataFiles(), {{"void GS_SV_2(", "void GS_SV_2_gone("}});
    ASSERT_TRUE(directory.ok());
    const int before = platform_test::LiveObjectCount();
    {
        OffscreenRenderer renderer(64, 64);
        EXPECT_TRUE(FAILED(renderer.result()));
        EXPECT_EQ(renderer.result(), CompileResult("GS_SV_2", "gs_4_0"));
        EXPECT_NE(ShadowVolumeGeometryShaderAdj, nullptr);
        EXPECT_EQ(ShadowVolumeGeometryShader, nullptr);
        EXPECT_EQ(ShadowVolumeBlendState, nullptr);
        EXPECT_EQ(ShadowVertexShader, nullptr);
        EXPECT_EQ(FrameConstantBuffer, nullptr);
        EXPECT_NE(std::strstr(StartupFailureText, "\"GS_SV_2\""), nullptr) << StartupFailureText;
    }
    EXPECT_EQ(platform_test::LiveObjectCount(), before);
}

TEST(PipelinesTest, FailingPixelShaderLeavesVertexShaderAndLayoutInPlace)
{
    WorkingDirectory directory(AllDataFiles(), {{"float4 PS(", "float4 PS_renamed("}});
    ASSERT_TRUE(directory.ok());
    OffscreenRenderer renderer(64, 64);
    EXPECT_TRUE(FAILED(renderer.result()));
    EXPECT_EQ(renderer.result(), CompileResult("PS", "ps_4_0"));
    EXPECT_NE(SceneVertexShader, nullptr);
    EXPECT_NE(SceneInputLayout, nullptr);
    EXPECT_EQ(ScenePixelShader, nullptr);
    EXPECT_EQ(SceneBlendState, nullptr);
    EXPECT_EQ(ShadowVolumeVertexShader, nullptr);
    // The compiler's own message travels with the failure, its line breaks left for the report
    // to fold, and the code follows its last word, not the line breaks that closed it.
    EXPECT_NE(std::strstr(StartupFailureText, "\"PS\" (ps_4_0)"), nullptr) << StartupFailureText;
    EXPECT_NE(std::strstr(StartupFailureText, "entry point 'PS' not found\n"), nullptr) << StartupFailureText;
    EXPECT_NE(std::strstr(StartupFailureText, "Entry point not found (code 0x"), nullptr) << StartupFailureText;
}

TEST(PipelinesTest, EachFailedCreationNamesItsStep)
{
    WorkingDirectory directory;
    ASSERT_TRUE(directory.ok());
    using platform_test::CreateKind;
    // The n-th creation of each kind, in the order the three pipelines make them.
    const struct {
        CreateKind kind;
        int n;
        const char* step;
    } steps[] = {
        {CreateKind::VertexShader, 1, "CreateVertexShader for \"VS\""},
        {CreateKind::InputLayout, 1, "CreateInputLayout (POSITION, NORMAL, TEXTURE) against \"VS\""},
        {CreateKind::PixelShader, 1, "CreatePixelShader for \"PS\""},
        {CreateKind::BlendState, 1, "CreateBlendState for pass 1"},
        {CreateKind::RasterizerState, 1, "CreateRasterizerState for pass 1"},
        {CreateKind::DepthStencilState, 1, "CreateDepthStencilState for pass 1"},
        {CreateKind::VertexShader, 2, "CreateVertexShader for \"VS_SV\""},
        {CreateKind::GeometryShader, 1, "CreateGeometryShader for \"GS_SV_1\""},
        {CreateKind::GeometryShader, 2, "CreateGeometryShader for \"GS_SV_2\""},
        {CreateKind::BlendState, 2, "CreateBlendState for pass 2"},
        {CreateKind::RasterizerState, 2, "CreateRasterizerState for pass 2"},
        {CreateKind::DepthStencilState, 2, "CreateDepthStencilState for pass 2"},
        {CreateKind::VertexShader, 3, "CreateVertexShader for \"VS_S\""},
        {CreateKind::PixelShader, 2, "CreatePixelShader for \"PS_S\""},
        {CreateKind::BlendState, 3, "CreateBlendState for pass 3"},
        {CreateKind::DepthStencilState, 3, "CreateDepthStencilState for pass 3"},
    };
    const int before = platform_test::LiveObjectCount();
    for (const auto& step : steps) {
        platform_test::FailNthCreate(step.kind, step.n);
        {
            OffscreenRenderer renderer(64, 64);
            EXPECT_EQ(renderer.result(), E_OUTOFMEMORY) << step.step;
            EXPECT_EQ(std::string(StartupFailureText), std::string(step.step) + " failed (code 0x8007000E)");
        }
        platform_test::FailNthCreate(step.kind, 0);
    }
    // Pass 3 draws with pass 1's rasterizer state: start-up makes no third one.
    platform_test::FailNthCreate(CreateKind::RasterizerState, 3);
    {
        OffscreenRenderer renderer(64, 64);
        EXPECT_EQ(renderer.result(), S_OK) << StartupFailureText;
    }
    platform_test::FailNthCreate(CreateKind::RasterizerState, 0);
    EXPECT_EQ(platform_test::LiveObjectCount(), before);
}

TEST(PipelinesTest, MissingShaderSourceFailsBeforeAnyPipelineObjectExists)
{
    WorkingDirectory directory({}, {});
    ASSERT_TRUE(directory.ok());
    OffscreenRenderer renderer(64, 64);
    EXPECT_TRUE(FAILED(renderer.result()));
    EXPECT_EQ(renderer.result(), CompileResult("VS", "vs_4_0"));
    EXPECT_EQ(SceneVertexShader, nullptr);
    EXPECT_EQ(SceneInputLayout, nullptr);
    EXPECT_NE(std::strstr(StartupFailureText, "Quenvale.sh"), nullptr) << StartupFailureText;
}

TEST(PipelinesTest, LayoutNeedsTheTextureSemanticInTheVertexShader)
{
    // The same source with the vertex input named the more common way: the layout's "TEXTURE"
    // element then finds nothing in "VS" to feed, and start-up fails at CreateInputLayout.
    WorkingDirectory directory(AllDataFiles(), {{"float2 texcoord : TEXTURE;", "float2 texcoord : TEXCOORD;"}});
    ASSERT_TRUE(directory.ok());
    OffscreenRenderer renderer(64, 64);
    EXPECT_TRUE(FAILED(renderer.result()));
    EXPECT_NE(SceneVertexShader, nullptr);
    EXPECT_EQ(SceneInputLayout, nullptr);
    EXPECT_EQ(ScenePixelShader, nullptr);
    EXPECT_NE(std::strstr(StartupFailureText, "CreateInputLayout"), nullptr) << StartupFailureText;
}

}  // namespace
