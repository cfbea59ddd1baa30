// Rendering-test fixture: targets, shader compilation through D3DX11, small buffers and states.
#include <cstdlib>

#include "RenderTestSupport.h"

#include <d3dx11.h>

#include <string>

namespace {

// Under QV_SOURCE_DIR when set (a build carried to another machine), else where it was built.
std::wstring ShaderPath()
{
    const char* source = std::getenv("QV_SOURCE_DIR");
    std::string path = source ? std::string(source) + "/tests/d3d11/shaders/RenderTest.hlsl" : QV_D3D11_TEST_SHADERS;
    return std::wstring(path.begin(), path.end());
}

}  // namespace

void RenderTest::SetUp()
{
    D3D11Test::SetUp();
    if (HasFatalFailure()) return;
    target = MakeTexture(ImageSide, ImageSide, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET);
    ASSERT_EQ(device->CreateRenderTargetView(target, nullptr, &rtv), S_OK);
    depth = MakeTexture(ImageSide, ImageSide, DXGI_FORMAT_D32_FLOAT_S8X24_UINT, D3D11_BIND_DEPTH_STENCIL);
    ASSERT_EQ(device->CreateDepthStencilView(depth, nullptr, &dsv), S_OK);
    const float black[4] = {0, 0, 0, 1};
    context->ClearRenderTargetView(rtv, black);
    context->ClearDepthStencilView(dsv, D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, 1.0f, 0);
    Ref<ID3D10Blob> blob;
    posVs = VertexShader("VS_Pos", blob);
    colorPs = PixelShader("PS_Color");
    const D3D11_INPUT_ELEMENT_DESC element = {
        "POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0};
    ASSERT_TRUE(blob);
    ASSERT_EQ(device->CreateInputLayout(&element, 1, blob->GetBufferPointer(), blob->GetBufferSize(), &posLayout),
              S_OK);
}

void RenderTest::TearDown()
{
    context->ClearState();
    posLayout.Reset();
    colorPs.Reset();
    posVs.Reset();
    dsv.Reset();
    depth.Reset();
    rtv.Reset();
    target.Reset();
    D3D11Test::TearDown();
}

Ref<ID3D10Blob> RenderTest::Compile(const char* entry, const char* profile)
{
    Ref<ID3D10Blob> blob;
    Ref<ID3D10Blob> errors;
    HRESULT hr = D3DX11CompileFromFileW(ShaderPath().c_str(), nullptr, nullptr, entry, profile, 0x810, 0, nullptr,
                                        &blob, &errors, nullptr);
    EXPECT_EQ(hr, S_OK) << entry << ": "
                        << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "no message");
    return blob;
}

Ref<ID3D11VertexShader> RenderTest::VertexShader(const char* entry, Ref<ID3D10Blob>& blob)
{
    blob = Compile(entry, "vs_4_0");
    Ref<ID3D11VertexShader> shader;
    if (blob) {
        EXPECT_EQ(device->CreateVertexShader(blob->GetBufferPointer(), blob->GetBufferSize(), nullptr, &shader), S_OK);
    }
    return shader;
}

Ref<ID3D11PixelShader> RenderTest::PixelShader(const char* entry)
{
    Ref<ID3D10Blob> blob = Compile(entry, "ps_4_0");
    Ref<ID3D11PixelShader> shader;
    if (blob) {
        EXPECT_EQ(device->CreatePixelShader(blob->GetBufferPointer(), blob->GetBufferSize(), nullptr, &shader), S_OK);
    }
    return shader;
}

Ref<ID3D11GeometryShader> RenderTest::GeometryShader(const char* entry)
{
    Ref<ID3D10Blob> blob = Compile(entry, "gs_4_0");
    Ref<ID3D11GeometryShader> shader;
    if (blob) {
        EXPECT_EQ(device->CreateGeometryShader(blob->GetBufferPointer(), blob->GetBufferSize(), nullptr, &shader),
                  S_OK);
    }
    return shader;
}

Ref<ID3D11Buffer> RenderTest::VertexBuffer(std::initializer_list<float> floats)
{
    D3D11_BUFFER_DESC desc{UINT(floats.size() * sizeof(float)), D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0, 0, 0};
    D3D11_SUBRESOURCE_DATA data{floats.begin(), 0, 0};
    Ref<ID3D11Buffer> buffer;
    EXPECT_EQ(device->CreateBuffer(&desc, &data, &buffer), S_OK);
    return buffer;
}

Ref<ID3D11Buffer> RenderTest::Params(const float color[4], float dx, float dy)
{
    const float values[8] = {color[0], color[1], color[2], color[3], dx, dy, 0, 0};
    D3D11_BUFFER_DESC desc{sizeof values, D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
    D3D11_SUBRESOURCE_DATA data{values, 0, 0};
    Ref<ID3D11Buffer> buffer;
    EXPECT_EQ(device->CreateBuffer(&desc, &data, &buffer), S_OK);
    return buffer;
}

void RenderTest::BindPositionPipeline(ID3D11Buffer* positions, ID3D11Buffer* params, bool withPixelShader)
{
    const UINT stride = 12, offset = 0;
    context->IASetInputLayout(posLayout);
    context->IASetVertexBuffers(0, 1, &positions, &stride, &offset);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context->VSSetShader(posVs, nullptr, 0);
    context->VSSetConstantBuffers(0, 1, &params);
    context->PSSetShader(withPixelShader ? colorPs.get() : nullptr, nullptr, 0);
    context->PSSetConstantBuffers(0, 1, &params);
    const D3D11_VIEWPORT viewport{0, 0, float(ImageSide), float(ImageSide), 0, 1};
    context->RSSetViewports(1, &viewport);
    context->OMSetRenderTargets(1, rtv.addr(), dsv);
}

Ref<ID3D11RasterizerState> RenderTest::Rasterizer(D3D11_CULL_MODE cull, BOOL frontCounterClockwise, BOOL depthClip)
{
    D3D11_RASTERIZER_DESC desc{D3D11_FILL_SOLID, cull, frontCounterClockwise, 0, 0, 0, depthClip, FALSE, FALSE, FALSE};
    Ref<ID3D11RasterizerState> state;
    EXPECT_EQ(device->CreateRasterizerState(&desc, &state), S_OK);
    return state;
}

Ref<ID3D11DepthStencilState> RenderTest::DepthStencil(const D3D11_DEPTH_STENCIL_DESC& desc)
{
    Ref<ID3D11DepthStencilState> state;
    EXPECT_EQ(device->CreateDepthStencilState(&desc, &state), S_OK);
    return state;
}

std::vector<uint8_t> RenderTest::Stencil()
{
    std::vector<uint8_t> values;
    EXPECT_TRUE(platform_test::ReadStencil(depth, &values));
    return values;
}
