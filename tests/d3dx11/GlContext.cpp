// EGL surfaceless context creation through libepoxy.
#include "GlContext.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

GlContext::GlContext()
{
    EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        error_ = "no surfaceless EGL display";
        return;
    }
    display_ = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error_ = "EGL cannot bind desktop OpenGL";
        return;
    }
    const EGLint attributes[] = {
        EGL_CONTEXT_MAJOR_VERSION,           4,       EGL_CONTEXT_MINOR_VERSION, 5, EGL_CONTEXT_OPENGL_PROFILE_MASK,
        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT) {
        error_ = "no OpenGL 4.5 core context";
        return;
    }
    context_ = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) error_ = "eglMakeCurrent failed";
}

GlContext::~GlContext()
{
    if (!display_) return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_) eglDestroyContext(display_, context_);
    eglReleaseThread();
    // The display is not terminated: that unloads Mesa's driver, and the sanitizer could then
    // no longer name (or be told to ignore) what the driver keeps for the process's lifetime.
}
