// The main window's procedure: teardown on destruction, render targets that follow the
// client size, and the five keys (Esc, Up, Down, F2, F5).
#include "AppShell.h"
#include "Controls.h"
#include "ReleaseSlot.h"

namespace {

// Drops the size-dependent objects, resizes the swap chain's buffers to the new client size
// and builds the targets again. Failures are not fatal: the next frame draws with whatever
// targets exist, and the next resize tries again.
void ResizeRenderTargets(UINT width, UINT height)
{
    if (ImmediateContext) {
        ImmediateContext->OMSetRenderTargets(0, nullptr, nullptr);
    }
    ReleaseSlot(BackBufferView);
    ReleaseSlot(DepthStencilView);
    ReleaseSlot(DepthStencilTexture);
    if (SwapChain) {
        SwapChain->ResizeBuffers(3, width, height, DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH);
        CreateRenderTargets();
    }
}

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
            ResizeRenderTargets(LOWORD(lParam), HIWORD(lParam));
        }
        break;
    case WM_KEYDOWN: OnKeyDown(window, wParam); break;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
