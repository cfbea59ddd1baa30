// Creating, switching and checking the OpenGL 4.5 context of a device (EGL or SDL).
#include "GlContext.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <SDL.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include "DebugLog.h"
#include "TestHooksInternal.h"

namespace d3d11gl {

namespace {

// Mesa's software rasterizers, and the software Vulkan devices that Mesa's zink can run on (zink
// names its device: "zink (llvmpipe (LLVM 15.0.6, 256 bits))" is lavapipe). A renderer string
// that cannot be read is neither kind.
bool IsSoftwareRenderer(const char* renderer)
{
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "lavapipe", "SwiftShader", "Software Rasterizer"})
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
        if (hadOld_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
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

// Every EGL display that may give the requested kind, in the order to try them: the enumerated
// devices of that kind (all of them: the first GPU may have no GL driver, or refuse 4.5), then
// Mesa's surfaceless platform, which picks a GPU itself (or llvmpipe under LIBGL_ALWAYS_SOFTWARE).
std::vector<EGLDisplay> CandidateDisplays(bool software)
{
    std::vector<EGLDisplay> displays;
    // Without an EGL driver (none installed, or none found) the client has no platform displays,
    // and libepoxy aborts the process on a call to a function that nothing provides.
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_base")) return displays;
    if (epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_device_enumeration") &&
        epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_device")) {
        EGLDeviceEXT devices[16];
        EGLint count = 0;
        if (!eglQueryDevicesEXT(16, devices, &count)) count = 0;
        for (EGLint i = 0; i < count; ++i) {
            const char* ext = eglQueryDeviceStringEXT(devices[i], EGL_EXTENSIONS);
            const bool isSoftware = ext && std::strstr(ext, "EGL_MESA_device_software");
            if (isSoftware != software) continue;
            EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
            if (display != EGL_NO_DISPLAY) displays.push_back(display);
        }
    }
    if (epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        bool seen = false;
        for (EGLDisplay d : displays) seen = seen || d == display;
        if (display != EGL_NO_DISPLAY && !seen) displays.push_back(display);
    }
    return displays;
}

EGLContext CreateEglContext(EGLDisplay display, bool robust, bool debug)
{
    std::vector<EGLint> attributes = {EGL_CONTEXT_MAJOR_VERSION,       4,
                                      EGL_CONTEXT_MINOR_VERSION,       5,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT};
    if (robust)
        attributes.insert(attributes.end(),
                          {EGL_CONTEXT_OPENGL_ROBUST_ACCESS, EGL_TRUE, EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY,
                           EGL_LOSE_CONTEXT_ON_RESET});
    if (debug) attributes.insert(attributes.end(), {EGL_CONTEXT_OPENGL_DEBUG, EGL_TRUE});
    attributes.push_back(EGL_NONE);
    return eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes.data());
}

const char* DriverName(const ContextRequest& request)
{
    return request.software ? "WARP" : "HARDWARE";
}

// Why a device could not be made goes to stderr for devices that explain refusals; the program
// itself reports a failed start in its own one line.
void ReportFailure(const ContextRequest& request, const std::string& why)
{
    if (request.explain)
        DebugLine(DebugSeverity::Error, "D3D11CreateDevice", std::string(DriverName(request)) + ": " + why);
}

}  // namespace

std::unique_ptr<GlContext> GlContext::CreateOffscreen(const ContextRequest& request, HRESULT* result)
{
    *result = DXGI_ERROR_UNSUPPORTED;
    ScopedEnv forceSoftware("LIBGL_ALWAYS_SOFTWARE", "1", request.software);
    const std::vector<EGLDisplay> displays = CandidateDisplays(request.software);
    std::string why = request.software ? "no EGL display offers Mesa's software rasterizer"
                                       : "no EGL device other than a software one was found";
    for (EGLDisplay display : displays) {
        if (!InitializeDisplayOnce(display) || !eglBindAPI(EGL_OPENGL_API)) {
            why = "an EGL display did not initialise";
            continue;
        }
        EGLContext context = RobustContextsRefused() ? EGL_NO_CONTEXT : CreateEglContext(display, true, request.debug);
        if (context == EGL_NO_CONTEXT) context = CreateEglContext(display, false, request.debug);
        if (context == EGL_NO_CONTEXT) {
            why = "the driver gave no OpenGL 4.5 core context";
            continue;
        }
        std::unique_ptr<GlContext> gl(new GlContext);
        gl->eglDisplay_ = display;
        gl->eglContext_ = context;
        if (!gl->MakeCurrentSlow() || !gl->CheckRenderer(request, &why)) continue;
        gl->Finish(request);
        *result = S_OK;
        return gl;
    }
    ReportFailure(request, why);
    return nullptr;
}

