// D3DX11 with the real Direct3D 11 layer (WARP: llvmpipe, offscreen): textures loaded from files
// and read back through a staging copy, shader blobs turned into shader objects and input
// layouts, and nothing left alive afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "PlatformTestHooks.h"
#include "TestFiles.h"
#include "TestImages.h"
#include "TestShaders.h"
#include "d3dx11.h"

namespace {

template <class T>
struct Ptr {
    T* p = nullptr;
    ~Ptr()
    {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
    operator T*() const { return p; }
};

// The layer terminates its EGL display when the last device goes, which unloads Mesa's driver;
// what the driver keeps for the process is then reported by the leak checker from an unknown
// module that no suppression can name. One device held (and reachable) for the whole run keeps
// the driver loaded.
ID3D11Device* DeviceForTheWholeRun = nullptr;
class KeepDriverLoaded : public ::testing::Environment {
    void SetUp() override
    {
        D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                          &DeviceForTheWholeRun, nullptr, nullptr);
    }
};
[[maybe_unused]] const ::testing::Environment* const DriverKeptLoaded =
    ::testing::AddGlobalTestEnvironment(new KeepDriverLoaded);

class DeviceIntegration : public ::testing::Test {
  protected:
    void SetUp() override
    {
        liveBefore_ = platform_test::LiveObjectCount();
        glBefore_ = platform_test::LiveGlObjectCount();
        ASSERT_EQ(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION, &device,
                                    nullptr, &context),
                  S_OK);
    }
    void TearDown() override
    {
        if (context) context->Release();
        if (device) device->Release();
        EXPECT_EQ(platform_test::LiveObjectCount(), liveBefore_);
        EXPECT_EQ(platform_test::LiveGlObjectCount(), glBefore_);
    }

    // RGBA8 texels of one mip level, top row first.
    std::vector<uint8_t> ReadLevel(ID3D11Texture2D* texture, UINT level)
    {
        D3D11_TEXTURE2D_DESC desc;
        texture->GetDesc(&desc);
        desc.Usage = D3D11_USAGE_STAGING;
        desc.BindFlags = 0;
        desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        Ptr<ID3D11Texture2D> staging;
        EXPECT_EQ(device->CreateTexture2D(&desc, nullptr, &staging), S_OK);
        if (!staging) return {};
        context->CopyResource(staging, texture);
        D3D11_MAPPED_SUBRESOURCE mapped = {};
        EXPECT_EQ(context->Map(staging, level, D3D11_MAP_READ, 0, &mapped), S_OK);
        if (!mapped.pData) return {};
        const UINT width = desc.Width >> level ? desc.Width >> level : 1;
        const UINT height = desc.Height >> level ? desc.Height >> level : 1;
        std::vector<uint8_t> texels(size_t(width) * height * 4);
        for (UINT y = 0; y < height; ++y)
            std::memcpy(&texels[size_t(y) * width * 4],
                        static_cast<uint8_t*>(mapped.pData) + size_t(y) * mapped.RowPitch, width * 4);
        context->Unmap(staging, level);
        return texels;
    }

    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;

  private:
    int liveBefore_ = 0;
    int glBefore_ = 0;
};

}  // namespace

TEST_F(DeviceIntegration, TextureFromFileHasEveryLevelWithTheFileTopRowFirst)
{
    const std::string path = WriteScratchFile("picture.bmp", MakeBmp24(3, 2, Picture3x2, false));
    Ptr<ID3D11ShaderResourceView> view;
    ASSERT_EQ(D3DX11CreateShaderResourceViewFromFileA(device, path.c_str(), nullptr, nullptr, &view, nullptr), S_OK);
    Ptr<ID3D11Resource> resource;
    view->GetResource(&resource);
    auto* texture = static_cast<ID3D11Texture2D*>(resource.p);
    D3D11_TEXTURE2D_DESC desc;
    texture->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 3u);
    EXPECT_EQ(desc.Height, 2u);
    EXPECT_EQ(desc.MipLevels, 2u);
    EXPECT_EQ(desc.Format, DXGI_FORMAT_R8G8B8A8_UNORM);

    const std::vector<uint8_t> top = ReadLevel(texture, 0);
    ASSERT_EQ(top.size(), 24u);
    EXPECT_EQ(std::vector<uint8_t>(top.begin(), top.begin() + 4), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(top.begin() + 12, top.begin() + 16), (std::vector<uint8_t>{255, 255, 255, 255}));
    // 1 x 1: the mean of red, green, white and black.
    EXPECT_EQ(ReadLevel(texture, 1), (std::vector<uint8_t>{128, 128, 64, 255}));
}

