// The main window's procedure: teardown on destruction, render targets that follow the
// client size, and the five keys (Esc, Up, Down, F2, F5).
#include "AppShell.h"
#include "Controls.h"
#include "ReleaseSlot.h"

namespace {

// The client size of the last WM_SIZE that was not a minimise; 0 x 0 until one comes, which
// ResizeBuffers reads as the window's client size.
UINT TargetWidth = 0;
UINT TargetHeight = 0;

void ReleaseRenderTargets()
{
    ReleaseSlot(BackBufferView);
    ReleaseSlot(DepthStencilView);
    ReleaseSlot(DepthStencilTexture);
}

}  // namespace

bool RenderTargetsExist()
{
    return BackBufferView && DepthStencilView;
}

// Drops the size-dependent objects, resizes the swap chain's buffers and builds the targets
// again. A failure is not fatal, but leaves no targets at all: a half-built set would hold the
// back buffer, and the next ResizeBuffers would be refused for it. Until a later resize or idle
// turn builds them, no frame is drawn, since Direct3D does not check the views it is given.
bool RebuildRenderTargets()
{
    if (ImmediateContext) {
        ImmediateContext->OMSetRenderTargets(0, nullptr, nullptr);
    }
    ReleaseRenderTargets();
    if (!SwapChain) {
        return false;
    }
    HRESULT hr = SwapChain->ResizeBuffers(3, TargetWidth, TargetHeight, DXGI_FORMAT_R8G8B8A8_UNORM,
                                          DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH);
    if (SUCCEEDED(hr)) {
        hr = CreateRenderTargets();
    }
    if (FAILED(hr)) {
        ReleaseRenderTargets();
        return false;
    }
    return true;
}

namespace {

void ToggleFullscreen()
{
    if (!SwapChain) {
        return;
    }
    BOOL fullscreen = FALSE;
    SwapChain->GetFullscreenState(&fullscreen, nullptr);
    SwapChain->SetFullscreenState(!fullscreen, nullptr);
}

void OnKeyDown(HWND window, WPARAM key)
{
    switch (key) {
    case VK_ESCAPE: PostMessageW(window, WM_CLOSE, 0, 0); break;
    case VK_UP: CameraDistance = StepCameraDistance(CameraDistance, -1); break;
    case VK_DOWN: CameraDistance = StepCameraDistance(CameraDistance, +1); break;
    case VK_F2: UseAdjacency = !UseAdjacency; break;
    case VK_F5: ToggleFullscreen(); break;
    default: break;
    }
}

}  // namespace

LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        ReleaseGraphics();
        PostQuitMessage(0);
        MainWindow = nullptr;
        return 0;
    case WM_SIZE:
        // Minimising keeps the targets as they are; restoring sends the restored size.
        if (Device && wParam != SIZE_MINIMIZED) {
            TargetWidth = LOWORD(lParam);
            TargetHeight = HIWORD(lParam);
            RebuildRenderTargets();
        }
        break;
    case WM_KEYDOWN: OnKeyDown(window, wParam); break;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
