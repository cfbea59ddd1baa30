// Creation calls return E_INVALIDARG for the descriptions Direct3D rejects, and accept the
// exact descriptions the program passes.
#include <cfloat>

#include "D3D11TestSupport.h"

namespace {

using Validation = D3D11Test;

D3D11_BUFFER_DESC BufferDesc(UINT size, D3D11_USAGE usage, UINT bind, UINT cpu)
{
    return {size, usage, bind, cpu, 0, 0};
}

TEST_F(Validation, Buffers)
{
    const uint32_t data[64] = {};
    const D3D11_SUBRESOURCE_DATA init{data, 0, 0};
    const D3D11_SUBRESOURCE_DATA nullData{nullptr, 0, 0};
    auto check = [&](D3D11_BUFFER_DESC desc, const D3D11_SUBRESOURCE_DATA* initial) {
        Ref<ID3D11Buffer> buffer;
        HRESULT hr = device->CreateBuffer(&desc, initial, &buffer);
        EXPECT_EQ(buffer.get() != nullptr, SUCCEEDED(hr));
        return hr;
    };
    // What the program creates: the 224-byte dynamic constant buffer and default vertex/index buffers.
    EXPECT_EQ(check(BufferDesc(224, D3D11_USAGE_DYNAMIC, D3D11_BIND_CONSTANT_BUFFER, D3D11_CPU_ACCESS_WRITE), nullptr),
              S_OK);
    EXPECT_EQ(check(BufferDesc(96, D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0), &init), S_OK);
    EXPECT_EQ(check(BufferDesc(12, D3D11_USAGE_DEFAULT, D3D11_BIND_INDEX_BUFFER, 0), &init), S_OK);

    EXPECT_EQ(check(BufferDesc(0, D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0), nullptr), E_INVALIDARG);
    EXPECT_EQ(check(BufferDesc(220, D3D11_USAGE_DYNAMIC, D3D11_BIND_CONSTANT_BUFFER, D3D11_CPU_ACCESS_WRITE), nullptr),
              E_INVALIDARG);
    EXPECT_EQ(check(BufferDesc(65536 + 16, D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0), nullptr), E_INVALIDARG);
    EXPECT_EQ(
        check(BufferDesc(64, D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER | D3D11_BIND_VERTEX_BUFFER, 0), nullptr),
        E_INVALIDARG);
    EXPECT_EQ(check(BufferDesc(64, D3D11_USAGE_DYNAMIC, D3D11_BIND_CONSTANT_BUFFER, 0), nullptr), E_INVALIDARG);
    EXPECT_EQ(check(BufferDesc(64, D3D11_USAGE_DYNAMIC, D3D11_BIND_VERTEX_BUFFER,
                               D3D11_CPU_ACCESS_WRITE | D3D11_CPU_ACCESS_READ),
                    nullptr),
              E_INVALIDARG);
    EXPECT_EQ(check(BufferDesc(64, D3D11_USAGE_IMMUTABLE, D3D11_BIND_VERTEX_BUFFER, 0), nullptr), E_INVALIDARG);
    EXPECT_EQ(check(BufferDesc(64, D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, D3D11_CPU_ACCESS_WRITE), nullptr),
              E_INVALIDARG);
    EXPECT_EQ(check(BufferDesc(64, D3D11_USAGE_STAGING, D3D11_BIND_VERTEX_BUFFER, D3D11_CPU_ACCESS_READ), nullptr),
              E_INVALIDARG);
    EXPECT_EQ(check(BufferDesc(64, D3D11_USAGE_STAGING, 0, 0), nullptr), E_INVALIDARG);
    EXPECT_EQ(check(BufferDesc(64, D3D11_USAGE_DEFAULT, D3D11_BIND_DEPTH_STENCIL, 0), nullptr), E_INVALIDARG);
    EXPECT_EQ(check(BufferDesc(64, D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0), &nullData), E_INVALIDARG);
    EXPECT_EQ(device->CreateBuffer(nullptr, nullptr, nullptr), E_INVALIDARG);
    // A null output only validates.
    D3D11_BUFFER_DESC valid = BufferDesc(64, D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0);
    EXPECT_EQ(device->CreateBuffer(&valid, nullptr, nullptr), S_FALSE);
}

D3D11_TEXTURE2D_DESC TextureDesc(UINT w, UINT h, DXGI_FORMAT format, UINT bind)
{
    D3D11_TEXTURE2D_DESC d{};
    d.Width = w;
    d.Height = h;
    d.MipLevels = 1;
    d.ArraySize = 1;
    d.Format = format;
    d.SampleDesc.Count = 1;
    d.Usage = D3D11_USAGE_DEFAULT;
    d.BindFlags = bind;
    return d;
}

TEST_F(Validation, Textures)
{
    auto check = [&](D3D11_TEXTURE2D_DESC desc) {
        Ref<ID3D11Texture2D> texture;
        HRESULT hr = device->CreateTexture2D(&desc, nullptr, &texture);
        EXPECT_EQ(texture.get() != nullptr, SUCCEEDED(hr));
        return hr;
    };
    // The program's depth-stencil texture.
    EXPECT_EQ(check(TextureDesc(640, 480, DXGI_FORMAT_D32_FLOAT_S8X24_UINT, D3D11_BIND_DEPTH_STENCIL)), S_OK);
    auto fullChain = TextureDesc(256, 16, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    fullChain.MipLevels = 9;
    EXPECT_EQ(check(fullChain), S_OK);
    fullChain.MipLevels = 10;
    EXPECT_EQ(check(fullChain), E_INVALIDARG);

    EXPECT_EQ(check(TextureDesc(0, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE)), E_INVALIDARG);
    EXPECT_EQ(check(TextureDesc(4, 0, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE)), E_INVALIDARG);
    EXPECT_EQ(check(TextureDesc(16385, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE)), E_INVALIDARG);
    EXPECT_EQ(check(TextureDesc(4, 4, DXGI_FORMAT_UNKNOWN, D3D11_BIND_SHADER_RESOURCE)), E_INVALIDARG);
    EXPECT_EQ(check(TextureDesc(4, 4, DXGI_FORMAT_D32_FLOAT_S8X24_UINT, D3D11_BIND_SHADER_RESOURCE)), E_INVALIDARG);
    EXPECT_EQ(check(TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_DEPTH_STENCIL)), E_INVALIDARG);
    EXPECT_EQ(check(TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_VERTEX_BUFFER)), E_INVALIDARG);
    auto badUsage = TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    SetRaw(badUsage.Usage, 7);
    EXPECT_EQ(check(badUsage), E_INVALIDARG);
    auto noSamples = TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET);
    noSamples.SampleDesc.Count = 0;
    EXPECT_EQ(check(noSamples), E_INVALIDARG);
    auto dynamicMips = TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    dynamicMips.Usage = D3D11_USAGE_DYNAMIC;
    dynamicMips.CPUAccessFlags = D3D11_CPU_ACCESS_WRITE;
    dynamicMips.MipLevels = 2;
    EXPECT_EQ(check(dynamicMips), E_INVALIDARG);
    auto stagingBound = TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    stagingBound.Usage = D3D11_USAGE_STAGING;
    stagingBound.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    EXPECT_EQ(check(stagingBound), E_INVALIDARG);
    auto immutableEmpty = TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    immutableEmpty.Usage = D3D11_USAGE_IMMUTABLE;
    EXPECT_EQ(check(immutableEmpty), E_INVALIDARG);
}