TEST_F(DeviceIntegration, FailedTextureLoadsCreateNothing)
{
    const int live = platform_test::LiveObjectCount();
    const int gl = platform_test::LiveGlObjectCount();
    for (const std::string& path : {ScratchPath("missing.png"), WriteScratchFile("bad.png", std::string("no image")),
                                    WriteScratchFile("huge.png", MakePngHeaderOnly(16385, 4))}) {
        ID3D11ShaderResourceView* view = nullptr;
        EXPECT_LT(D3DX11CreateShaderResourceViewFromFileA(device, path.c_str(), nullptr, nullptr, &view, nullptr), 0);
        EXPECT_EQ(view, nullptr);
    }
    EXPECT_EQ(platform_test::LiveObjectCount(), live);
    EXPECT_EQ(platform_test::LiveGlObjectCount(), gl);
}

TEST_F(DeviceIntegration, SevenEntryPointsBecomeShadersAndTheSceneLayoutMatchesTheVertexShader)
{
    const D3D11_INPUT_ELEMENT_DESC scene[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"TEXTURE", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D11_INPUT_PER_VERTEX_DATA, 0},
    };
    for (const EntryPoint& e : SevenEntryPoints) {
        std::string errors;
        BlobPtr code = CompileSource(SevenEntryPointSource, e.name, e.profile, 0x810, &errors);
        ASSERT_TRUE(code) << e.name << ": " << errors;
        const void* bytes = code->GetBufferPointer();
        const SIZE_T size = code->GetBufferSize();
        HRESULT hr = E_FAIL;
        if (e.profile[0] == 'v') {
            Ptr<ID3D11VertexShader> shader;
            hr = device->CreateVertexShader(bytes, size, nullptr, &shader);
            if (std::strcmp(e.name, "VS_S") != 0) {
                Ptr<ID3D11InputLayout> layout;
                EXPECT_EQ(device->CreateInputLayout(scene, 3, bytes, size, &layout), S_OK) << e.name;
                Ptr<ID3D11InputLayout> partial;  // the shader reads TEXTURE, the layout lacks it
                EXPECT_EQ(device->CreateInputLayout(scene, 2, bytes, size, &partial), E_INVALIDARG) << e.name;
            }
        } else if (e.profile[0] == 'g') {
            Ptr<ID3D11GeometryShader> shader;
            hr = device->CreateGeometryShader(bytes, size, nullptr, &shader);
        } else {
            Ptr<ID3D11PixelShader> shader;
            hr = device->CreatePixelShader(bytes, size, nullptr, &shader);
        }
        EXPECT_EQ(hr, S_OK) << e.name;
    }
}

