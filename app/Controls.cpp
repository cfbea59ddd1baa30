// The shell's small decisions: camera step, device state, one-line messages.
#include "Controls.h"

float StepCameraDistance(float distance, int direction)
{
    double next = static_cast<double>(distance) + direction * static_cast<double>(CameraDistanceStep);
    if (next < NearestCameraDistance) {
        return NearestCameraDistance;
    }
    if (next > FarthestCameraDistance) {
        return FarthestCameraDistance;
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

namespace {
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool IsBreak(char c)
{
    return c == '\n' || c == '\r';
}
}  // namespace

std::string JoinLines(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    bool pendingBreak = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (IsBreak(c)) {
            pendingBreak = true;
            while (!out.empty() && IsBlank(out.back())) {
                out.pop_back();
            }
            continue;
        }
        if (IsBlank(c) && (out.empty() || pendingBreak)) {
            continue;  // blanks at the start of the text or of a line
        }
        if (pendingBreak && !out.empty()) {
            out += "; ";
        }
        pendingBreak = false;
        out += c;
    }
    while (!out.empty() && IsBlank(out.back())) {
        out.pop_back();
    }
    return out;
}
