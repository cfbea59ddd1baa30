// ID3D11Device: creation of every resource, view, state and shader, and the device's life.
#pragma once

#include <memory>

#include "DeviceContext.h"
#include "GlContext.h"
#include "LayerObject.h"

namespace d3d11gl {

class Device final : public ID3D11Device {
  public:
    Device(std::unique_ptr<GlContext> gl, D3D_FEATURE_LEVEL level, UINT flags);
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    // ID3D11Device
    HRESULT CreateBuffer(const D3D11_BUFFER_DESC* pDesc, const D3D11_SUBRESOURCE_DATA* pInitialData,
                         ID3D11Buffer** ppBuffer) override;
    HRESULT CreateTexture2D(const D3D11_TEXTURE2D_DESC* pDesc, const D3D11_SUBRESOURCE_DATA* pInitialData,
                            ID3D11Texture2D** ppTexture2D) override;
    HRESULT CreateShaderResourceView(ID3D11Resource* pResource, const D3D11_SHADER_RESOURCE_VIEW_DESC* pDesc,
                                     ID3D11ShaderResourceView** ppSRView) override;
    HRESULT CreateRenderTargetView(ID3D11Resource* pResource, const D3D11_RENDER_TARGET_VIEW_DESC* pDesc,
                                   ID3D11RenderTargetView** ppRTView) override;
    HRESULT CreateDepthStencilView(ID3D11Resource* pResource, const D3D11_DEPTH_STENCIL_VIEW_DESC* pDesc,
                                   ID3D11DepthStencilView** ppDepthStencilView) override;
    HRESULT CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC* pInputElementDescs, UINT NumElements,
                              const void* pShaderBytecodeWithInputSignature, SIZE_T BytecodeLength,
                              ID3D11InputLayout** ppInputLayout) override;
    HRESULT CreateVertexShader(const void* pShaderBytecode, SIZE_T BytecodeLength, ID3D11ClassLinkage* pClassLinkage,
                               ID3D11VertexShader** ppVertexShader) override;
    HRESULT CreateGeometryShader(const void* pShaderBytecode, SIZE_T BytecodeLength, ID3D11ClassLinkage* pClassLinkage,
                                 ID3D11GeometryShader** ppGeometryShader) override;
    HRESULT CreatePixelShader(const void* pShaderBytecode, SIZE_T BytecodeLength, ID3D11ClassLinkage* pClassLinkage,
                              ID3D11PixelShader** ppPixelShader) override;
    HRESULT CreateBlendState(const D3D11_BLEND_DESC* pBlendStateDesc, ID3D11BlendState** ppBlendState) override;
    HRESULT CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC* pDepthStencilDesc,
                                    ID3D11DepthStencilState** ppDepthStencilState) override;
    HRESULT CreateRasterizerState(const D3D11_RASTERIZER_DESC* pRasterizerDesc,
                                  ID3D11RasterizerState** ppRasterizerState) override;
    HRESULT CreateSamplerState(const D3D11_SAMPLER_DESC* pSamplerDesc, ID3D11SamplerState** ppSamplerState) override;
    D3D_FEATURE_LEVEL GetFeatureLevel() override { return level_; }
    UINT GetCreationFlags() override { return flags_; }
    HRESULT GetDeviceRemovedReason() override;
    void GetImmediateContext(ID3D11DeviceContext** ppImmediateContext) override;

    // Layer internals
    bool MakeCurrent() { return gl_->MakeCurrent(); }
    GlContext& Gl() { return *gl_; }
    void AddChildRef() { ++childRefs_; }
    void ReleaseChildRef();
    // Called by the immediate context when its own count reaches zero / leaves zero.
    void ContextReleased();
    int UniformBufferAlignment() const { return uniformAlignment_; }
    float MaxAnisotropy() const { return maxAnisotropy_; }
    // Marks the device as faulted (test hook); GetDeviceRemovedReason returns `code` from now on.
    void InjectFault(HRESULT code) { injectedReason_ = code; }
    // Refused calls write why (D3D11_CREATE_DEVICE_DEBUG, or QV_D3D11_DEBUG=1: DebugLog.h).
    bool ExplainsRefusals() const { return explainsRefusals_; }
    // The varying components each stage may pass (GL_MAX_*_COMPONENTS; 4 per location).
    struct VaryingLimits {
        int vertexOutput = 64, geometryInput = 64, geometryOutput = 128, fragmentInput = 128;
    };
    const VaryingLimits& Varyings() const { return varyingLimits_; }
    // True when the device is lost: an injected fault, a reset seen before, or one GL reports now.
    bool IsLost() { return FAILED(RemovedReason(true)); }
    // Present's check: what GetDeviceRemovedReason found earlier in this frame, or else one query
    // of GL, so that a frame asks GL once. EndFrame starts the next frame.
    HRESULT RemovedReasonForPresent() { return RemovedReason(!resetPolledThisFrame_); }
    void EndFrame() { resetPolledThisFrame_ = false; }

  private:
    ~Device();
    void MaybeDestroy();
    HRESULT RemovedReason(bool askGl);

    std::unique_ptr<GlContext> gl_;
    std::unique_ptr<DeviceContext> context_;
    D3D_FEATURE_LEVEL level_;
    UINT flags_;
    bool explainsRefusals_;
    ULONG refs_ = 1;
    int childRefs_ = 0;
    bool destroying_ = false;
    HRESULT lostReason_ = S_OK;
    HRESULT injectedReason_ = S_OK;
    int uniformAlignment_ = 256;
    float maxAnisotropy_ = 1.0f;
    VaryingLimits varyingLimits_;
    bool resetPolledThisFrame_ = false;

  public:
    Device* nextLive = nullptr;  // list of live devices, for injected faults
};

// Every live device, newest first (for fault injection).
Device* FirstLiveDevice();

// Creates a device (and its immediate context) for the given driver type; the window, if any,
// gets an SDL GL context, otherwise an offscreen EGL context is made.
HRESULT CreateDeviceForWindow(D3D_DRIVER_TYPE driverType, IDXGIAdapter* adapter, HMODULE software, UINT flags,
                              const D3D_FEATURE_LEVEL* levels, UINT levelCount, UINT sdkVersion, SDL_Window* window,
                              Device** device, D3D_FEATURE_LEVEL* level);

template <class Iface, class... Bases>
DeviceObject<Iface, Bases...>::DeviceObject(Device* device) : device_(device)
{
    device_->AddChildRef();
    NoteObjectCreated();
}

template <class Iface, class... Bases>
DeviceObject<Iface, Bases...>::~DeviceObject()
{
    NoteObjectDestroyed();
    device_->ReleaseChildRef();
}

template <class Iface, class... Bases>
void DeviceChild<Iface, Bases...>::GetDevice(ID3D11Device** ppDevice)
{
    if (!ppDevice) return;
    Device* device = this->OwnerDevice();
    device->AddRef();
    *ppDevice = device;
}

}  // namespace d3d11gl
