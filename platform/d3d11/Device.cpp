// The device: driver-type and feature-level choice, creation calls, removal status, lifetime.
#include "Device.h"

#include <epoxy/gl.h>

#include "BlendState.h"
#include "Buffer.h"
#include "DebugLog.h"
#include "DepthStencilState.h"
#include "InputLayout.h"
#include "RasterizerState.h"
#include "SamplerState.h"
#include "Shaders.h"
#include "TestHooksInternal.h"
#include "Texture2D.h"
#include "Views.h"

namespace d3d11gl {

namespace {

Device* LiveDevices = nullptr;

// The first level of `levels` that an OpenGL 4.5 device provides (11_0, 10_1, 10_0).
bool ChooseFeatureLevel(const D3D_FEATURE_LEVEL* levels, UINT count, D3D_FEATURE_LEVEL* chosen)
{
    if (!levels) {
        *chosen = D3D_FEATURE_LEVEL_11_0;
        return true;
    }
    for (UINT i = 0; i < count; ++i)
        if (levels[i] == D3D_FEATURE_LEVEL_11_0 || levels[i] == D3D_FEATURE_LEVEL_10_1 ||
            levels[i] == D3D_FEATURE_LEVEL_10_0) {
            *chosen = levels[i];
            return true;
        }
    return false;
}

constexpr UINT KnownCreateFlags =
    D3D11_CREATE_DEVICE_SINGLETHREADED | D3D11_CREATE_DEVICE_DEBUG | D3D11_CREATE_DEVICE_SWITCH_TO_REF |
    D3D11_CREATE_DEVICE_PREVENT_INTERNAL_THREADING_OPTIMIZATIONS | D3D11_CREATE_DEVICE_BGRA_SUPPORT;

// Creation helpers share this shape: clear the output, create, hand back the interface. A test
// can make one call of a kind fail as an out-of-memory device does (FailNthCreate).
template <class Object, class Iface, class... Args>
HRESULT CreateInto(platform_test::CreateKind kind, const char* call, Iface** out, Device* device, Args&&... args)
{
    if (out) *out = nullptr;
    if (ShouldFailCreate(kind)) return RefuseWith(E_OUTOFMEMORY, device, call, "out of memory");
    Object* object = nullptr;
    HRESULT hr = Object::Create(device, args..., out ? &object : nullptr);
    if (SUCCEEDED(hr) && out) *out = object;
    return hr;
}

}  // namespace

Device* FirstLiveDevice()
{
    return LiveDevices;
}

Device::Device(std::unique_ptr<GlContext> gl, D3D_FEATURE_LEVEL level, UINT flags)
    : gl_(std::move(gl)), level_(level), flags_(flags), explainsRefusals_(d3d11gl::ExplainsRefusals(flags))
{
    NoteObjectCreated();
    nextLive = LiveDevices;
    LiveDevices = this;
    gl_->MakeCurrent();
    GLint alignment = 256;
    glGetIntegerv(GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT, &alignment);
    uniformAlignment_ = alignment > 0 ? alignment : 256;
    if (epoxy_gl_version() >= 46 || epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") ||
        epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic"))
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy_);
    const int cap = VaryingComponentCap();
    const auto limit = [cap](GLenum name, int* out) {
        GLint value = 0;
        glGetIntegerv(name, &value);
        if (value > 0) *out = value;
        if (cap > 0 && *out > cap) *out = cap;
    };
    limit(GL_MAX_VERTEX_OUTPUT_COMPONENTS, &varyingLimits_.vertexOutput);
    limit(GL_MAX_GEOMETRY_INPUT_COMPONENTS, &varyingLimits_.geometryInput);
    limit(GL_MAX_GEOMETRY_OUTPUT_COMPONENTS, &varyingLimits_.geometryOutput);
    limit(GL_MAX_FRAGMENT_INPUT_COMPONENTS, &varyingLimits_.fragmentInput);
    context_ = std::make_unique<DeviceContext>(this);
}

Device::~Device()
{
    gl_->MakeCurrent();
    context_.reset();
    for (Device** link = &LiveDevices; *link; link = &(*link)->nextLive)
        if (*link == this) {
            *link = nextLive;
            break;
        }
    gl_.reset();
    NoteObjectDestroyed();
}

HRESULT Device::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == __uuidof(ID3D11Device) || riid == __uuidof(IUnknown)) {
        *ppv = static_cast<ID3D11Device*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG Device::Release()
{
    ULONG left = --refs_;
    LogLifetimeCall(platform_test::Call::Release, IdOf(static_cast<ID3D11Device*>(this)), left);
    if (left == 0) MaybeDestroy();
    return left;
}

void Device::ReleaseChildRef()
{
    --childRefs_;
    MaybeDestroy();
}

void Device::ContextReleased()
{
    ReleaseChildRef();
}

// The device goes once nobody holds it or its context: the context's bindings are dropped
// first (they are references too), then the device waits for its last child.
void Device::MaybeDestroy()
{
    if (destroying_ || refs_ != 0 || context_->RefCount() != 0) return;
    if (context_->HasBindings()) {
        destroying_ = true;
        context_->ClearState();
        destroying_ = false;
    }
    if (childRefs_ != 0) return;
    destroying_ = true;
    delete this;
}

HRESULT Device::GetDeviceRemovedReason()
{
    const HRESULT reason = RemovedReason(true);
    resetPolledThisFrame_ = true;
    if (reason != S_OK) NoteRemovalReported();
    return reason;
}

HRESULT Device::RemovedReason(bool askGl)
{
    if (injectedReason_ != S_OK) return injectedReason_;
    if (InjectedReason() != S_OK) return InjectedReason();
    if (lostReason_ != S_OK || !askGl) return lostReason_;
    if (!gl_->MakeCurrent()) return lostReason_ = DXGI_ERROR_DEVICE_REMOVED;
    // A reset is reported once by GL; the device stays lost from then on.
    lostReason_ = gl_->ResetStatus();
    return lostReason_;
}

void Device::GetImmediateContext(ID3D11DeviceContext** ppImmediateContext)
{
    if (!ppImmediateContext) return;
    context_->AddRef();
    *ppImmediateContext = context_.get();
}

HRESULT Device::CreateBuffer(const D3D11_BUFFER_DESC* pDesc, const D3D11_SUBRESOURCE_DATA* pInitialData,
                             ID3D11Buffer** ppBuffer)
{
    if (!pDesc) return Refuse(this, "CreateBuffer", "pDesc is NULL");
    return CreateInto<Buffer>(platform_test::CreateKind::Buffer, "CreateBuffer", ppBuffer, this, *pDesc, pInitialData);
}

HRESULT Device::CreateTexture2D(const D3D11_TEXTURE2D_DESC* pDesc, const D3D11_SUBRESOURCE_DATA* pInitialData,
                                ID3D11Texture2D** ppTexture2D)
{
    if (!pDesc) return Refuse(this, "CreateTexture2D", "pDesc is NULL");
    return CreateInto<Texture2D>(platform_test::CreateKind::Texture2D, "CreateTexture2D", ppTexture2D, this, *pDesc,
                                 pInitialData);
}

HRESULT Device::CreateShaderResourceView(ID3D11Resource* pResource, const D3D11_SHADER_RESOURCE_VIEW_DESC* pDesc,
                                         ID3D11ShaderResourceView** ppSRView)
{
    return CreateInto<ShaderResourceView>(platform_test::CreateKind::ShaderResourceView, "CreateShaderResourceView",
                                          ppSRView, this, pResource, pDesc);
}

HRESULT Device::CreateRenderTargetView(ID3D11Resource* pResource, const D3D11_RENDER_TARGET_VIEW_DESC* pDesc,
                                       ID3D11RenderTargetView** ppRTView)
{
    return CreateInto<RenderTargetView>(platform_test::CreateKind::RenderTargetView, "CreateRenderTargetView", ppRTView,
                                        this, pResource, pDesc);
}

HRESULT Device::CreateDepthStencilView(ID3D11Resource* pResource, const D3D11_DEPTH_STENCIL_VIEW_DESC* pDesc,
                                       ID3D11DepthStencilView** ppDepthStencilView)
{
    return CreateInto<DepthStencilView>(platform_test::CreateKind::DepthStencilView, "CreateDepthStencilView",
                                        ppDepthStencilView, this, pResource, pDesc);
}

HRESULT Device::CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC* pInputElementDescs, UINT NumElements,
                                  const void* pShaderBytecodeWithInputSignature, SIZE_T BytecodeLength,
                                  ID3D11InputLayout** ppInputLayout)
{
    return CreateInto<InputLayout>(platform_test::CreateKind::InputLayout, "CreateInputLayout", ppInputLayout, this,
                                   pInputElementDescs, NumElements, pShaderBytecodeWithInputSignature, BytecodeLength);
}