TEST_F(DeviceIntegration, TexturedQuadShowsTheFileTopLeftTexelAtTheTargetTopLeft)
{
    const std::string source = R"(
        Texture2D T : register(t0);
        SamplerState S : register(s0);
        struct VIn { float3 pos : POSITION; float3 normal : NORMAL; float2 uv : TEXTURE; };
        struct VOut { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
        VOut VS(VIn i) { VOut o; o.pos = float4(i.pos, 1); o.uv = i.uv; return o; }
        float4 PS(VOut i) : SV_Target { return T.Sample(S, i.uv); })";
    const std::vector<uint8_t> picture = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    const std::string path = WriteScratchFile("quad.tga", MakeTga32(2, 2, picture, false));

    BlobPtr vsCode = CompileSource(source, "VS", "vs_4_0"), psCode = CompileSource(source, "PS", "ps_4_0");
    ASSERT_TRUE(vsCode && psCode);
    Ptr<ID3D11VertexShader> vs;
    Ptr<ID3D11PixelShader> ps;
    Ptr<ID3D11InputLayout> layout;
    const D3D11_INPUT_ELEMENT_DESC elements[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"TEXTURE", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D11_INPUT_PER_VERTEX_DATA, 0},
    };
    ASSERT_EQ(device->CreateVertexShader(vsCode->GetBufferPointer(), vsCode->GetBufferSize(), nullptr, &vs), S_OK);
    ASSERT_EQ(device->CreatePixelShader(psCode->GetBufferPointer(), psCode->GetBufferSize(), nullptr, &ps), S_OK);
    ASSERT_EQ(device->CreateInputLayout(elements, 3, vsCode->GetBufferPointer(), vsCode->GetBufferSize(), &layout),
              S_OK);

    // A quad over the whole target, texture coordinate (0, 0) at its top-left corner.
    const float quad[4][8] = {
        {-1, 1, 0, 0, 0, 1, 0, 0}, {1, 1, 0, 0, 0, 1, 1, 0}, {-1, -1, 0, 0, 0, 1, 0, 1}, {1, -1, 0, 0, 0, 1, 1, 1}};
    D3D11_BUFFER_DESC bufferDesc = {sizeof quad, D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0, 0, 0};
    D3D11_SUBRESOURCE_DATA bufferData = {quad, 0, 0};
    Ptr<ID3D11Buffer> vertices;
    ASSERT_EQ(device->CreateBuffer(&bufferDesc, &bufferData, &vertices), S_OK);

    D3D11_TEXTURE2D_DESC targetDesc = {
        2, 2, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT, D3D11_BIND_RENDER_TARGET, 0, 0};
    Ptr<ID3D11Texture2D> target;
    Ptr<ID3D11RenderTargetView> rtv;
    ASSERT_EQ(device->CreateTexture2D(&targetDesc, nullptr, &target), S_OK);
    ASSERT_EQ(device->CreateRenderTargetView(target, nullptr, &rtv), S_OK);
    D3D11_SAMPLER_DESC samplerDesc = {D3D11_FILTER_MIN_MAG_MIP_POINT,
                                      D3D11_TEXTURE_ADDRESS_CLAMP,
                                      D3D11_TEXTURE_ADDRESS_CLAMP,
                                      D3D11_TEXTURE_ADDRESS_CLAMP,
                                      0,
                                      1,
                                      D3D11_COMPARISON_NEVER,
                                      {0, 0, 0, 0},
                                      0,
                                      D3D11_FLOAT32_MAX};
    Ptr<ID3D11SamplerState> sampler;
    ASSERT_EQ(device->CreateSamplerState(&samplerDesc, &sampler), S_OK);
    Ptr<ID3D11ShaderResourceView> texture;
    ASSERT_EQ(D3DX11CreateShaderResourceViewFromFileA(device, path.c_str(), nullptr, nullptr, &texture, nullptr), S_OK);

    const UINT stride = 32, offset = 0;
    const D3D11_VIEWPORT viewport = {0, 0, 2, 2, 0, 1};
    context->OMSetRenderTargets(1, &rtv.p, nullptr);
    context->RSSetViewports(1, &viewport);
    context->IASetInputLayout(layout);
    context->IASetVertexBuffers(0, 1, &vertices.p, &stride, &offset);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    context->VSSetShader(vs, nullptr, 0);
    context->PSSetShader(ps, nullptr, 0);
    context->PSSetShaderResources(0, 1, &texture.p);
    context->PSSetSamplers(0, 1, &sampler.p);
    context->Draw(4, 0);
    EXPECT_EQ(ReadLevel(target, 0), picture);
    context->ClearState();
}
