// The test-only exit report (ExitReport.h): the line the process entry writes when asked.
#include <ExitReport.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {
ObjectCounter g_counter = nullptr;
}  // namespace

void SetObjectCounter(ObjectCounter counter) { g_counter = counter; }

void WriteExitReport()
{
    const char* flag = std::getenv("QV_TEST_REPORT_LIVE_OBJECTS");
    if (!flag || std::strcmp(flag, "1") != 0) return;
    const ObjectCounts counts = g_counter ? g_counter() : ObjectCounts{};
    std::fprintf(stderr, "live objects: %d, live GL objects: %d, device rebuilds: %d\n", counts.liveObjects,
                 counts.liveGlObjects, counts.deviceRebuilds);
}

}  // namespace platform
