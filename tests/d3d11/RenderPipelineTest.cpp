// Shader-side behaviour: texture orientation, the program's 224-byte constant buffer under
// hundreds of WRITE_DISCARD maps, triangles with adjacency and open edges, input-layout matching.
#include <cstring>

#include "RenderTestSupport.h"

namespace {

using RenderPipeline = RenderTest;

// The image's top-left texel is at texture coordinate (0, 0), and on a full-target quad it
// lands in the target's top-left pixel.
TEST_F(RenderPipeline, TextureTopLeftTexelIsAtTexcoordZero)
{
    uint32_t image[ImageSide * ImageSide];
    for (UINT y = 0; y < ImageSide; ++y)
        for (UINT x = 0; x < ImageSide; ++x) image[y * ImageSide + x] = Rgba(uint8_t(x * 30), uint8_t(y * 30), 0, 255);
    Ref<ID3D11Texture2D> texture =
        MakeTexture(ImageSide, ImageSide, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, image, ImageSide * 4);
    Ref<ID3D11ShaderResourceView> srv;
    ASSERT_EQ(device->CreateShaderResourceView(texture, nullptr, &srv), S_OK);
    D3D11_SAMPLER_DESC point{};
    point.Filter = D3D11_FILTER_MIN_MAG_MIP_POINT;
    point.AddressU = point.AddressV = point.AddressW = D3D11_TEXTURE_ADDRESS_CLAMP;
    point.ComparisonFunc = D3D11_COMPARISON_NEVER;
    point.MaxLOD = 1000;
    Ref<ID3D11SamplerState> sampler;
    ASSERT_EQ(device->CreateSamplerState(&point, &sampler), S_OK);

    Ref<ID3D10Blob> blob;
    Ref<ID3D11VertexShader> vs = VertexShader("VS_Tex", blob);
    Ref<ID3D11PixelShader> ps = PixelShader("PS_Tex");
    const D3D11_INPUT_ELEMENT_DESC layoutDesc[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"TEXTURE", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0}};
    Ref<ID3D11InputLayout> layout;
    ASSERT_EQ(device->CreateInputLayout(layoutDesc, 2, blob->GetBufferPointer(), blob->GetBufferSize(), &layout), S_OK);
    // A strip over the whole target: top-left corner (-1, 1) gets texcoord (0, 0).
    Ref<ID3D11Buffer> quad = VertexBuffer({-1, 1, 0.5f, 0, 0, 1, 1, 0.5f, 1, 0, -1, -1, 0.5f, 0, 1, 1, -1, 0.5f, 1, 1});
    const UINT stride = 20, offset = 0;
    context->IASetInputLayout(layout);
    context->IASetVertexBuffers(0, 1, quad.addr(), &stride, &offset);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    context->VSSetShader(vs, nullptr, 0);
    context->PSSetShader(ps, nullptr, 0);
    context->PSSetShaderResources(0, 1, srv.addr());
    context->PSSetSamplers(0, 1, sampler.addr());
    const D3D11_VIEWPORT viewport{0, 0, float(ImageSide), float(ImageSide), 0, 1};
    context->RSSetViewports(1, &viewport);
    Ref<ID3D11RasterizerState> noCull = Rasterizer(D3D11_CULL_NONE, FALSE);
    context->RSSetState(noCull);
    context->OMSetRenderTargets(1, rtv.addr(), nullptr);
    context->Draw(4, 0);
    std::vector<uint32_t> read = ReadRgba(target);
    ASSERT_EQ(read.size(), size_t(ImageSide * ImageSide));
    EXPECT_EQ(0, std::memcmp(read.data(), image, sizeof image));
}

// An integer texture reads its texels. GL's default filters would leave it incomplete, and every
// read from an incomplete texture gives zero.
TEST_F(RenderPipeline, IntegerTexturesReadTheirTexels)
{
    const uint32_t texel = Rgba(10, 20, 30, 255);
    Ref<ID3D11Texture2D> texture = MakeTexture(1, 1, DXGI_FORMAT_R8G8B8A8_UINT, D3D11_BIND_SHADER_RESOURCE, &texel, 4);
    Ref<ID3D11ShaderResourceView> srv;
    ASSERT_EQ(device->CreateShaderResourceView(texture, nullptr, &srv), S_OK);
    const float unused[4] = {};
    Ref<ID3D11Buffer> params = Params(unused);
    Ref<ID3D11Buffer> positions = VertexBuffer({QV_CLOCKWISE_FULL(0.5f)});
    BindPositionPipeline(positions, params);
    Ref<ID3D11PixelShader> ps = PixelShader("PS_IntegerLoad");
    context->PSSetShader(ps, nullptr, 0);
    context->PSSetShaderResources(1, 1, srv.addr());
    context->Draw(3, 0);
    for (uint32_t pixel : ReadRgba(target)) ASSERT_EQ(pixel, texel);
}

