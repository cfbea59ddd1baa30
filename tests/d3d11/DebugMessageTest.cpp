// Refused calls explain themselves on stderr, one line each, on devices with the debug layer
// (D3D11_CREATE_DEVICE_DEBUG, or QV_D3D11_DEBUG=1 for every device), and say nothing otherwise.
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "D3D11TestSupport.h"

namespace {

const D3D_FEATURE_LEVEL Levels[] = {D3D_FEATURE_LEVEL_11_0};

// A valid 4 x 4 texture (made without a word), for the view refusals.
Ref<ID3D11Texture2D> MakeTexture(ID3D11Device* device, DXGI_FORMAT format, UINT bindFlags)
{
    const D3D11_TEXTURE2D_DESC desc{4, 4, 1, 1, format, {1, 0}, D3D11_USAGE_DEFAULT, bindFlags, 0, 0};
    Ref<ID3D11Texture2D> texture;
    EXPECT_EQ(device->CreateTexture2D(&desc, nullptr, &texture), S_OK);
    return texture;
}

struct Refusal {
    HRESULT code;
    const char* line;  // what follows "D3D11 ERROR: "
    std::function<HRESULT(ID3D11Device*, ID3D11DeviceContext*, UINT flags)> call;
};

// One refusal from each part of the layer: device creation (no device yet), a buffer, a texture,
// a view, a state, an input layout, and calls made on the context.
const Refusal RefusalCases[] = {
    {E_INVALIDARG, "D3D11CreateDevice: SDKVersion is 6, not D3D11_SDK_VERSION (7)",
     [](ID3D11Device*, ID3D11DeviceContext*, UINT flags) {
         Ref<ID3D11Device> device;
         return D3D11CreateDevice(nullptr, TestDriverType(), nullptr, flags, Levels, 1, 6, &device, nullptr, nullptr);
     }},
    {E_INVALIDARG, "CreateBuffer: ByteWidth is 0",
     [](ID3D11Device* device, ID3D11DeviceContext*, UINT) {
         const D3D11_BUFFER_DESC desc{0, D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0, 0, 0};
         Ref<ID3D11Buffer> buffer;
         return device->CreateBuffer(&desc, nullptr, &buffer);
     }},
    {E_INVALIDARG, "CreateTexture2D: MipLevels is 10: a 256 x 16 texture has at most 9",
     [](ID3D11Device* device, ID3D11DeviceContext*, UINT) {
         D3D11_TEXTURE2D_DESC desc{
             256, 16, 10, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT, D3D11_BIND_SHADER_RESOURCE, 0, 0};
         Ref<ID3D11Texture2D> texture;
         return device->CreateTexture2D(&desc, nullptr, &texture);
     }},
    {E_INVALIDARG, "CreateShaderResourceView: the texture was made without BIND_SHADER_RESOURCE (BindFlags 0x20)",
     [](ID3D11Device* device, ID3D11DeviceContext*, UINT) {
         Ref<ID3D11Texture2D> texture = MakeTexture(device, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET);
         Ref<ID3D11ShaderResourceView> view;
         return device->CreateShaderResourceView(texture, nullptr, &view);
     }},
    {E_NOTIMPL, "CreateDepthStencilView: Flags 0x1: read-only depth-stencil views are not provided",
     [](ID3D11Device* device, ID3D11DeviceContext*, UINT) {
         Ref<ID3D11Texture2D> texture = MakeTexture(device, DXGI_FORMAT_D32_FLOAT_S8X24_UINT, D3D11_BIND_DEPTH_STENCIL);
         D3D11_DEPTH_STENCIL_VIEW_DESC viewDesc{};
         viewDesc.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2D;
         viewDesc.Flags = 1;
         Ref<ID3D11DepthStencilView> view;
         return device->CreateDepthStencilView(texture, &viewDesc, &view);
     }},
    {E_INVALIDARG, "CreateRasterizerState: CullMode 4 is not NONE, FRONT or BACK",
     [](ID3D11Device* device, ID3D11DeviceContext*, UINT) {
         D3D11_RASTERIZER_DESC desc{};
         desc.FillMode = D3D11_FILL_SOLID;
         desc.CullMode = D3D11_CULL_MODE(4);
         Ref<ID3D11RasterizerState> state;
         return device->CreateRasterizerState(&desc, &state);
     }},
    {E_INVALIDARG, "CreateInputLayout: element 0 (POSITION): Format 0 is not a vertex format",
     [](ID3D11Device* device, ID3D11DeviceContext*, UINT) {
         const D3D11_INPUT_ELEMENT_DESC element{"POSITION", 0, DXGI_FORMAT_UNKNOWN, 0, 0, D3D11_INPUT_PER_VERTEX_DATA,
                                                0};
         Ref<ID3D11InputLayout> layout;
         return device->CreateInputLayout(&element, 1, nullptr, 0, &layout);
     }},
    {E_INVALIDARG, "Map: a DEFAULT buffer cannot be mapped",
     [](ID3D11Device* device, ID3D11DeviceContext* context, UINT) {
         const D3D11_BUFFER_DESC desc{16, D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0, 0, 0};
         Ref<ID3D11Buffer> buffer;
         EXPECT_EQ(device->CreateBuffer(&desc, nullptr, &buffer), S_OK);
         D3D11_MAPPED_SUBRESOURCE mapped{};
         return context->Map(buffer, 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped);
     }},
    // Calls that return nothing say when they drop what they were given.
    {S_OK, "IASetVertexBuffers: StartSlot 31 and NumBuffers 2 pass the last of 32 slots; the call is ignored",
     [](ID3D11Device*, ID3D11DeviceContext* context, UINT) {
         ID3D11Buffer* const buffers[2] = {};
         const UINT zeros[2] = {};
         context->IASetVertexBuffers(31, 2, buffers, zeros, zeros);
         return S_OK;
     }},
    {S_OK, "CopyResource: the destination's ByteWidth 32 is not the source's 16; the call is ignored",
     [](ID3D11Device* device, ID3D11DeviceContext* context, UINT) {
         const D3D11_BUFFER_DESC small{16, D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0, 0, 0};
         const D3D11_BUFFER_DESC large{32, D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0, 0, 0};
         Ref<ID3D11Buffer> source, destination;
         EXPECT_EQ(device->CreateBuffer(&small, nullptr, &source), S_OK);
         EXPECT_EQ(device->CreateBuffer(&large, nullptr, &destination), S_OK);
         context->CopyResource(destination, source);
         return S_OK;
     }},
};

// Sets (or with nullptr removes) an environment variable until the end of the scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// Makes every refusal on a device created with `flags` and checks its result and what it wrote:
// its one line when `explained`, nothing otherwise. The objects a case makes to reach its
// refusal are valid, so they add nothing.
void CheckRefusals(UINT flags, bool explained)
{
    Ref<ID3D11Device> device;
    Ref<ID3D11DeviceContext> context;
    ASSERT_EQ(D3D11CreateDevice(nullptr, TestDriverType(), nullptr, flags, Levels, 1, D3D11_SDK_VERSION, &device,
                                nullptr, &context),
              S_OK);
    for (const Refusal& refusal : RefusalCases) {
        testing::internal::CaptureStderr();
        const HRESULT hr = refusal.call(device, context, flags);
        const std::string text = testing::internal::GetCapturedStderr();
        EXPECT_EQ(hr, refusal.code) << refusal.line;
        EXPECT_EQ(text, explained ? "D3D11 ERROR: " + std::string(refusal.line) + "\n" : std::string()) << refusal.line;
    }
}

TEST(DebugMessages, DebugDeviceWritesOneLineNamingTheCallAndTheReason)
{
    ScopedEnv unforced("QV_D3D11_DEBUG", nullptr);
    CheckRefusals(D3D11_CREATE_DEVICE_DEBUG, true);
}

TEST(DebugMessages, DeviceWithoutTheDebugLayerRefusesSilently)
{
    ScopedEnv unforced("QV_D3D11_DEBUG", nullptr);
    CheckRefusals(0, false);
}

TEST(DebugMessages, EnvironmentForcesTheLinesOnForEveryDevice)
{
    {
        ScopedEnv forced("QV_D3D11_DEBUG", "1");
        CheckRefusals(0, true);
    }
    ScopedEnv notForced("QV_D3D11_DEBUG", "0");
    CheckRefusals(0, false);
}

}  // namespace
