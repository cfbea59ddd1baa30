// WindowFixture.cpp: a window for the renderer, made and destroyed around each test.
#include "WindowFixture.h"

#include <PlatformTestHooks.h>

#include <cstdlib>

#include "Graphics.h"
#include "SharedState.h"

namespace {

const wchar_t ClassName[] = L"QuenvaleRenderTest";

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

WindowRenderer::WindowRenderer(int width, int height, uint32_t milliseconds)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = ClassName;
    RegisterClassExW(&windowClass);

    RECT rect = {0, 0, width, height};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    window_ = CreateWindowExW(0, ClassName, L"Quenvale test", WS_OVERLAPPEDWINDOW, 0, 0, rect.right - rect.left,
                              rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window_) return;
    ShowWindow(window_, SW_SHOW);
    MainWindow = window_;
    platform_test::SetTime(true, milliseconds);
    result_ = CreateGraphics();
}

WindowRenderer::~WindowRenderer()
{
    ReleaseGraphics();
    platform_test::SetTime(false, 0);
    if (window_) DestroyWindow(window_);
    MainWindow = nullptr;
    UnregisterClassW(ClassName, GetModuleHandleW(nullptr));
}
