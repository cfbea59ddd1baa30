// The test-only exit report (ExitReport.h): the line the process entry writes when asked.
#include <ExitReport.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {
ObjectCounter Counter = nullptr;
}  // namespace

void SetObjectCounter(ObjectCounter counter)
{
    Counter = counter;
}

void WriteExitReport()
{
    const char* flag = std::getenv("QV_TEST_REPORT_LIVE_OBJECTS");
    if (!flag || std::strcmp(flag, "1") != 0) return;
    const ObjectCounts counts = Counter ? Counter() : ObjectCounts{};
    std::fprintf(stderr, "live objects: %d, live GL objects: %d, device rebuilds: %d\n", counts.liveObjects,
                 counts.liveGlObjects, counts.deviceRebuilds);
}

}  // namespace platform
