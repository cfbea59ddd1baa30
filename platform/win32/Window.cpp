// Windows as SDL windows: creation, destruction, showing, client size, and the window state the
// DXGI swap chain needs (WindowBridge.h). Decorations belong to the window manager, so the
// client rectangle is the window's size and AdjustWindowRect leaves rectangles as they are.
#include <SDL.h>

#include <IconResource.h>
#include <WindowBridge.h>

#include <cstdio>

#include "Win32State.h"

namespace win32 {
namespace {

WindowRecord WindowTable[MaxWindows];
bool SdlVideoStarted = false;

constexpr int DefaultWidth = 640;  // what CW_USEDEFAULT as a width gives
constexpr int DefaultHeight = 480;

size_t EncodeUtf8(uint32_t cp, char* out)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out[0] = char(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = char(0xC0 | (cp >> 6));
        out[1] = char(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | (cp >> 12));
        out[1] = char(0x80 | ((cp >> 6) & 0x3F));
        out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (cp >> 18));
    out[1] = char(0x80 | ((cp >> 12) & 0x3F));
    out[2] = char(0x80 | ((cp >> 6) & 0x3F));
    out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}

// SDL's "offscreen" and "dummy" drivers show nothing; they count as a display only when asked
// for by name through SDL_VIDEODRIVER (the tests do).
bool DriverShowsWindows(const char* current, const char* requested)
{
    if (current == nullptr) return false;
    if (SDL_strcasecmp(current, "offscreen") != 0 && SDL_strcasecmp(current, "dummy") != 0) return true;
    return requested != nullptr && SDL_strcasecmp(current, requested) == 0;
}

}  // namespace

void WideToUtf8(const wchar_t* text, char* out, size_t outSize)
{
    if (outSize == 0) return;
    size_t used = 0;
    for (; text != nullptr && *text != L'\0'; ++text) {
        char bytes[4];
        size_t n = EncodeUtf8(uint32_t(*text), bytes);
        if (used + n >= outSize) break;  // never split a character
        for (size_t i = 0; i < n; ++i) out[used++] = bytes[i];
    }
    out[used] = '\0';
}

bool VideoStarted()
{
    return SdlVideoStarted;
}

bool EnsureVideo()
{
    if (SdlVideoStarted) return true;
    // Ctrl+C and kill must end the program as usual instead of turning into SDL_QUIT events.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A borderless full-screen window stays up when it loses focus, as on Windows.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "win32: cannot start SDL video: %s\n", SDL_GetError());
        return false;
    }
    // When no display can be opened SDL falls back to drivers that show nothing: a window there
    // "exists" and nobody sees it. Those are for tests, which ask for them by name; otherwise
    // there is no display, and window creation fails as it would on Windows without a desktop.
    if (!DriverShowsWindows(SDL_GetCurrentVideoDriver(), SDL_getenv("SDL_VIDEODRIVER"))) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    // Keep the GL library loaded for the whole run: otherwise SDL unloads the driver each time
    // the last GL window closes, and loading it again costs time and leaks inside the driver.
    if (SDL_GL_LoadLibrary(nullptr) != 0) std::fprintf(stderr, "win32: cannot load OpenGL: %s\n", SDL_GetError());
    SdlVideoStarted = true;
    return true;
}

HWND HandleOf(const WindowRecord* w)
{
    uintptr_t index = uintptr_t(w - WindowTable);
    return reinterpret_cast<HWND>((uintptr_t(w->generation) << 8) | (index + 1));
}

WindowRecord* LookupWindow(HWND hwnd)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(hwnd);
    uintptr_t index = (value & 0xFF) - 1;
    if (value == 0 || index >= uintptr_t(MaxWindows)) return nullptr;
    WindowRecord* w = &WindowTable[index];
    if (!w->live || (value >> 8) != w->generation) return nullptr;
    return w;
}

WindowRecord* LookupWindowBySdlId(uint32_t id)
{
    for (WindowRecord& w : WindowTable)
        if (w.live && w.sdlId == id) return &w;
    return nullptr;
}

WindowRecord* SoleWindow()
{
    WindowRecord* found = nullptr;
    for (WindowRecord& w : WindowTable) {
        if (!w.live) continue;
        if (found != nullptr) return nullptr;
        found = &w;
    }
    return found;
}

}  // namespace win32

using namespace win32;

HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    int classIndex = FindClass(className, instance);
    if (classIndex < 0) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    WindowRecord* w = nullptr;
    for (WindowRecord& slot : WindowTable) {
        if (!slot.live) {
            w = &slot;
            break;
        }
    }
    if (w == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!EnsureVideo()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }

    if (width == CW_USEDEFAULT) {
        width = DefaultWidth;
        height = DefaultHeight;
    }
    width = width < 1 ? 1 : width;
    height = height < 1 ? 1 : height;
    int sdlX = x == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : x;
    int sdlY = x == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : y;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    if ((style & WS_CAPTION) == 0) flags |= SDL_WINDOW_BORDERLESS;
    char title[1024];
    WideToUtf8(windowName, title, sizeof title);

    SDL_Window* sdl = SDL_CreateWindow(title, sdlX, sdlY, width, height, flags);
    if (sdl == nullptr) {
        std::fprintf(stderr, "win32: cannot create a %dx%d window: %s\n", width, height, SDL_GetError());
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    ClassRecord* cls = ClassAt(classIndex);
    SDL_Surface* icon = platform::IconSurface(cls->wc.hIcon);
    if (icon == nullptr) icon = platform::IconSurface(cls->wc.hIconSm);
    if (icon != nullptr) SDL_SetWindowIcon(sdl, icon);

    uint32_t generation = w->generation == 0 ? 1 : w->generation;
    *w = WindowRecord{};
    w->live = true;
    w->generation = generation;
    w->sdl = sdl;
    w->sdlId = SDL_GetWindowID(sdl);
    w->classIndex = classIndex;
    w->proc = cls->wc.lpfnWndProc;
    w->style = style;
    w->sizeState = SIZE_RESTORED;
    SDL_GL_GetDrawableSize(sdl, &w->reportedWidth, &w->reportedHeight);
    cls->windowCount++;

    HWND hwnd = HandleOf(w);
    CREATESTRUCTW cs{param, instance, menu, parent, height, width, y, x, LONG(style), windowName, className, exStyle};
    if (w->proc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (LookupWindow(hwnd) == nullptr) return nullptr;  // destroyed by its own WM_CREATE
    if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hwnd)
{
    WindowRecord* w = LookupWindow(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->destroying) return TRUE;  // called again from its own WM_DESTROY
    w->destroying = true;
    w->proc(hwnd, WM_DESTROY, 0, 0);
    SDL_DestroyWindow(w->sdl);
    if (ClassRecord* cls = ClassAt(w->classIndex)) cls->windowCount--;
    uint32_t generation = w->generation + 1;
    *w = WindowRecord{};
    w->generation = generation > 0xFFFFFF ? 1 : generation;
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmdShow)
{
    WindowRecord* w = LookupWindow(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    BOOL wasVisible = (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_SHOWN) ? TRUE : FALSE;
    switch (cmdShow) {
    case SW_HIDE: SDL_HideWindow(w->sdl); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
        SDL_ShowWindow(w->sdl);
        SDL_MinimizeWindow(w->sdl);
        break;
    case SW_SHOWMAXIMIZED:
        SDL_ShowWindow(w->sdl);
        SDL_MaximizeWindow(w->sdl);
        break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
        SDL_ShowWindow(w->sdl);
        if (SDL_GetWindowFlags(w->sdl) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)) SDL_RestoreWindow(w->sdl);
        break;
    default:  // SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE, SW_SHOWDEFAULT
        SDL_ShowWindow(w->sdl);
        break;
    }
    return wasVisible;
}

// The window is drawn by the renderer on its next idle frame, so there is nothing to paint now.
BOOL WINAPI UpdateWindow(HWND hwnd)
{
    if (LookupWindow(hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hwnd)
{
    return LookupWindow(hwnd) != nullptr ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hwnd)
{
    WindowRecord* w = LookupWindow(hwnd);
    return w != nullptr && (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_SHOWN) ? TRUE : FALSE;
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect)
{
    int width = 0, height = 0;
    if (rect == nullptr || !platform::GetWindowClientSize(hwnd, &width, &height)) {
        SetLastError(rect == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = RECT{0, 0, width, height};
    return TRUE;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD, BOOL, DWORD)
{
    if (rect == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu)
{
    return AdjustWindowRectEx(rect, style, menu, 0);
}

namespace platform {

SDL_Window* SdlWindowFromHwnd(HWND hwnd)
{
    WindowRecord* w = LookupWindow(hwnd);
    return w != nullptr ? w->sdl : nullptr;
}

bool IsWindowOccluded(HWND hwnd)
{
    WindowRecord* w = LookupWindow(hwnd);
    if (w == nullptr) return false;
    Uint32 flags = SDL_GetWindowFlags(w->sdl);
    return (flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) != 0 || w->sizeState == SIZE_MINIMIZED;
}

bool SetWindowFullscreen(HWND hwnd, bool fullscreen)
{
    WindowRecord* w = LookupWindow(hwnd);
    if (w == nullptr) return false;
    return SDL_SetWindowFullscreen(w->sdl, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0;
}

bool IsWindowFullscreen(HWND hwnd)
{
    WindowRecord* w = LookupWindow(hwnd);
    return w != nullptr && (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN) != 0;
}

bool GetWindowClientSize(HWND hwnd, int* width, int* height)
{
    WindowRecord* w = LookupWindow(hwnd);
    if (w == nullptr || width == nullptr || height == nullptr) return false;
    // A minimised window has an empty client area on Windows, whatever SDL still draws into.
    if ((SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_MINIMIZED) != 0 || w->sizeState == SIZE_MINIMIZED) {
        *width = *height = 0;
        return true;
    }
    SDL_GL_GetDrawableSize(w->sdl, width, height);
    return true;
}

}  // namespace platform