TEST_F(Validation, Views)
{
    Ref<ID3D11Texture2D> sampled = MakeTexture(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    Ref<ID3D11Texture2D> depth = MakeTexture(4, 4, DXGI_FORMAT_D32_FLOAT_S8X24_UINT, D3D11_BIND_DEPTH_STENCIL);
    Ref<ID3D11RenderTargetView> rtv;
    EXPECT_EQ(device->CreateRenderTargetView(sampled, nullptr, &rtv), E_INVALIDARG);
    Ref<ID3D11ShaderResourceView> srv;
    EXPECT_EQ(device->CreateShaderResourceView(depth, nullptr, &srv), E_INVALIDARG);
    D3D11_SHADER_RESOURCE_VIEW_DESC srvDesc{};
    srvDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    srvDesc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
    srvDesc.Texture2D.MostDetailedMip = 1;
    srvDesc.Texture2D.MipLevels = 1;
    EXPECT_EQ(device->CreateShaderResourceView(sampled, &srvDesc, &srv), E_INVALIDARG);
    // The program's depth-stencil view.
    D3D11_DEPTH_STENCIL_VIEW_DESC dsvDesc{};
    dsvDesc.Format = DXGI_FORMAT_D32_FLOAT_S8X24_UINT;
    dsvDesc.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2D;
    Ref<ID3D11DepthStencilView> dsv;
    EXPECT_EQ(device->CreateDepthStencilView(depth, &dsvDesc, &dsv), S_OK);
    dsvDesc.Format = DXGI_FORMAT_D32_FLOAT;
    Ref<ID3D11DepthStencilView> wrongFormat;
    EXPECT_EQ(device->CreateDepthStencilView(depth, &dsvDesc, &wrongFormat), E_INVALIDARG);
    EXPECT_EQ(wrongFormat.get(), nullptr);
}

TEST_F(Validation, BlendStates)
{
    D3D11_BLEND_DESC scene{};  // all zero except the write mask, as the program builds it
    scene.RenderTarget[0].RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_ALL;
    Ref<ID3D11BlendState> state;
    EXPECT_EQ(device->CreateBlendState(&scene, &state), S_OK);

    D3D11_BLEND_DESC shadow = scene;
    auto& rt = shadow.RenderTarget[0];
    rt.BlendEnable = TRUE;
    rt.SrcBlend = D3D11_BLEND_SRC_ALPHA;
    rt.DestBlend = D3D11_BLEND_INV_SRC_ALPHA;
    rt.BlendOp = D3D11_BLEND_OP_ADD;
    rt.SrcBlendAlpha = D3D11_BLEND_ONE;
    rt.DestBlendAlpha = D3D11_BLEND_ZERO;
    rt.BlendOpAlpha = D3D11_BLEND_OP_ADD;
    EXPECT_EQ(device->CreateBlendState(&shadow, &state), S_OK);

    D3D11_BLEND_DESC bad = shadow;
    bad.RenderTarget[0].SrcBlendAlpha = D3D11_BLEND_SRC_COLOR;  // a colour factor for alpha
    EXPECT_EQ(device->CreateBlendState(&bad, &state), E_INVALIDARG);
    bad = shadow;
    bad.RenderTarget[0].BlendOp = D3D11_BLEND_OP(0);
    EXPECT_EQ(device->CreateBlendState(&bad, &state), E_INVALIDARG);
    bad = scene;
    bad.RenderTarget[0].RenderTargetWriteMask = 0x10;
    EXPECT_EQ(device->CreateBlendState(&bad, &state), E_INVALIDARG);
    // Render targets past 0 are not looked at without independent blending.
    D3D11_BLEND_DESC ignored = scene;
    ignored.RenderTarget[3].BlendEnable = TRUE;
    EXPECT_EQ(device->CreateBlendState(&ignored, &state), S_OK);
    ignored.IndependentBlendEnable = TRUE;
    EXPECT_EQ(device->CreateBlendState(&ignored, &state), E_INVALIDARG);
}

TEST_F(Validation, DepthStencilRasterizerAndSamplerStates)
{
    D3D11_DEPTH_STENCIL_DESC ds{};
    ds.DepthEnable = TRUE;
    ds.DepthWriteMask = D3D11_DEPTH_WRITE_MASK_ALL;
    ds.DepthFunc = D3D11_COMPARISON_LESS;
    Ref<ID3D11DepthStencilState> dss;
    EXPECT_EQ(device->CreateDepthStencilState(&ds, &dss), S_OK);
    ds.DepthFunc = D3D11_COMPARISON_FUNC(0);
    EXPECT_EQ(device->CreateDepthStencilState(&ds, &dss), E_INVALIDARG);
    ds.DepthEnable = FALSE;  // then the depth function is not looked at
    EXPECT_EQ(device->CreateDepthStencilState(&ds, &dss), S_OK);
    ds.StencilEnable = TRUE;
    ds.FrontFace = {D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_INCR, D3D11_COMPARISON_ALWAYS};
    ds.BackFace = {D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP(9), D3D11_COMPARISON_ALWAYS};
    EXPECT_EQ(device->CreateDepthStencilState(&ds, &dss), E_INVALIDARG);

    D3D11_RASTERIZER_DESC rs{D3D11_FILL_SOLID, D3D11_CULL_BACK, FALSE, 0, 0, 0, TRUE, FALSE, FALSE, FALSE};
    Ref<ID3D11RasterizerState> rss;
    EXPECT_EQ(device->CreateRasterizerState(&rs, &rss), S_OK);
    rs.FillMode = D3D11_FILL_MODE(0);
    EXPECT_EQ(device->CreateRasterizerState(&rs, &rss), E_INVALIDARG);
    rs.FillMode = D3D11_FILL_SOLID;
    SetRaw(rs.CullMode, 4);
    EXPECT_EQ(device->CreateRasterizerState(&rs, &rss), E_INVALIDARG);

    // The program's LinearWrapSampler.
    D3D11_SAMPLER_DESC sampler{};
    sampler.Filter = D3D11_FILTER_ANISOTROPIC;
    sampler.AddressU = sampler.AddressV = sampler.AddressW = D3D11_TEXTURE_ADDRESS_WRAP;
    sampler.MaxAnisotropy = 2;
    sampler.ComparisonFunc = D3D11_COMPARISON_NEVER;
    sampler.MinLOD = -FLT_MAX;
    sampler.MaxLOD = FLT_MAX;
    Ref<ID3D11SamplerState> ss;
    EXPECT_EQ(device->CreateSamplerState(&sampler, &ss), S_OK);
    D3D11_SAMPLER_DESC bad = sampler;
    bad.AddressV = D3D11_TEXTURE_ADDRESS_MODE(0);
    EXPECT_EQ(device->CreateSamplerState(&bad, &ss), E_INVALIDARG);
    bad = sampler;
    bad.MaxAnisotropy = 17;
    EXPECT_EQ(device->CreateSamplerState(&bad, &ss), E_INVALIDARG);
    bad = sampler;
    bad.Filter = D3D11_FILTER(0x03);
    EXPECT_EQ(device->CreateSamplerState(&bad, &ss), E_INVALIDARG);
}

}  // namespace
