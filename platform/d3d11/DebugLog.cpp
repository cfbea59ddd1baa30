// Diagnostic lines on stderr and GL's debug output routed into them.
#include "DebugLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <d3d11.h>
#include <epoxy/gl.h>

#include "Device.h"

namespace d3d11gl {

namespace {

const char* SeverityName(DebugSeverity severity)
{
    switch (severity) {
    case DebugSeverity::Error: return "ERROR";
    case DebugSeverity::Warning: return "WARNING";
    default: return "INFO";
    }
}

void GLAPIENTRY OnGlDebugMessage(GLenum source, GLenum type, GLuint, GLenum severity, GLsizei length,
                                 const GLchar* message, const void*)
{
    DebugSeverity level = DebugSeverity::Info;
    if (type == GL_DEBUG_TYPE_ERROR)
        level = DebugSeverity::Error;
    else if (severity == GL_DEBUG_SEVERITY_HIGH || severity == GL_DEBUG_SEVERITY_MEDIUM)
        level = DebugSeverity::Warning;
    const char* from = source == GL_DEBUG_SOURCE_SHADER_COMPILER ? "GL shader compiler"
                       : source == GL_DEBUG_SOURCE_WINDOW_SYSTEM ? "GL window system"
                                                                 : "GL";
    std::string text = length >= 0 ? std::string(message, size_t(length)) : std::string(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    DebugLine(level, from, text);
}

// Writes "D3D11 ERROR: <call>: <reason><tail>" when `explain`, the reason formatted as by printf.
HRESULT RefuseV(HRESULT code, bool explain, const char* call, const char* tail, const char* format, va_list args)
{
    if (!explain) return code;
    char reason[512];
    std::vsnprintf(reason, sizeof reason, format, args);
    DebugLine(DebugSeverity::Error, call, std::string(reason) + tail);
    return code;
}

}  // namespace

void DebugLine(DebugSeverity severity, const char* call, const std::string& reason)
{
    std::fprintf(stderr, "D3D11 %s: %s: %s\n", SeverityName(severity), call, reason.c_str());
}

bool ExplainsRefusals(UINT createFlags)
{
    if (createFlags & D3D11_CREATE_DEVICE_DEBUG) return true;
    const char* forced = std::getenv("QV_D3D11_DEBUG");
    return forced && std::strcmp(forced, "1") == 0;
}

HRESULT Refuse(const Device* device, const char* call, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const HRESULT code = RefuseV(E_INVALIDARG, device && device->ExplainsRefusals(), call, "", format, args);
    va_end(args);
    return code;
}

HRESULT RefuseWith(HRESULT code, const Device* device, const char* call, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    RefuseV(code, device && device->ExplainsRefusals(), call, "", format, args);
    va_end(args);
    return code;
}

HRESULT RefuseWith(HRESULT code, UINT createFlags, const char* call, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    RefuseV(code, ExplainsRefusals(createFlags), call, "", format, args);
    va_end(args);
    return code;
}

void Ignore(const Device* device, const char* call, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    RefuseV(S_OK, device && device->ExplainsRefusals(), call, "; the call is ignored", format, args);
    va_end(args);
}

unsigned DrainGlErrors()
{
    GLenum first = GL_NO_ERROR;
    // A lost context may report GL_CONTEXT_LOST on every call; GL keeps at most one flag per
    // kind of error, so a handful of reads empties the queue.
    for (int i = 0; i < 16; ++i) {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR) break;
        if (first == GL_NO_ERROR) first = error;
    }
    return first;
}

void RouteGlDebugOutput()
{
    GLint flags = 0;
    glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
    if (!(flags & GL_CONTEXT_FLAG_DEBUG_BIT)) return;
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(OnGlDebugMessage, nullptr);
    glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DEBUG_SEVERITY_NOTIFICATION, 0, nullptr, GL_FALSE);
}

}  // namespace d3d11gl