// Class linkage (dynamic shader linkage) is not provided; a linkage object cannot exist here.
HRESULT Device::CreateVertexShader(const void* pShaderBytecode, SIZE_T BytecodeLength, ID3D11ClassLinkage*,
                                   ID3D11VertexShader** ppVertexShader)
{
    return CreateInto<VertexShader>(platform_test::CreateKind::VertexShader, "CreateVertexShader", ppVertexShader, this,
                                    pShaderBytecode, BytecodeLength);
}

HRESULT Device::CreateGeometryShader(const void* pShaderBytecode, SIZE_T BytecodeLength, ID3D11ClassLinkage*,
                                     ID3D11GeometryShader** ppGeometryShader)
{
    return CreateInto<GeometryShader>(platform_test::CreateKind::GeometryShader, "CreateGeometryShader",
                                      ppGeometryShader, this, pShaderBytecode, BytecodeLength);
}

HRESULT Device::CreatePixelShader(const void* pShaderBytecode, SIZE_T BytecodeLength, ID3D11ClassLinkage*,
                                  ID3D11PixelShader** ppPixelShader)
{
    return CreateInto<PixelShader>(platform_test::CreateKind::PixelShader, "CreatePixelShader", ppPixelShader, this,
                                   pShaderBytecode, BytecodeLength);
}

