// The layer's diagnostic lines on stderr, in the shape of Direct3D's debug layer:
//   "D3D11 ERROR: <call>: <reason>", "D3D11 WARNING: ...", "D3D11 INFO: ...".
// Refusals that the caller cannot explain from its own arguments are written always; GL's own
// debug messages and reports about the device are written for devices made with
// D3D11_CREATE_DEVICE_DEBUG.
#pragma once

#include <string>

namespace d3d11gl {

enum class DebugSeverity { Error, Warning, Info };

void DebugLine(DebugSeverity severity, const char* call, const std::string& reason);

// Empties GL's error queue so that the next glGetError speaks only of the calls made after it.
// Returns the first error found (GL_NO_ERROR when there was none).
unsigned DrainGlErrors();

// Routes the current context's debug output (a debug context's) into DebugLine, synchronously,
// leaving out GL's notifications.
void RouteGlDebugOutput();

}  // namespace d3d11gl
