// The idle-time step of the main loop: watch the device, sit out occlusion, draw a frame.
#include "AppShell.h"
#include "Controls.h"
#include "Failure.h"

bool StandbyMode = false;
int DeviceRebuildCount = 0;

// How long one idle turn sleeps while the window cannot be seen or has no render targets.
constexpr DWORD StandbySleepMs = 100;

bool IdleFrame()
{
    if (!Device || !SwapChain) {
        RunFailure = "the graphics device is gone";
        return false;
    }

    HRESULT reason = Device->GetDeviceRemovedReason();
    switch (ClassifyDeviceState(reason)) {
    case DeviceState::Rebuild: {
        // Everything, model and textures included, is created again from disk. Releasing the
        // graphics leaves full screen, so a rebuilt swap chain goes back to it if it was there.
        BOOL fullscreen = FALSE;
        SwapChain->GetFullscreenState(&fullscreen, nullptr);
        ReleaseGraphics();
        HRESULT result = CreateGraphics();
        if (FAILED(result)) {
            RunFailure = "the graphics device stopped (" + CodeText(reason) +
                         ") and could not be rebuilt: " + DescribeGraphicsFailure(result);
            return false;
        }
        if (fullscreen) {
            SwapChain->SetFullscreenState(TRUE, nullptr);
        }
        ++DeviceRebuildCount;
        break;
    }
    case DeviceState::Lost: RunFailure = "the graphics device was removed (" + CodeText(reason) + ")"; return false;
    case DeviceState::Healthy: break;
    }

    if (StandbyMode) {
        if (SwapChain->Present(0, DXGI_PRESENT_TEST) != S_OK) {
            Sleep(StandbySleepMs);
            return true;
        }
        StandbyMode = false;
    }

    // A resize that could not build the targets left none: try again, and while that fails,
    // draw nothing and wait as in standby rather than spin on the failing calls.
    if (!RenderTargetsExist() && !RebuildRenderTargets()) {
        Sleep(StandbySleepMs);
        return true;
    }

    if (RenderFrame() == DXGI_STATUS_OCCLUDED) {
        StandbyMode = true;
    }
    return true;
}