std::unique_ptr<GlContext> GlContext::CreateForWindow(SDL_Window* window, const ContextRequest& request,
                                                      HRESULT* result)
{
    *result = DXGI_ERROR_UNSUPPORTED;
    if (!window) {
        *result = DXGI_ERROR_INVALID_CALL;
        ReportFailure(request, "there is no window to draw in");
        return nullptr;
    }
    // Mesa reads these when a context's driver is loaded; where SDL already loaded it for the
    // window, the renderer check below is what holds WARP to a software rasterizer.
    ScopedEnv forceSoftware("LIBGL_ALWAYS_SOFTWARE", "1", request.software);
    ScopedEnv forceLlvmpipe("GALLIUM_DRIVER", "llvmpipe", request.software);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    const int debugFlag = request.debug ? SDL_GL_CONTEXT_DEBUG_FLAG : 0;
    SDL_GLContext context = nullptr;
    if (!RobustContextsRefused()) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_ROBUST_ACCESS_FLAG | debugFlag);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION, SDL_GL_CONTEXT_RESET_LOSE_CONTEXT);
        context = SDL_GL_CreateContext(window);
    }
    if (!context) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, debugFlag);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION, SDL_GL_CONTEXT_RESET_NO_NOTIFICATION);
        context = SDL_GL_CreateContext(window);
    }
    if (!context) {
        ReportFailure(request,
                      std::string("the window's GL driver gave no OpenGL 4.5 core context: ") + SDL_GetError());
        return nullptr;
    }
    std::unique_ptr<GlContext> gl(new GlContext);
    gl->window_ = window;
    gl->sdlContext_ = context;
    current_ = gl.get();  // SDL_GL_CreateContext made it current
    std::string why;
    if (!gl->CheckRenderer(request, &why)) {
        ReportFailure(request, why);
        return nullptr;
    }
    gl->Finish(request);
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
    if (eglContext_)
        ok = eglMakeCurrent(eglDisplay_, EGL_NO_SURFACE, EGL_NO_SURFACE, eglContext_);
    else if (sdlContext_ && window_)
        ok = SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(sdlContext_)) == 0;
    current_ = ok ? this : nullptr;
    return ok;
}

bool GlContext::CheckRenderer(const ContextRequest& request, std::string* why)
{
    if (epoxy_gl_version() < 45) {
        *why = "the driver's OpenGL version is below 4.5";
        return false;
    }
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const std::string name = renderer ? renderer : "(none)";
    // HARDWARE means a GPU driver; WARP means Mesa's software rasterizer and nothing else.
    if (!renderer) {
        *why = "the GL renderer cannot be read";
        return false;
    }
    if (!request.software && IsSoftwareRenderer(renderer)) {
        *why = "the GL renderer '" + name + "' is a software rasterizer";
        return false;
    }
    if (request.software && !IsSoftwareRenderer(renderer)) {
        *why = "the GL renderer '" + name + "' is not a software rasterizer (llvmpipe, softpipe, swrast, lavapipe)";
        return false;
    }
    return true;
}

void GlContext::Finish(const ContextRequest& request)
{
    GLint flags = 0, strategy = 0;
    glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
    glGetIntegerv(GL_RESET_NOTIFICATION_STRATEGY, &strategy);
    robust_ = (flags & GL_CONTEXT_FLAG_ROBUST_ACCESS_BIT) != 0;
    resetStrategy_ = unsigned(strategy);
    SetUpDefaults();
    if (!request.debug) return;
    RouteGlDebugOutput();
    const auto text = [](GLenum e) { return reinterpret_cast<const char*>(glGetString(e)); };
    DebugLine(DebugSeverity::Info, "D3D11CreateDevice",
              std::string(DriverName(request)) + ": " + text(GL_RENDERER) + " (" + text(GL_VENDOR) + "), OpenGL " +
                  text(GL_VERSION) + "; robust access " + (robust_ ? "on" : "off") + "; reset notification " +
                  (resetStrategy_ == GL_LOSE_CONTEXT_ON_RESET ? "LOSE_CONTEXT_ON_RESET" : "NO_RESET_NOTIFICATION"));
    if (!robust_)
        DebugLine(DebugSeverity::Warning, "D3D11CreateDevice",
                  "no robust-access context: indices outside a vertex buffer are not guarded");
    if (resetStrategy_ != GL_LOSE_CONTEXT_ON_RESET)
        DebugLine(DebugSeverity::Warning, "D3D11CreateDevice",
                  "the context reports no resets: device loss cannot be detected");
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
    NoteResetStatusQuery();
    switch (glGetGraphicsResetStatus()) {
    case GL_NO_ERROR: return S_OK;
    case GL_GUILTY_CONTEXT_RESET: return DXGI_ERROR_DEVICE_HUNG;
    case GL_INNOCENT_CONTEXT_RESET: return DXGI_ERROR_DEVICE_RESET;
    default: return DXGI_ERROR_DEVICE_RESET;
    }
}

}  // namespace d3d11gl
