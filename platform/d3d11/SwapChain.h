// IDXGISwapChain on an SDL window: the back buffer is a texture that Present blits to the
// window's own framebuffer before swapping.
#pragma once

#include <epoxy/gl.h>

#include "LayerObject.h"

namespace d3d11gl {

class Texture2D;

class SwapChain final : public DeviceObject<IDXGISwapChain, IDXGIDeviceSubObject, IDXGIObject> {
  public:
    static HRESULT Create(Device* device, const DXGI_SWAP_CHAIN_DESC& desc, SwapChain** out);

    HRESULT Present(UINT SyncInterval, UINT Flags) override;
    HRESULT GetBuffer(UINT Buffer, REFIID riid, void** ppSurface) override;
    HRESULT SetFullscreenState(BOOL Fullscreen, IDXGIOutput* pTarget) override;
    HRESULT GetFullscreenState(BOOL* pFullscreen, IDXGIOutput** ppTarget) override;
    HRESULT GetDesc(DXGI_SWAP_CHAIN_DESC* pDesc) override;
    HRESULT ResizeBuffers(UINT BufferCount, UINT Width, UINT Height, DXGI_FORMAT NewFormat,
                          UINT SwapChainFlags) override;

  private:
    SwapChain(Device* device, const DXGI_SWAP_CHAIN_DESC& desc);
    ~SwapChain() override;
    // A back buffer of the description's size and format; `call` names the API call for refusals.
    HRESULT MakeBackBuffer(const char* call);

    DXGI_SWAP_CHAIN_DESC desc_;
    Texture2D* backBuffer_ = nullptr;
    GLuint framebuffer_ = 0;  // reads the back buffer for the blit
};

}  // namespace d3d11gl
