// The layer's diagnostic lines on stderr, in the shape of Direct3D's debug layer:
//   "D3D11 ERROR: <call>: <reason>", "D3D11 WARNING: ...", "D3D11 INFO: ...".
// Refusals that the caller cannot explain from its own arguments are written always; GL's own
// debug messages and reports about the device are written for devices made with
// D3D11_CREATE_DEVICE_DEBUG; every other refused or ignored call, and why a device could not be
// made, is explained for those devices too, or for every device when QV_D3D11_DEBUG=1.
#pragma once

#include <string>

#include <windef.h>

namespace d3d11gl {

class Device;

enum class DebugSeverity { Error, Warning, Info };

void DebugLine(DebugSeverity severity, const char* call, const std::string& reason);

// True when refusals are explained for a device made with `createFlags`: D3D11_CREATE_DEVICE_DEBUG,
// or QV_D3D11_DEBUG=1 in the environment, which forces the explanations on for every device made
// from then on, as the system's control panel can force Direct3D's debug layer on. GL's debug
// output stays with the flag: on some drivers it is a line per draw.
bool ExplainsRefusals(UINT createFlags);

// Every refused call goes through these. When the device explains refusals, one line
// "D3D11 ERROR: <call>: <reason>" names the call and why, the reason formatted as by printf.
// Refuse returns E_INVALIDARG, RefuseWith `code`; a device still being created is named by its
// creation flags.
HRESULT Refuse(const Device* device, const char* call, const char* format, ...) __attribute__((format(printf, 3, 4)));
HRESULT RefuseWith(HRESULT code, const Device* device, const char* call, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
HRESULT RefuseWith(HRESULT code, UINT createFlags, const char* call, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Void calls that drop what they were given go through this: when the device explains refusals,
// one line "D3D11 ERROR: <call>: <reason>; the call is ignored", as Direct3D's debug layer
// reports a call it discards.
void Ignore(const Device* device, const char* call, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Empties GL's error queue so that the next glGetError speaks only of the calls made after it.
// Returns the first error found (GL_NO_ERROR when there was none).
unsigned DrainGlErrors();

// Routes the current context's debug output (a debug context's) into DebugLine, synchronously,
// leaving out GL's notifications.
void RouteGlDebugOutput();

}  // namespace d3d11gl
