// The OpenGL 4.5 context behind a device: EGL without a surface (offscreen devices) or an SDL
// context on a window (devices made with a swap chain). Robust buffer access, lose-context-on-reset.
#pragma once

#include <memory>

#include <windef.h>
#include <winerror.h>

struct SDL_Window;

namespace d3d11gl {

class GlContext {
public:
    // `software` asks for Mesa's llvmpipe (WARP, REFERENCE); otherwise a GL driver on a GPU is
    // required and a software renderer is refused (HARDWARE). On failure *result holds a
    // negative code and null is returned.
    static std::unique_ptr<GlContext> CreateOffscreen(bool software, HRESULT* result);
    static std::unique_ptr<GlContext> CreateForWindow(SDL_Window* window, bool software, HRESULT* result);
    ~GlContext();

    // Makes this context current if it is not already (one comparison when it is). False when it
    // can no longer be made current (window gone, context lost).
    bool MakeCurrent();
    SDL_Window* Window() const { return window_; }
    void SwapWindow();
    void SetSwapInterval(int interval);
    // GL reset status translated to a DXGI code (0 when healthy).
    HRESULT ResetStatus();
    // For a window context: how to find the window again (it may be destroyed before the
    // device, in which case MakeCurrent fails from then on instead of touching a dead window).
    void SetWindowLookup(HWND hwnd, SDL_Window* (*lookup)(HWND))
    {
        hwnd_ = hwnd;
        lookup_ = lookup;
    }

private:
    GlContext() = default;
    bool MakeCurrentSlow();
    bool CheckRenderer(bool software, HRESULT* result);
    static void SetUpDefaults();

    static inline GlContext* current_ = nullptr;
    void* eglDisplay_ = nullptr;
    void* eglContext_ = nullptr;
    SDL_Window* window_ = nullptr;
    HWND hwnd_ = nullptr;
    SDL_Window* (*lookup_)(HWND) = nullptr;
    void* sdlContext_ = nullptr;
    int swapInterval_ = -1;
};

}  // namespace d3d11gl
