// IDXGISwapChain on an SDL window: the back buffer is a texture that Present blits to the
// window's own framebuffer before swapping.
#pragma once

#include <epoxy/gl.h>

#include "LayerObject.h"

namespace d3d11gl {

class Texture2D;

class SwapChain final : public IDXGISwapChain {
  public:
    static HRESULT Create(Device* device, const DXGI_SWAP_CHAIN_DESC& desc, SwapChain** out);
    SwapChain(const SwapChain&) = delete;
    SwapChain& operator=(const SwapChain&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    HRESULT Present(UINT SyncInterval, UINT Flags) override;
    HRESULT GetBuffer(UINT Buffer, REFIID riid, void** ppSurface) override;
    HRESULT SetFullscreenState(BOOL Fullscreen, IDXGIOutput* pTarget) override;
    HRESULT GetFullscreenState(BOOL* pFullscreen, IDXGIOutput** ppTarget) override;
    HRESULT GetDesc(DXGI_SWAP_CHAIN_DESC* pDesc) override;
    HRESULT ResizeBuffers(UINT BufferCount, UINT Width, UINT Height, DXGI_FORMAT NewFormat,
                          UINT SwapChainFlags) override;

  private:
    SwapChain(Device* device, const DXGI_SWAP_CHAIN_DESC& desc);
    ~SwapChain();
    // A back buffer of the description's size and format; `call` names the API call for refusals.
    HRESULT MakeBackBuffer(const char* call);

    Device* device_;
    DXGI_SWAP_CHAIN_DESC desc_;
    ULONG refs_ = 1;
    Texture2D* backBuffer_ = nullptr;
    GLuint framebuffer_ = 0;  // reads the back buffer for the blit
};

}  // namespace d3d11gl
