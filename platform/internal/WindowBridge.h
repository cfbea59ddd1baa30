// What the DXGI swap chain needs to know about a window made by CreateWindowExW.
// Implemented by the Win32 part of the platform layer (over SDL2), used by the Direct3D part.
#pragma once

#include <windef.h>

struct SDL_Window;

namespace platform {

// The SDL window behind a live HWND, or null. Every window is created with SDL_WINDOW_OPENGL,
// so a GL context can be made for it.
SDL_Window* SdlWindowFromHwnd(HWND hwnd);

// True while the window cannot be seen: minimised or hidden.
bool IsWindowOccluded(HWND hwnd);

// Borderless, desktop-sized full screen on (true) or off (false). Returns false if the window
// is unknown or SDL refuses.
bool SetWindowFullscreen(HWND hwnd, bool fullscreen);
bool IsWindowFullscreen(HWND hwnd);

// Size of the drawable client area in pixels (what GetClientRect reports): 0 x 0 while minimised.
bool GetWindowClientSize(HWND hwnd, int* width, int* height);

}  // namespace platform
