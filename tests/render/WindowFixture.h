// WindowFixture.h: the renderer brought up the way the program does it, for a window: a window
// of the given client size (under SDL's offscreen driver unless another is chosen) becomes
// MainWindow and CreateGraphics runs; the clock is frozen at `milliseconds`.
#pragma once

#include <windows.h>

#include <cstdint>

class WindowRenderer {
  public:
    WindowRenderer(int width, int height, uint32_t milliseconds = 0);
    ~WindowRenderer();
    WindowRenderer(const WindowRenderer&) = delete;
    WindowRenderer& operator=(const WindowRenderer&) = delete;

    HRESULT result() const { return result_; }
    HWND window() const { return window_; }

  private:
    HWND window_ = nullptr;
    HRESULT result_ = E_FAIL;
};