// Row-vector matrices, stored transposed: p · M with M's translation in its last row.
struct Matrix {
    float m[4][4];
};
Matrix Transposed(const Matrix& a)
{
    Matrix t{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) t.m[r][c] = a.m[c][r];
    return t;
}
Matrix Translation(float x, float y)
{
    return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {x, y, 0, 1}}};
}

// 8×8 cells, each drawn by its own draw with its own world matrix and colour, all through one
// dynamic constant buffer mapped with WRITE_DISCARD before every draw (several laps of cells:
// hundreds of maps in one frame). Each cell must show the colour of the last draw that targeted it.
TEST_F(RenderPipeline, EveryDrawSeesItsOwnWriteDiscardConstants)
{
    D3D11_BUFFER_DESC desc{224, D3D11_USAGE_DYNAMIC, D3D11_BIND_CONSTANT_BUFFER, D3D11_CPU_ACCESS_WRITE, 0, 0};
    Ref<ID3D11Buffer> frame;
    ASSERT_EQ(device->CreateBuffer(&desc, nullptr, &frame), S_OK);
    Ref<ID3D10Blob> blob;
    Ref<ID3D11VertexShader> vs = VertexShader("VS_Frame", blob);
    Ref<ID3D11PixelShader> ps = PixelShader("PS_Frame");
    // One cell in a unit space: (0,0)-(1,1); the view maps cells onto clip space.
    Ref<ID3D11Buffer> cell = VertexBuffer({0, 0, 0.5f, 0, 1, 0.5f, 1, 1, 0.5f, 0, 0, 0.5f, 1, 1, 0.5f, 1, 0, 0.5f});
    const UINT stride = 12, offset = 0;
    context->IASetInputLayout(posLayout);
    context->IASetVertexBuffers(0, 1, cell.addr(), &stride, &offset);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context->VSSetShader(vs, nullptr, 0);
    context->PSSetShader(ps, nullptr, 0);
    context->VSSetConstantBuffers(1, 1, frame.addr());
    context->PSSetConstantBuffers(1, 1, frame.addr());
    const D3D11_VIEWPORT viewport{0, 0, float(ImageSide), float(ImageSide), 0, 1};
    context->RSSetViewports(1, &viewport);
    Ref<ID3D11RasterizerState> noCull = Rasterizer(D3D11_CULL_NONE, FALSE);
    context->RSSetState(noCull);
    context->OMSetRenderTargets(1, rtv.addr(), nullptr);

    // view: cells 0..8 → clip -1..1 with y downwards (cell row 0 at the top). Its translation
    // sits in the last row, as in every row-vector matrix: read untransposed, it would land in w.
    const Matrix view = {{{0.25f, 0, 0, 0}, {0, -0.25f, 0, 0}, {0, 0, 1, 0}, {-1, 1, 0, 1}}};
    const Matrix projection = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    float image[56] = {};
    std::memcpy(image + 16, Transposed(view).m, 64);
    std::memcpy(image + 32, Transposed(projection).m, 64);
    const int laps = 5;  // 5 × 64 = 320 maps
    for (int lap = 0; lap < laps; ++lap)
        for (int i = 0; i < int(ImageSide * ImageSide); ++i) {
            const int x = i % ImageSide, y = i / ImageSide;
            std::memcpy(image, Transposed(Translation(float(x), float(y))).m, 64);
            image[48] = float(x) / 7.0f;
            image[49] = float(y) / 7.0f;
            image[50] = float(lap) / 4.0f;
            image[51] = 1.0f;
            D3D11_MAPPED_SUBRESOURCE mapped{};
            ASSERT_EQ(context->Map(frame, 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped), S_OK);
            std::memcpy(mapped.pData, image, sizeof image);
            context->Unmap(frame, 0);
            context->Draw(6, 0);
        }
    std::vector<uint32_t> read = ReadRgba(target);
    ASSERT_EQ(read.size(), size_t(ImageSide * ImageSide));
    for (UINT y = 0; y < ImageSide; ++y)
        for (UINT x = 0; x < ImageSide; ++x) {
            auto unorm = [](float v) { return uint8_t(v * 255.0f + 0.5f); };
            EXPECT_PRED3(NearRgba, read[y * ImageSide + x], Rgba(unorm(x / 7.0f), unorm(y / 7.0f), 255, 255), 1)
                << "cell " << x << "," << y;
        }
}

