// The OpenGL 4.5 context behind a device: EGL without a surface (offscreen devices) or an SDL
// context on a window (devices made with a swap chain). Robust buffer access and lose-context-on-reset
// are asked for first; a driver that refuses them still gets a context, without them.
#pragma once

#include <memory>
#include <string>

#include <windef.h>
#include <winerror.h>

struct SDL_Window;

namespace d3d11gl {

struct ContextRequest {
    // Mesa's software rasterizer (WARP, REFERENCE): any other renderer is refused. Otherwise a GL
    // driver on a GPU is required and a software renderer is refused (HARDWARE).
    bool software = false;
    // A GL debug context whose messages become "D3D11 ERROR/WARNING/INFO" lines on stderr, and
    // a report of what the device got (D3D11_CREATE_DEVICE_DEBUG).
    bool debug = false;
    // Why the context could not be made goes to stderr (ExplainsRefusals in DebugLog.h).
    bool explain = false;
};

class GlContext {
  public:
    // On failure *result holds a negative code and null is returned; why it failed is written
    // on stderr ("D3D11 ERROR: D3D11CreateDevice: ...") when the request says to explain.
    static std::unique_ptr<GlContext> CreateOffscreen(const ContextRequest& request, HRESULT* result);
    static std::unique_ptr<GlContext> CreateForWindow(SDL_Window* window, const ContextRequest& request,
                                                      HRESULT* result);
    ~GlContext();

    // Makes this context current if it is not already (one comparison when it is). False when it
    // can no longer be made current (window gone, context lost).
    bool MakeCurrent();
    SDL_Window* Window() const { return window_; }
    void SwapWindow();
    void SetSwapInterval(int interval);
    // GL reset status translated to a DXGI code (0 when healthy). One glGetGraphicsResetStatus.
    HRESULT ResetStatus();
    // What the driver granted: robust buffer access, and GL_RESET_NOTIFICATION_STRATEGY
    // (GL_LOSE_CONTEXT_ON_RESET, or GL_NO_RESET_NOTIFICATION when a reset cannot be seen).
    bool Robust() const { return robust_; }
    unsigned ResetStrategy() const { return resetStrategy_; }
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
    bool CheckRenderer(const ContextRequest& request, std::string* why);
    void Finish(const ContextRequest& request);
    static void SetUpDefaults();

    static inline GlContext* current_ = nullptr;
    void* eglDisplay_ = nullptr;
    void* eglContext_ = nullptr;
    SDL_Window* window_ = nullptr;
    HWND hwnd_ = nullptr;
    SDL_Window* (*lookup_)(HWND) = nullptr;
    void* sdlContext_ = nullptr;
    int swapInterval_ = -1;
    bool robust_ = false;
    unsigned resetStrategy_ = 0;
};

}  // namespace d3d11gl
