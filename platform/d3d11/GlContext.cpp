// Creating, switching and checking the OpenGL 4.5 context of a device (EGL or SDL).
#include "GlContext.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include <SDL.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

namespace d3d11gl {

namespace {

bool IsSoftwareRenderer(const char* renderer)
{
    if (!renderer) return true;
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (std::strstr(renderer, name)) return true;
    return false;
}

// Sets environment variables for the duration of one context creation, then puts back what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value, bool active) : name_(name), active_(active)
    {
        if (!active_) return;
        const char* old = std::getenv(name);
        hadOld_ = old != nullptr;
        if (hadOld_) old_ = old;
        setenv(name, value, 1);
    }
    ~ScopedEnv()
    {
        if (!active_) return;
        if (hadOld_) setenv(name_, old_.c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    bool active_;
    bool hadOld_ = false;
    std::string old_;
};

// EGL displays are initialised on first use and kept for the whole run: terminating one would
// unload Mesa's driver, and loading it again for the next device costs time and leaks inside it.
bool InitializeDisplayOnce(EGLDisplay display)
{
    static EGLDisplay initialized[4] = {};
    for (EGLDisplay d : initialized)
        if (d == display) return true;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) return false;
    for (EGLDisplay& d : initialized)
        if (!d) {
            d = display;
            break;
        }
    return true;
}

// The EGL device for the requested kind: Mesa's software device, or the first other one.
EGLDisplay FindDisplay(bool software)
{
    // Without an EGL driver (none installed, or none found) the client has no platform displays,
    // and libepoxy aborts the process on a call to a function that nothing provides.
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_base")) return EGL_NO_DISPLAY;
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_device_enumeration") ||
        !epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_device"))
        return software ? eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)
                        : EGL_NO_DISPLAY;
    EGLDeviceEXT devices[16];
    EGLint count = 0;
    if (!eglQueryDevicesEXT(16, devices, &count)) return EGL_NO_DISPLAY;
    for (EGLint i = 0; i < count; ++i) {
        const char* ext = eglQueryDeviceStringEXT(devices[i], EGL_EXTENSIONS);
        bool isSoftware = ext && std::strstr(ext, "EGL_MESA_device_software");
        if (isSoftware == software) return eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
    }
    return EGL_NO_DISPLAY;
}

}  // namespace

std::unique_ptr<GlContext> GlContext::CreateOffscreen(bool software, HRESULT* result)
{
    *result = DXGI_ERROR_UNSUPPORTED;
    ScopedEnv forceSoftware("LIBGL_ALWAYS_SOFTWARE", "1", software);
    EGLDisplay display = FindDisplay(software);
    if (display == EGL_NO_DISPLAY || !InitializeDisplayOnce(display) || !eglBindAPI(EGL_OPENGL_API)) return nullptr;
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 5,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_CONTEXT_OPENGL_ROBUST_ACCESS, EGL_TRUE,
                                 EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY, EGL_LOSE_CONTEXT_ON_RESET,
                                 EGL_NONE};
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT) return nullptr;
    std::unique_ptr<GlContext> gl(new GlContext);
    gl->eglDisplay_ = display;
    gl->eglContext_ = context;
    if (!gl->MakeCurrentSlow() || !gl->CheckRenderer(software, result)) return nullptr;
    SetUpDefaults();
    *result = S_OK;
    return gl;
}

std::unique_ptr<GlContext> GlContext::CreateForWindow(SDL_Window* window, bool software, HRESULT* result)
{
    *result = DXGI_ERROR_UNSUPPORTED;
    if (!window) {
        *result = DXGI_ERROR_INVALID_CALL;
        return nullptr;
    }
    ScopedEnv forceSoftware("LIBGL_ALWAYS_SOFTWARE", "1", software);
    ScopedEnv forceLlvmpipe("GALLIUM_DRIVER", "llvmpipe", software);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_ROBUST_ACCESS_FLAG);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION, SDL_GL_CONTEXT_RESET_LOSE_CONTEXT);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return nullptr;
    std::unique_ptr<GlContext> gl(new GlContext);
    gl->window_ = window;
    gl->sdlContext_ = context;
    current_ = gl.get();  // SDL_GL_CreateContext made it current
    if (!gl->CheckRenderer(software, result)) return nullptr;
    SetUpDefaults();
    *result = S_OK;
    return gl;
}

GlContext::~GlContext()
{
    if (current_ == this) current_ = nullptr;
    if (eglContext_) {
        eglMakeCurrent(eglDisplay_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(eglDisplay_, eglContext_);
    }
    if (sdlContext_) {
        SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(sdlContext_));
    }
}

bool GlContext::MakeCurrent()
{
    // SDL unbinds a window's context when the window is destroyed, so ask it, not only our record.
    if (current_ == this && (!sdlContext_ || SDL_GL_GetCurrentContext() == sdlContext_)) return true;
    return MakeCurrentSlow();
}

bool GlContext::MakeCurrentSlow()
{
    bool ok = false;
    if (lookup_) window_ = lookup_(hwnd_);
    if (eglContext_) ok = eglMakeCurrent(eglDisplay_, EGL_NO_SURFACE, EGL_NO_SURFACE, eglContext_);
    else if (sdlContext_ && window_) ok = SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(sdlContext_)) == 0;
    current_ = ok ? this : nullptr;
    return ok;
}

bool GlContext::CheckRenderer(bool software, HRESULT* result)
{
    *result = DXGI_ERROR_UNSUPPORTED;
    if (epoxy_gl_version() < 45) return false;
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    // HARDWARE means a GPU driver: a software rasterizer does not count as one.
    if (!software && IsSoftwareRenderer(renderer)) return false;
    return true;
}

void GlContext::SetUpDefaults()
{
    // Direct3D's conventions: clip-space depth 0..1, first vertex provokes, no primitive restart
    // (an index of 0xFFFFFFFF in a list is an ordinary index).
    glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glDisable(GL_PRIMITIVE_RESTART);
    glDisable(GL_PRIMITIVE_RESTART_FIXED_INDEX);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    glDisable(GL_DITHER);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

void GlContext::SwapWindow()
{
    if (window_) SDL_GL_SwapWindow(window_);
}

void GlContext::SetSwapInterval(int interval)
{
    if (interval == swapInterval_ || !window_) return;
    SDL_GL_SetSwapInterval(interval);
    swapInterval_ = interval;
}

HRESULT GlContext::ResetStatus()
{
    switch (glGetGraphicsResetStatus()) {
    case GL_NO_ERROR: return S_OK;
    case GL_GUILTY_CONTEXT_RESET: return DXGI_ERROR_DEVICE_HUNG;
    case GL_INNOCENT_CONTEXT_RESET: return DXGI_ERROR_DEVICE_RESET;
    default: return DXGI_ERROR_DEVICE_RESET;
    }
}

}  // namespace d3d11gl
