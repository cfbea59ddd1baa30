// timeGetTime over CLOCK_MONOTONIC, with the test controls: platform_test::SetTime and the
// QV_TEST_TIME_MS environment variable, which freezes the clock for whole-program tests.
#include <mmsystem.h>

#include <PlatformTestHooks.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "ClockParse.h"

namespace {

std::atomic<bool> Frozen{false};
std::atomic<uint32_t> FrozenMs{0};
std::atomic<uint32_t> OffsetMs{0};

uint64_t MonotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
}

// Reads QV_TEST_TIME_MS once, before the first reading of the clock.
void ApplyEnvironmentOnce()
{
    static const bool applied = [] {
        const char* text = std::getenv("QV_TEST_TIME_MS");
        if (text == nullptr) return true;
        uint32_t ms = 0;
        if (win32::ParseTestTimeMs(text, &ms)) {
            FrozenMs.store(ms);
            Frozen.store(true);
        } else {
            std::fprintf(stderr,
                         "QV_TEST_TIME_MS=\"%s\" ignored: not a whole number of milliseconds "
                         "from 0 to 4294967295\n",
                         text);
        }
        return true;
    }();
    (void)applied;
}

}  // namespace

namespace win32 {

bool ParseTestTimeMs(const char* text, uint32_t* ms)
{
    if (text == nullptr || *text == '\0') return false;
    uint64_t value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + uint64_t(*p - '0');
        if (value > 0xFFFFFFFFull) return false;
    }
    *ms = uint32_t(value);
    return true;
}

}  // namespace win32

DWORD WINAPI timeGetTime()
{
    ApplyEnvironmentOnce();
    if (Frozen.load()) return FrozenMs.load();
    return DWORD(uint32_t(MonotonicMs()) + OffsetMs.load());
}

namespace platform_test {

void SetTime(bool frozen, uint32_t ms, uint32_t offsetMs)
{
    ApplyEnvironmentOnce();  // so that a later first reading cannot undo this call
    FrozenMs.store(ms);
    OffsetMs.store(offsetMs);
    Frozen.store(frozen);
}

}  // namespace platform_test