HRESULT Device::CreateBlendState(const D3D11_BLEND_DESC* pBlendStateDesc, ID3D11BlendState** ppBlendState)
{
    if (!pBlendStateDesc) return Refuse(this, "CreateBlendState", "pBlendStateDesc is NULL");
    return CreateInto<BlendState>(platform_test::CreateKind::BlendState, "CreateBlendState", ppBlendState, this,
                                  *pBlendStateDesc);
}

HRESULT Device::CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC* pDepthStencilDesc,
                                        ID3D11DepthStencilState** ppDepthStencilState)
{
    if (!pDepthStencilDesc) return Refuse(this, "CreateDepthStencilState", "pDepthStencilDesc is NULL");
    return CreateInto<DepthStencilState>(platform_test::CreateKind::DepthStencilState, "CreateDepthStencilState",
                                         ppDepthStencilState, this, *pDepthStencilDesc);
}

HRESULT Device::CreateRasterizerState(const D3D11_RASTERIZER_DESC* pRasterizerDesc,
                                      ID3D11RasterizerState** ppRasterizerState)
{
    if (!pRasterizerDesc) return Refuse(this, "CreateRasterizerState", "pRasterizerDesc is NULL");
    return CreateInto<RasterizerState>(platform_test::CreateKind::RasterizerState, "CreateRasterizerState",
                                       ppRasterizerState, this, *pRasterizerDesc);
}

HRESULT Device::CreateSamplerState(const D3D11_SAMPLER_DESC* pSamplerDesc, ID3D11SamplerState** ppSamplerState)
{
    if (!pSamplerDesc) return Refuse(this, "CreateSamplerState", "pSamplerDesc is NULL");
    return CreateInto<SamplerState>(platform_test::CreateKind::SamplerState, "CreateSamplerState", ppSamplerState, this,
                                    *pSamplerDesc);
}

