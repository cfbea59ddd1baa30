// The shell's small decisions, kept free of windows and devices so they can be tested alone:
// the camera step of the Up and Down keys, what a device-removed reason asks of the idle step,
// and folding a multi-line message (a shader compiler's) into the one line printed on failure.
#pragma once

#include <string>

#include <windows.h>  // HRESULT and the DXGI_ERROR_* codes

// One key press moves the camera by this much.
constexpr float CameraDistanceStep = 0.1f;

// One step of the camera distance: direction −1 moves nearer (Up), +1 farther (Down).
// The sum is formed in double from the single-precision step, stored back as float, and clamped
// to [MinCameraDistance, MaxCameraDistance] (SharedState.h), both ends allowed.
float StepCameraDistance(float distance, int direction);

// What the idle step does about the device's removed reason.
enum class DeviceState {
    Healthy,  // carry on
    Rebuild,  // hung or reset: release every graphics object and create them again
    Lost,     // removed, or any other failure: close the window
};
DeviceState ClassifyDeviceState(HRESULT removedReason);

// `text` with every control character (line breaks, tabs, escapes) turned into a blank and
// leading and trailing blanks removed, so a compiler log fits on one line.
std::string JoinLines(const std::string& text);