// Triangles with adjacency: an index of 0xFFFFFFFF marks an open edge. It reaches the shaders
// as SV_VertexID 0xFFFFFFFF, restarts nothing and reads nothing outside the vertex buffer.
TEST_F(RenderPipeline, AdjacencyOpenEdgesReachTheGeometryShader)
{
    Ref<ID3D10Blob> blob;
    Ref<ID3D11VertexShader> vs = VertexShader("VS_Id", blob);
    Ref<ID3D11GeometryShader> gs = GeometryShader("GS_Adj");
    Ref<ID3D11PixelShader> ps = PixelShader("PS_VertexColor");
    const D3D11_INPUT_ELEMENT_DESC element = {
        "POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0};
    Ref<ID3D11InputLayout> layout;
    ASSERT_EQ(device->CreateInputLayout(&element, 1, blob->GetBufferPointer(), blob->GetBufferSize(), &layout), S_OK);
    Ref<ID3D11Buffer> vertices = VertexBuffer({QV_CLOCKWISE_FULL(0.5f), 0, 0, 0});
    // Corners 0, 1, 2; neighbours: open, open, vertex 3.
    const uint32_t indices[] = {0, 0xFFFFFFFF, 1, 0xFFFFFFFF, 2, 3};
    D3D11_BUFFER_DESC ibDesc{sizeof indices, D3D11_USAGE_DEFAULT, D3D11_BIND_INDEX_BUFFER, 0, 0, 0};
    D3D11_SUBRESOURCE_DATA ibData{indices, 0, 0};
    Ref<ID3D11Buffer> ib;
    ASSERT_EQ(device->CreateBuffer(&ibDesc, &ibData, &ib), S_OK);
    const UINT stride = 12, offset = 0;
    context->IASetInputLayout(layout);
    context->IASetVertexBuffers(0, 1, vertices.addr(), &stride, &offset);
    context->IASetIndexBuffer(ib, DXGI_FORMAT_R32_UINT, 0);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST_ADJ);
    context->VSSetShader(vs, nullptr, 0);
    context->GSSetShader(gs, nullptr, 0);
    context->PSSetShader(ps, nullptr, 0);
    const D3D11_VIEWPORT viewport{0, 0, float(ImageSide), float(ImageSide), 0, 1};
    context->RSSetViewports(1, &viewport);
    context->OMSetRenderTargets(1, rtv.addr(), nullptr);
    context->DrawIndexed(6, 0, 0);
    for (uint32_t texel : ReadRgba(target)) ASSERT_EQ(texel, Rgba(255, 255, 255, 255));

    // Unbinding the geometry shader goes back to plain triangles.
    context->GSSetShader(nullptr, nullptr, 0);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    ID3D11GeometryShader* bound = reinterpret_cast<ID3D11GeometryShader*>(1);
    context->GSGetShader(&bound, nullptr, nullptr);
    EXPECT_EQ(bound, nullptr);
}

TEST_F(RenderPipeline, InputLayoutMustFeedEveryShaderInput)
{
    Ref<ID3D10Blob> blob = Compile("VS_Tex", "vs_4_0");
    ASSERT_TRUE(blob);
    const D3D11_INPUT_ELEMENT_DESC positionOnly[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0}};
    Ref<ID3D11InputLayout> layout;
    EXPECT_EQ(device->CreateInputLayout(positionOnly, 1, blob->GetBufferPointer(), blob->GetBufferSize(), &layout),
              E_INVALIDARG);
    EXPECT_EQ(layout.get(), nullptr);
    const D3D11_INPUT_ELEMENT_DESC wrongIndex[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"TEXTURE", 1, DXGI_FORMAT_R32G32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0}};
    EXPECT_EQ(device->CreateInputLayout(wrongIndex, 2, blob->GetBufferPointer(), blob->GetBufferSize(), &layout),
              E_INVALIDARG);
    // The program's three elements: extra elements are allowed, names match without regard to case.
    const D3D11_INPUT_ELEMENT_DESC program[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"texture", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D11_INPUT_PER_VERTEX_DATA, 0}};
    EXPECT_EQ(device->CreateInputLayout(program, 3, blob->GetBufferPointer(), blob->GetBufferSize(), &layout), S_OK);
    const D3D11_INPUT_ELEMENT_DESC duplicate[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"TEXTURE", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D11_INPUT_PER_VERTEX_DATA, 0}};
    Ref<ID3D11InputLayout> dup;
    EXPECT_EQ(device->CreateInputLayout(duplicate, 3, blob->GetBufferPointer(), blob->GetBufferSize(), &dup),
              E_INVALIDARG);
    // A pixel shader's blob is not a vertex shader's.
    Ref<ID3D10Blob> pixel = Compile("PS_Tex", "ps_4_0");
    Ref<ID3D11VertexShader> wrongStage;
    EXPECT_EQ(device->CreateVertexShader(pixel->GetBufferPointer(), pixel->GetBufferSize(), nullptr, &wrongStage),
              E_INVALIDARG);
    const char junk[16] = "not a shader";
    EXPECT_EQ(device->CreatePixelShader(junk, sizeof junk, nullptr, nullptr), E_INVALIDARG);
}

}  // namespace
