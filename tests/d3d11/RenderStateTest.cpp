// Fixed-function behaviour against Direct3D's rules: clears, depth, culling, stencil, blending,
// viewports. Every check reads pixels (or stencil values) back in Direct3D row order.
#include "RenderTestSupport.h"

namespace {

using RenderState = RenderTest;

constexpr float RedColor[4] = {1, 0, 0, 1};
constexpr float Green[4] = {0, 1, 0, 1};
constexpr float Blue[4] = {0, 0, 1, 1};

D3D11_DEPTH_STENCIL_DESC DepthOnly(D3D11_COMPARISON_FUNC func, D3D11_DEPTH_WRITE_MASK write)
{
    D3D11_DEPTH_STENCIL_DESC d{};
    d.DepthEnable = TRUE;
    d.DepthWriteMask = write;
    d.DepthFunc = func;
    d.StencilReadMask = d.StencilWriteMask = 0xff;
    d.FrontFace =
        d.BackFace = {D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_KEEP, D3D11_COMPARISON_ALWAYS};
    return d;
}

D3D11_DEPTH_STENCIL_DESC Counting(D3D11_STENCIL_OP front, D3D11_STENCIL_OP back)
{
    D3D11_DEPTH_STENCIL_DESC d = DepthOnly(D3D11_COMPARISON_ALWAYS, D3D11_DEPTH_WRITE_MASK_ZERO);
    d.StencilEnable = TRUE;
    d.FrontFace.StencilPassOp = front;
    d.BackFace.StencilPassOp = back;
    return d;
}

void ExpectAll(const std::vector<uint32_t>& texels, uint32_t expected)
{
    ASSERT_FALSE(texels.empty());
    for (size_t i = 0; i < texels.size(); ++i) ASSERT_PRED3(NearRgba, texels[i], expected, 1) << "texel " << i;
}

void ExpectAllStencil(const std::vector<uint8_t>& values, uint8_t expected)
{
    ASSERT_FALSE(values.empty());
    for (uint8_t v : values) ASSERT_EQ(v, expected);
}

TEST_F(RenderState, ClearsIgnoreEveryWriteMask)
{
    // Leave GL with colour, depth and stencil writes all masked off by a draw...
    D3D11_BLEND_DESC noColor{};
    Ref<ID3D11BlendState> blend;
    ASSERT_EQ(device->CreateBlendState(&noColor, &blend), S_OK);
    D3D11_DEPTH_STENCIL_DESC noWrites = Counting(D3D11_STENCIL_OP_INCR, D3D11_STENCIL_OP_INCR);
    noWrites.StencilWriteMask = 0;
    Ref<ID3D11DepthStencilState> dss = DepthStencil(noWrites);
    Ref<ID3D11Buffer> tri = VertexBuffer({QV_CLOCKWISE_FULL(0.5f)});
    Ref<ID3D11Buffer> params = Params(RedColor);
    BindPositionPipeline(tri, params);
    context->OMSetBlendState(blend, nullptr, 0xffffffff);
    context->OMSetDepthStencilState(dss, 0);
    context->Draw(3, 0);
    ExpectAll(ReadRgba(target), Rgba(0, 0, 0, 255));

    // ...then every clear must still write everything.
    const float clearColor[4] = {0.0f, 0.5f, 1.0f, 0.25f};
    context->ClearRenderTargetView(rtv, clearColor);
    context->ClearDepthStencilView(dsv, D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, 0.75f, 9);
    ExpectAll(ReadRgba(target), Rgba(0, 128, 255, 64));
    for (float d : ReadDepth(depth)) EXPECT_EQ(d, 0.75f);
    ExpectAllStencil(Stencil(), 9);

    // The masks of the bound states hold again for the next draw.
    context->Draw(3, 0);
    ExpectAll(ReadRgba(target), Rgba(0, 128, 255, 64));
    ExpectAllStencil(Stencil(), 9);
}

// Clip-space depth runs 0..1: z = 0.3 is stored as 0.3. LESS keeps the nearest, GREATER the farthest.
TEST_F(RenderState, DepthRangeAndComparisons)
{
    Ref<ID3D11DepthStencilState> less = DepthStencil(DepthOnly(D3D11_COMPARISON_LESS, D3D11_DEPTH_WRITE_MASK_ALL));
    Ref<ID3D11DepthStencilState> greater =
        DepthStencil(DepthOnly(D3D11_COMPARISON_GREATER, D3D11_DEPTH_WRITE_MASK_ZERO));
    Ref<ID3D11Buffer> red = Params(RedColor), green = Params(Green), blue = Params(Blue);
    Ref<ID3D11Buffer> at03 = VertexBuffer({QV_CLOCKWISE_FULL(0.3f)});
    Ref<ID3D11Buffer> at07 = VertexBuffer({QV_CLOCKWISE_FULL(0.7f)});
    Ref<ID3D11Buffer> at09 = VertexBuffer({QV_CLOCKWISE_FULL(0.9f)});
    BindPositionPipeline(at03, red);
    context->OMSetDepthStencilState(less, 0);
    context->Draw(3, 0);
    for (float d : ReadDepth(depth)) EXPECT_NEAR(d, 0.3f, 1e-6f);

    BindPositionPipeline(at07, green);  // farther: fails LESS
    context->Draw(3, 0);
    ExpectAll(ReadRgba(target), Rgba(255, 0, 0, 255));

    BindPositionPipeline(at09, blue);  // farther: passes GREATER, writes no depth
    context->OMSetDepthStencilState(greater, 0);
    context->Draw(3, 0);
    ExpectAll(ReadRgba(target), Rgba(0, 0, 255, 255));
    for (float d : ReadDepth(depth)) EXPECT_NEAR(d, 0.3f, 1e-6f);
}

TEST_F(RenderState, DepthClipOffClampsInsteadOfClipping)
{
    Ref<ID3D11DepthStencilState> always = DepthStencil(DepthOnly(D3D11_COMPARISON_ALWAYS, D3D11_DEPTH_WRITE_MASK_ALL));
    Ref<ID3D11Buffer> beyond = VertexBuffer({QV_CLOCKWISE_FULL(1.5f)});
    Ref<ID3D11Buffer> red = Params(RedColor);
    BindPositionPipeline(beyond, red);
    context->OMSetDepthStencilState(always, 0);
    Ref<ID3D11RasterizerState> clip = Rasterizer(D3D11_CULL_NONE, FALSE, TRUE);
    context->RSSetState(clip);
    context->Draw(3, 0);
    ExpectAll(ReadRgba(target), Rgba(0, 0, 0, 255));
    Ref<ID3D11RasterizerState> clamp = Rasterizer(D3D11_CULL_NONE, FALSE, FALSE);
    context->RSSetState(clamp);
    context->Draw(3, 0);
    ExpectAll(ReadRgba(target), Rgba(255, 0, 0, 255));
    for (float d : ReadDepth(depth)) EXPECT_EQ(d, 1.0f);
}

// Left half: a triangle clockwise on screen; right half: one counter-clockwise.
TEST_F(RenderState, ClockwiseOnScreenIsFront)
{
    // Vertices 0-2 run bottom-left, top-left, top-middle: clockwise on screen, in the left half.
    // Vertices 3-5 run top-middle, top-right, bottom-right (clockwise too) and are drawn
    // reversed by the index buffer, so the right half gets a counter-clockwise triangle.
    Ref<ID3D11Buffer> halves = VertexBuffer({-1, -1, 0.5f, -1, 1, 0.5f, 0, 1, 0.5f,  //
                                             0, 1, 0.5f, 1, 1, 0.5f, 1, -1, 0.5f});
    const uint32_t indices[] = {0, 1, 2, 5, 4, 3};
    D3D11_BUFFER_DESC desc{sizeof indices, D3D11_USAGE_DEFAULT, D3D11_BIND_INDEX_BUFFER, 0, 0, 0};
    D3D11_SUBRESOURCE_DATA data{indices, 0, 0};
    Ref<ID3D11Buffer> ib;
    ASSERT_EQ(device->CreateBuffer(&desc, &data, &ib), S_OK);
    Ref<ID3D11Buffer> red = Params(RedColor);
    BindPositionPipeline(halves, red);
    context->IASetIndexBuffer(ib, DXGI_FORMAT_R32_UINT, 0);

    auto draw = [&](D3D11_CULL_MODE cull, BOOL ccwFront) {
        const float black[4] = {0, 0, 0, 1};
        context->ClearRenderTargetView(rtv, black);
        context->ClearDepthStencilView(dsv, D3D11_CLEAR_DEPTH, 1.0f, 0);  // the default depth test is LESS
        Ref<ID3D11RasterizerState> rs = Rasterizer(cull, ccwFront);
        context->RSSetState(rs);
        context->DrawIndexed(6, 0, 0);
        std::vector<uint32_t> t = ReadRgba(target);
        // (top-left texel, top-right texel) lit?
        return std::make_pair(t[1 * ImageSide + 0] == Rgba(255, 0, 0, 255),
                              t[1 * ImageSide + ImageSide - 1] == Rgba(255, 0, 0, 255));
    };
    EXPECT_EQ(draw(D3D11_CULL_BACK, FALSE), std::make_pair(true, false));
    EXPECT_EQ(draw(D3D11_CULL_FRONT, FALSE), std::make_pair(false, true));
    EXPECT_EQ(draw(D3D11_CULL_BACK, TRUE), std::make_pair(false, true));
    EXPECT_EQ(draw(D3D11_CULL_NONE, FALSE), std::make_pair(true, true));
}

// Front faces count up, back faces down. INCR/DECR wrap (0 - 1 = 255, 255 + 1 = 0), INCR_SAT/
// DECR_SAT stop at the ends. No pixel shader is bound: the colour must stay untouched even with
// additive blending on, as in the program's shadow-volume pass.
TEST_F(RenderState, TwoSidedStencilWrapsAndSaturates)
{
    Ref<ID3D11Buffer> front = VertexBuffer({QV_CLOCKWISE_FULL(0.5f)});
    Ref<ID3D11Buffer> back = VertexBuffer({QV_COUNTER_CLOCKWISE_FULL(0.5f)});
    Ref<ID3D11Buffer> red = Params(RedColor);
    Ref<ID3D11RasterizerState> noCull = Rasterizer(D3D11_CULL_NONE, FALSE);
    D3D11_BLEND_DESC additive{};
    additive.RenderTarget[0] = {TRUE,
                                D3D11_BLEND_SRC_ALPHA,
                                D3D11_BLEND_ONE,
                                D3D11_BLEND_OP_ADD,
                                D3D11_BLEND_ONE,
                                D3D11_BLEND_ZERO,
                                D3D11_BLEND_OP_ADD,
                                D3D11_COLOR_WRITE_ENABLE_ALL};
    Ref<ID3D11BlendState> blend;
    ASSERT_EQ(device->CreateBlendState(&additive, &blend), S_OK);
    Ref<ID3D11DepthStencilState> wrap = DepthStencil(Counting(D3D11_STENCIL_OP_INCR, D3D11_STENCIL_OP_DECR));
    Ref<ID3D11DepthStencilState> sat = DepthStencil(Counting(D3D11_STENCIL_OP_INCR_SAT, D3D11_STENCIL_OP_DECR_SAT));
    auto draw = [&](ID3D11Buffer* triangle) {
        BindPositionPipeline(triangle, red, false);
        context->RSSetState(noCull);
        context->OMSetBlendState(blend, nullptr, 0xffffffff);
        context->Draw(3, 0);
    };
    context->OMSetDepthStencilState(wrap, 0);
    draw(back);
    ExpectAllStencil(Stencil(), 255);
    draw(front);
    ExpectAllStencil(Stencil(), 0);
    draw(front);
    ExpectAllStencil(Stencil(), 1);
    ExpectAll(ReadRgba(target), Rgba(0, 0, 0, 255));

    context->ClearDepthStencilView(dsv, D3D11_CLEAR_STENCIL, 1.0f, 0);
    context->OMSetDepthStencilState(sat, 0);
    draw(back);
    ExpectAllStencil(Stencil(), 0);
    context->ClearDepthStencilView(dsv, D3D11_CLEAR_STENCIL, 1.0f, 255);
    draw(front);
    ExpectAllStencil(Stencil(), 255);
}

// The reference value comes with OMSetDepthStencilState; pass 3 of the program draws only where
// the stencil is not 0 (front NOT_EQUAL 0, back NEVER).
TEST_F(RenderState, StencilReferenceAndTheShadowPassTest)
{
    D3D11_DEPTH_STENCIL_DESC replace = Counting(D3D11_STENCIL_OP_REPLACE, D3D11_STENCIL_OP_REPLACE);
    Ref<ID3D11DepthStencilState> replaceState = DepthStencil(replace);
    Ref<ID3D11Buffer> left =
        VertexBuffer({-1, -1, 0.5f, -1, 1, 0.5f, 0, 1, 0.5f, -1, -1, 0.5f, 0, 1, 0.5f, 0, -1, 0.5f});
    Ref<ID3D11Buffer> full = VertexBuffer({QV_CLOCKWISE_FULL(0.5f)});
    Ref<ID3D11Buffer> red = Params(RedColor);
    BindPositionPipeline(left, red, false);
    context->OMSetDepthStencilState(replaceState, 42);
    context->Draw(6, 0);
    std::vector<uint8_t> s = Stencil();
    EXPECT_EQ(s[0], 42);
    EXPECT_EQ(s[ImageSide - 1], 0);

    D3D11_DEPTH_STENCIL_DESC shadow = DepthOnly(D3D11_COMPARISON_ALWAYS, D3D11_DEPTH_WRITE_MASK_ZERO);
    shadow.StencilEnable = TRUE;
    shadow.StencilWriteMask = 0;
    shadow.FrontFace.StencilFunc = D3D11_COMPARISON_NOT_EQUAL;
    shadow.BackFace.StencilFunc = D3D11_COMPARISON_NEVER;
    Ref<ID3D11DepthStencilState> shadowState = DepthStencil(shadow);
    BindPositionPipeline(full, red);
    context->OMSetDepthStencilState(shadowState, 0);
    context->Draw(3, 0);
    std::vector<uint32_t> t = ReadRgba(target);
    EXPECT_EQ(t[0], Rgba(255, 0, 0, 255));
    EXPECT_EQ(t[ImageSide - 1], Rgba(0, 0, 0, 255));
}

TEST_F(RenderState, BlendSrcAlphaOneAndSrcAlphaInvSrcAlpha)
{
    const float dst[4] = {0.5f, 0.25f, 0.0f, 1.0f};
    const float src[4] = {0.2f, 0.4f, 0.6f, 0.5f};
    Ref<ID3D11Buffer> full = VertexBuffer({QV_CLOCKWISE_FULL(0.5f)});
    Ref<ID3D11Buffer> params = Params(src);
    for (D3D11_BLEND destBlend : {D3D11_BLEND_ONE, D3D11_BLEND_INV_SRC_ALPHA}) {
        D3D11_BLEND_DESC desc{};
        desc.RenderTarget[0] = {TRUE,
                                D3D11_BLEND_SRC_ALPHA,
                                destBlend,
                                D3D11_BLEND_OP_ADD,
                                D3D11_BLEND_ONE,
                                D3D11_BLEND_ZERO,
                                D3D11_BLEND_OP_ADD,
                                D3D11_COLOR_WRITE_ENABLE_ALL};
        Ref<ID3D11BlendState> blend;
        ASSERT_EQ(device->CreateBlendState(&desc, &blend), S_OK);
        context->ClearRenderTargetView(rtv, dst);
        context->ClearDepthStencilView(dsv, D3D11_CLEAR_DEPTH, 1.0f, 0);
        BindPositionPipeline(full, params);
        context->OMSetBlendState(blend, nullptr, 0xffffffff);
        context->Draw(3, 0);
        const float keep = destBlend == D3D11_BLEND_ONE ? 1.0f : 0.5f;
        auto unorm = [](float v) { return uint8_t(v * 255.0f + 0.5f); };
        ExpectAll(ReadRgba(target), Rgba(unorm(0.1f + dst[0] * keep), unorm(0.2f + dst[1] * keep),
                                         unorm(0.3f + dst[2] * keep), unorm(0.5f)));
    }
}

// A viewport over the top-left quarter (Direct3D's origin is the top-left corner).
TEST_F(RenderState, ViewportOriginIsTopLeft)
{
    Ref<ID3D11Buffer> full = VertexBuffer({QV_CLOCKWISE_FULL(0.5f)});
    Ref<ID3D11Buffer> red = Params(RedColor);
    BindPositionPipeline(full, red);
    const D3D11_VIEWPORT quarter{0, 0, ImageSide / 2.0f, ImageSide / 2.0f, 0, 1};
    context->RSSetViewports(1, &quarter);
    context->Draw(3, 0);
    std::vector<uint32_t> t = ReadRgba(target);
    for (UINT y = 0; y < ImageSide; ++y)
        for (UINT x = 0; x < ImageSide; ++x)
            EXPECT_EQ(t[y * ImageSide + x] == Rgba(255, 0, 0, 255), x < ImageSide / 2 && y < ImageSide / 2)
                << x << "," << y;
}

}  // namespace
