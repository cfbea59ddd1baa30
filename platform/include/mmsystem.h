// The multimedia timer of winmm: a millisecond counter from a monotonic clock.
#pragma once

#include "windef.h"

typedef UINT MMRESULT;
#define TIMERR_NOERROR 0

// Milliseconds of a monotonic clock, as an unsigned 32-bit value that wraps from 4294967295
// to 0 (about every 49.7 days) as the real counter does.
DWORD WINAPI timeGetTime();