HRESULT CreateDeviceForWindow(D3D_DRIVER_TYPE driverType, IDXGIAdapter* adapter, HMODULE software, UINT flags,
                              const D3D_FEATURE_LEVEL* levels, UINT levelCount, UINT sdkVersion, SDL_Window* window,
                              Device** device, D3D_FEATURE_LEVEL* level)
{
    *device = nullptr;
    const char* call = window ? "D3D11CreateDeviceAndSwapChain" : "D3D11CreateDevice";
    if (sdkVersion != D3D11_SDK_VERSION)
        return RefuseWith(E_INVALIDARG, flags, call, "SDKVersion is %u, not D3D11_SDK_VERSION (%u)", sdkVersion,
                          UINT(D3D11_SDK_VERSION));
    if (flags & ~KnownCreateFlags)
        return RefuseWith(E_INVALIDARG, flags, call, "Flags 0x%X holds unknown bits 0x%X", flags,
                          flags & ~KnownCreateFlags);
    if (levels && levelCount == 0)
        return RefuseWith(E_INVALIDARG, flags, call, "pFeatureLevels is given but FeatureLevels is 0");
    if ((driverType == D3D_DRIVER_TYPE_SOFTWARE) != (software != nullptr))
        return RefuseWith(E_INVALIDARG, flags, call,
                          "DriverType is %u and Software is %s: a software module goes "
                          "with D3D_DRIVER_TYPE_SOFTWARE and only with it",
                          Raw(driverType), software ? "given" : "NULL");
    if ((adapter != nullptr) == (driverType != D3D_DRIVER_TYPE_UNKNOWN))
        return RefuseWith(E_INVALIDARG, flags, call,
                          "DriverType is %u and pAdapter is %s: an adapter goes with "
                          "D3D_DRIVER_TYPE_UNKNOWN and only with it",
                          Raw(driverType), adapter ? "given" : "NULL");
    D3D_FEATURE_LEVEL chosen{};
    if (!ChooseFeatureLevel(levels, levelCount, &chosen))
        return RefuseWith(E_INVALIDARG, flags, call, "none of the %u feature levels is 11_0, 10_1 or 10_0", levelCount);
    bool softwareRenderer = false;
    switch (driverType) {
    case D3D_DRIVER_TYPE_HARDWARE: softwareRenderer = false; break;
    case D3D_DRIVER_TYPE_WARP:
    case D3D_DRIVER_TYPE_REFERENCE: softwareRenderer = true; break;
    default:  // adapters, NULL and plug-in software devices
        return RefuseWith(DXGI_ERROR_UNSUPPORTED, flags, call, "DriverType %u is not provided", Raw(driverType));
    }
    HRESULT hr = S_OK;
    const ContextRequest request{softwareRenderer, (flags & D3D11_CREATE_DEVICE_DEBUG) != 0, ExplainsRefusals(flags)};
    std::unique_ptr<GlContext> gl =
        window ? GlContext::CreateForWindow(window, request, &hr) : GlContext::CreateOffscreen(request, &hr);
    if (!gl) return hr;
    *device = new Device(std::move(gl), chosen, flags);
    NoteDeviceCreated();
    if (level) *level = chosen;
    return S_OK;
}

}  // namespace d3d11gl

HRESULT WINAPI D3D11CreateDevice(IDXGIAdapter* pAdapter, D3D_DRIVER_TYPE DriverType, HMODULE Software, UINT Flags,
                                 const D3D_FEATURE_LEVEL* pFeatureLevels, UINT FeatureLevels, UINT SDKVersion,
                                 ID3D11Device** ppDevice, D3D_FEATURE_LEVEL* pFeatureLevel,
                                 ID3D11DeviceContext** ppImmediateContext)
{
    if (ppDevice) *ppDevice = nullptr;
    if (ppImmediateContext) *ppImmediateContext = nullptr;
    d3d11gl::Device* device = nullptr;
    HRESULT hr = d3d11gl::CreateDeviceForWindow(DriverType, pAdapter, Software, Flags, pFeatureLevels, FeatureLevels,
                                                SDKVersion, nullptr, &device, pFeatureLevel);
    if (FAILED(hr)) return hr;
    if (ppImmediateContext) device->GetImmediateContext(ppImmediateContext);
    if (ppDevice) {
        *ppDevice = device;
    } else {
        device->Release();
    }
    // Asking for neither object only tests whether the device could be made, as in Direct3D.
    return (ppDevice || ppImmediateContext) ? S_OK : S_FALSE;
}
