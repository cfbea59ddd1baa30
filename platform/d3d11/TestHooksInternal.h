// The layer's side of the test hooks (PlatformTestHooks.h): call log, injected faults, Map and Create failures.
#pragma once

#include <cstdint>

#include <PlatformTestHooks.h>
#include <winerror.h>

namespace d3d11gl {

extern bool CallLogActive;
void AppendCall(platform_test::Call call, uint64_t a, uint64_t b, uint64_t c);
inline void LogCall(platform_test::Call call, uint64_t a = 0, uint64_t b = 0, uint64_t c = 0)
{
    if (CallLogActive) AppendCall(call, a, b, c);
}
// Release, ClearState and SetFullscreenState: logged only when the log was started for them.
extern bool LifetimeLogActive;
inline void LogLifetimeCall(platform_test::Call call, uint64_t a = 0, uint64_t b = 0)
{
    if (CallLogActive && LifetimeLogActive) AppendCall(call, a, b, 0);
}
inline uint64_t IdOf(const void* object)
{
    return reinterpret_cast<uintptr_t>(object);
}

// The code injected for every device (S_OK when none).
HRESULT InjectedReason();
// True when this Map call is the one FailNthMap asked to fail.
bool ShouldFailMap();
// True when this Create call of `kind` is the one FailNthCreate asked to fail.
bool ShouldFailCreate(platform_test::CreateKind kind);
// Counts a Present; applies QV_TEST_DEVICE_FAULT to the live devices when its frame is reached.
void NotePresent();
// RefuseRobustContexts: device creation behaves as on a driver without robust contexts.
bool RobustContextsRefused();
// Counts one glGetGraphicsResetStatus (ResetStatusQueryCount).
void NoteResetStatusQuery();
// CapVaryingComponents: the cap on every stage's varying components (0: none).
int VaryingComponentCap();
// GetDeviceRemovedReason told its caller that a device is removed, hung or reset.
void NoteRemovalReported();
// A device was created: it replaces the removed one if a removal was reported since the last
// creation; the exit report (ExitReport.h) reads the layer's counts from now on.
void NoteDeviceCreated();

}  // namespace d3d11gl
