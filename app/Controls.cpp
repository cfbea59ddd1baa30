// The shell's small decisions: camera step, device state, one-line messages.
#include "Controls.h"

#include "SharedState.h"  // the camera's range

float StepCameraDistance(float distance, int direction)
{
    double next = static_cast<double>(distance) + direction * static_cast<double>(CameraDistanceStep);
    if (next < MinCameraDistance) {
        return MinCameraDistance;
    }
    if (next > MaxCameraDistance) {
        return MaxCameraDistance;
    }
    return static_cast<float>(next);
}

DeviceState ClassifyDeviceState(HRESULT removedReason)
{
    if (removedReason == DXGI_ERROR_DEVICE_HUNG || removedReason == DXGI_ERROR_DEVICE_RESET) {
        return DeviceState::Rebuild;
    }
    if (FAILED(removedReason)) {
        return DeviceState::Lost;
    }
    return DeviceState::Healthy;
}

std::string JoinLines(const std::string& text)
{
    // Each control character becomes one blank, in place: the blanks a compiler log has around
    // its line breaks stay as they are, and an escape sequence cannot reach the terminal.
    std::string out = text;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = ' ';
        }
    }
    const size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) {
        return "";
    }
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}
