// The swap chain (Present, buffers, resizing, full screen) and D3D11CreateDeviceAndSwapChain.
#include "SwapChain.h"

#include <SDL.h>

#include "DebugLog.h"
#include "Device.h"
#include "TestHooksInternal.h"
#include "Texture2D.h"
#include "WindowBridge.h"

namespace d3d11gl {

using platform_test::Call;

namespace {

bool IsBackBufferFormat(DXGI_FORMAT format)
{
    return format == DXGI_FORMAT_R8G8B8A8_UNORM || format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB ||
           format == DXGI_FORMAT_B8G8R8A8_UNORM;
}

constexpr UINT MaxBuffers = 16;

}  // namespace

HRESULT SwapChain::Create(Device* device, const DXGI_SWAP_CHAIN_DESC& desc, SwapChain** out)
{
    SwapChain* chain = new SwapChain(device, desc);
    HRESULT hr = chain->MakeBackBuffer("D3D11CreateDeviceAndSwapChain");
    if (FAILED(hr)) {
        chain->Release();
        return hr;
    }
    if (!desc.Windowed) platform::SetWindowFullscreen(desc.OutputWindow, true);
    *out = chain;
    return S_OK;
}

SwapChain::SwapChain(Device* device, const DXGI_SWAP_CHAIN_DESC& desc) : DeviceObject(device), desc_(desc)
{
    if (OwnerDevice()->MakeCurrent()) {
        glCreateFramebuffers(1, &framebuffer_);
        NoteGlCreated();
    }
}

SwapChain::~SwapChain()
{
    if (backBuffer_) backBuffer_->Release();
    if (framebuffer_) {
        if (OwnerDevice()->MakeCurrent()) glDeleteFramebuffers(1, &framebuffer_);
        NoteGlDeleted();
    }
}

HRESULT SwapChain::MakeBackBuffer(const char* call)
{
    if (!framebuffer_) return RefuseWith(DXGI_ERROR_DEVICE_REMOVED, OwnerDevice(), call, "the device is lost");
    D3D11_TEXTURE2D_DESC texture{};
    texture.Width = desc_.BufferDesc.Width;
    texture.Height = desc_.BufferDesc.Height;
    texture.MipLevels = 1;
    texture.ArraySize = 1;
    texture.Format = desc_.BufferDesc.Format;
    texture.SampleDesc = {1, 0};
    texture.Usage = D3D11_USAGE_DEFAULT;
    texture.BindFlags = D3D11_BIND_RENDER_TARGET;
    if (desc_.BufferUsage & DXGI_USAGE_SHADER_INPUT) texture.BindFlags |= D3D11_BIND_SHADER_RESOURCE;
    Texture2D* buffer = nullptr;
    HRESULT hr = Texture2D::Create(OwnerDevice(), texture, nullptr, &buffer, call);
    if (FAILED(hr)) return hr;
    backBuffer_ = buffer;
    glNamedFramebufferTexture(framebuffer_, GL_COLOR_ATTACHMENT0, backBuffer_->Name(), 0);
    glNamedFramebufferReadBuffer(framebuffer_, GL_COLOR_ATTACHMENT0);
    return S_OK;
}

HRESULT SwapChain::Present(UINT SyncInterval, UINT Flags)
{
    HRESULT result = S_OK;
    const bool occluded = platform::IsWindowOccluded(desc_.OutputWindow);
    if (SyncInterval > 4) {
        result = RefuseWith(DXGI_ERROR_INVALID_CALL, OwnerDevice(), "Present", "SyncInterval is %u; the most is 4",
                            SyncInterval);
    } else if (occluded) {
        result = DXGI_STATUS_OCCLUDED;
    } else if (Flags & DXGI_PRESENT_TEST) {
        result = S_OK;  // it would show: nothing is drawn
    } else if (HRESULT removed = OwnerDevice()->RemovedReasonForPresent(); FAILED(removed)) {
        result = RefuseWith(removed == DXGI_ERROR_DEVICE_RESET ? DXGI_ERROR_DEVICE_RESET : DXGI_ERROR_DEVICE_REMOVED,
                            OwnerDevice(), "Present", "the device is lost (reason 0x%08X)", unsigned(removed));
    } else if (OwnerDevice()->MakeCurrent()) {
        SDL_Window* window = OwnerDevice()->Gl().Window();
        int width = 0, height = 0;
        SDL_GL_GetDrawableSize(window, &width, &height);
        const GLint w = GLint(desc_.BufferDesc.Width), h = GLint(desc_.BufferDesc.Height);
        // Both the back buffer and the window keep GL's bottom-up rows, so the blit does not flip.
        glDisable(GL_SCISSOR_TEST);
        glBlitNamedFramebuffer(framebuffer_, 0, 0, 0, w, h, 0, 0, width, height, GL_COLOR_BUFFER_BIT,
                               (w == width && h == height) ? GL_NEAREST : GL_LINEAR);
        OwnerDevice()->Gl().SetSwapInterval(SyncInterval ? 1 : 0);
        OwnerDevice()->Gl().SwapWindow();
    } else {
        result = RefuseWith(DXGI_ERROR_DEVICE_REMOVED, OwnerDevice(), "Present", "the device is lost");
    }
    LogCall(Call::Present, SyncInterval, Flags, uint64_t(uint32_t(result)));
    if (!(Flags & DXGI_PRESENT_TEST)) {
        OwnerDevice()->EndFrame();
        NotePresent();
    }
    return result;
}

HRESULT SwapChain::GetBuffer(UINT Buffer, REFIID riid, void** ppSurface)
{
    if (!ppSurface) return RefuseWith(DXGI_ERROR_INVALID_CALL, OwnerDevice(), "GetBuffer", "ppSurface is NULL");
    *ppSurface = nullptr;
    // With the discard swap effect only buffer 0 can be reached.
    if (Buffer != 0)
        return RefuseWith(DXGI_ERROR_INVALID_CALL, OwnerDevice(), "GetBuffer",
                          "Buffer is %u: only buffer 0 can be reached", Buffer);
    if (!backBuffer_)
        return RefuseWith(DXGI_ERROR_INVALID_CALL, OwnerDevice(), "GetBuffer", "the swap chain has no buffer");
    return backBuffer_->QueryInterface(riid, ppSurface);
}

HRESULT SwapChain::SetFullscreenState(BOOL Fullscreen, IDXGIOutput*)
{
    const HRESULT result = platform::SetWindowFullscreen(desc_.OutputWindow, Fullscreen != FALSE)
                               ? S_OK
                               : RefuseWith(DXGI_ERROR_NOT_CURRENTLY_AVAILABLE, OwnerDevice(), "SetFullscreenState",
                                            "the window cannot go %s now", Fullscreen ? "full screen" : "windowed");
    LogLifetimeCall(Call::SetFullscreenState, Fullscreen != FALSE, uint64_t(uint32_t(result)));
    if (SUCCEEDED(result)) desc_.Windowed = !Fullscreen;
    return result;
}

HRESULT SwapChain::GetFullscreenState(BOOL* pFullscreen, IDXGIOutput** ppTarget)
{
    if (pFullscreen) *pFullscreen = platform::IsWindowFullscreen(desc_.OutputWindow) ? TRUE : FALSE;
    if (ppTarget) *ppTarget = nullptr;
    return S_OK;
}

HRESULT SwapChain::GetDesc(DXGI_SWAP_CHAIN_DESC* pDesc)
{
    if (!pDesc) return Refuse(OwnerDevice(), "GetDesc", "pDesc is NULL");
    *pDesc = desc_;
    return S_OK;
}

HRESULT SwapChain::ResizeBuffers(UINT BufferCount, UINT Width, UINT Height, DXGI_FORMAT NewFormat, UINT SwapChainFlags)
{
    const char* call = "ResizeBuffers";
    // Direct3D refuses while anything (a view, a binding, a GetBuffer reference) still holds a buffer.
    if (backBuffer_ && backBuffer_->RefCount() > 1)
        return RefuseWith(DXGI_ERROR_INVALID_CALL, OwnerDevice(), call,
                          "the back buffer is still referenced %u more times", unsigned(backBuffer_->RefCount() - 1));
    if (BufferCount > MaxBuffers)
        return RefuseWith(DXGI_ERROR_INVALID_CALL, OwnerDevice(), call, "BufferCount is %u; the most is %u",
                          BufferCount, MaxBuffers);
    if (NewFormat != DXGI_FORMAT_UNKNOWN && !IsBackBufferFormat(NewFormat))
        return RefuseWith(DXGI_ERROR_INVALID_CALL, OwnerDevice(), call, "NewFormat %u is not a back-buffer format",
                          Raw(NewFormat));
    if (Width == 0 || Height == 0) {
        int width = 0, height = 0;
        if (!platform::GetWindowClientSize(desc_.OutputWindow, &width, &height))
            return RefuseWith(DXGI_ERROR_INVALID_CALL, OwnerDevice(), call, "the window's client size cannot be read");
        if (Width == 0) Width = UINT(width > 0 ? width : 1);
        if (Height == 0) Height = UINT(height > 0 ? height : 1);
    }
    if (Width > D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION || Height > D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION)
        return RefuseWith(DXGI_ERROR_INVALID_CALL, OwnerDevice(), call, "Width %u, Height %u: the largest is %u", Width,
                          Height, UINT(D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION));
    if (!OwnerDevice()->MakeCurrent())
        return RefuseWith(DXGI_ERROR_DEVICE_REMOVED, OwnerDevice(), call, "the device is lost");
    const DXGI_SWAP_CHAIN_DESC previous = desc_;
    if (BufferCount) desc_.BufferCount = BufferCount;
    if (NewFormat != DXGI_FORMAT_UNKNOWN) desc_.BufferDesc.Format = NewFormat;
    desc_.BufferDesc.Width = Width;
    desc_.BufferDesc.Height = Height;
    desc_.Flags = SwapChainFlags;
    Texture2D* old = backBuffer_;
    backBuffer_ = nullptr;
    HRESULT hr = MakeBackBuffer(call);
    if (FAILED(hr)) {
        desc_ = previous;
        backBuffer_ = old;
        glNamedFramebufferTexture(framebuffer_, GL_COLOR_ATTACHMENT0, old->Name(), 0);
        return hr;
    }
    old->Release();
    return S_OK;
}

}  // namespace d3d11gl

HRESULT WINAPI D3D11CreateDeviceAndSwapChain(IDXGIAdapter* pAdapter, D3D_DRIVER_TYPE DriverType, HMODULE Software,
                                             UINT Flags, const D3D_FEATURE_LEVEL* pFeatureLevels, UINT FeatureLevels,
                                             UINT SDKVersion, const DXGI_SWAP_CHAIN_DESC* pSwapChainDesc,
                                             IDXGISwapChain** ppSwapChain, ID3D11Device** ppDevice,
                                             D3D_FEATURE_LEVEL* pFeatureLevel, ID3D11DeviceContext** ppImmediateContext)
{
    if (ppSwapChain) *ppSwapChain = nullptr;
    if (!pSwapChainDesc)
        return D3D11CreateDevice(pAdapter, DriverType, Software, Flags, pFeatureLevels, FeatureLevels, SDKVersion,
                                 ppDevice, pFeatureLevel, ppImmediateContext);
    if (ppDevice) *ppDevice = nullptr;
    if (ppImmediateContext) *ppImmediateContext = nullptr;
    DXGI_SWAP_CHAIN_DESC desc = *pSwapChainDesc;
    SDL_Window* window = platform::SdlWindowFromHwnd(desc.OutputWindow);
    const char* call = "D3D11CreateDeviceAndSwapChain";
    using d3d11gl::RefuseWith;
    if (!window) return RefuseWith(DXGI_ERROR_INVALID_CALL, Flags, call, "OutputWindow is not a window");
    if (desc.BufferCount == 0 || desc.BufferCount > d3d11gl::MaxBuffers)
        return RefuseWith(DXGI_ERROR_INVALID_CALL, Flags, call, "BufferCount is %u; it takes 1 to %u", desc.BufferCount,
                          d3d11gl::MaxBuffers);
    if (!d3d11gl::IsBackBufferFormat(desc.BufferDesc.Format))
        return RefuseWith(DXGI_ERROR_INVALID_CALL, Flags, call, "BufferDesc.Format %u is not a back-buffer format",
                          d3d11gl::Raw(desc.BufferDesc.Format));
    if (desc.SampleDesc.Count == 0) return RefuseWith(DXGI_ERROR_INVALID_CALL, Flags, call, "SampleDesc.Count is 0");
    if (desc.SampleDesc.Count != 1)  // multisampled back buffers are not provided
        return RefuseWith(DXGI_ERROR_UNSUPPORTED, Flags, call,
                          "SampleDesc.Count is %u: multisampled back buffers "
                          "are not provided",
                          desc.SampleDesc.Count);
    // A zero size means the window's client size, as in DXGI.
    int width = 0, height = 0;
    platform::GetWindowClientSize(desc.OutputWindow, &width, &height);
    if (desc.BufferDesc.Width == 0) desc.BufferDesc.Width = UINT(width > 0 ? width : 1);
    if (desc.BufferDesc.Height == 0) desc.BufferDesc.Height = UINT(height > 0 ? height : 1);

    d3d11gl::Device* device = nullptr;
    HRESULT hr = d3d11gl::CreateDeviceForWindow(DriverType, pAdapter, Software, Flags, pFeatureLevels, FeatureLevels,
                                                SDKVersion, window, &device, pFeatureLevel);
    if (FAILED(hr)) return hr;
    device->Gl().SetWindowLookup(desc.OutputWindow, &platform::SdlWindowFromHwnd);
    d3d11gl::SwapChain* chain = nullptr;
    hr = d3d11gl::SwapChain::Create(device, desc, &chain);
    if (FAILED(hr)) {
        device->Release();
        return hr;
    }
    if (ppSwapChain)
        *ppSwapChain = chain;
    else
        chain->Release();
    if (ppImmediateContext) device->GetImmediateContext(ppImmediateContext);
    if (ppDevice)
        *ppDevice = device;
    else
        device->Release();
    return S_OK;
}
