// The process entry on Linux: calls wWinMain as the Windows runtime does, with the module
// instance, no previous instance, the command line after the program name, and SW_SHOWDEFAULT.
//
// Test-only: with QV_TEST_REPORT_LIVE_OBJECTS=1 in the environment it writes, after wWinMain
// returns, how many graphics objects are still alive and how many devices were rebuilt.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include <PlatformTestHooks.h>

#include "AppShell.h"

namespace {

std::wstring WideCommandLine(int argc, char** argv)
{
    std::wstring line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            line += L' ';
        }
        std::mbstate_t state{};
        const char* source = argv[i];
        size_t length = std::mbsrtowcs(nullptr, &source, 0, &state);
        if (length == static_cast<size_t>(-1)) {
            continue;  // not valid in this locale; the program ignores its command line anyway
        }
        std::wstring word(length, L'\0');
        source = argv[i];
        state = std::mbstate_t{};
        std::mbsrtowcs(word.data(), &source, length, &state);
        line += word;
    }
    return line;
}

void ReportLiveObjects()
{
    const char* flag = std::getenv("QV_TEST_REPORT_LIVE_OBJECTS");
    if (!flag || std::string(flag) != "1") {
        return;
    }
    std::fprintf(stderr, "live objects: %d, live GL objects: %d, device rebuilds: %d\n",
                 platform_test::LiveObjectCount(), platform_test::LiveGlObjectCount(), DeviceRebuildCount);
}

}  // namespace

int main(int argc, char** argv)
{
    // The user's locale only for turning the arguments into wide text; the program itself
    // runs in the "C" locale, as its readers expect.
    std::setlocale(LC_CTYPE, "");
    std::wstring commandLine = WideCommandLine(argc, argv);
    std::setlocale(LC_CTYPE, "C");
    int status = wWinMain(GetModuleHandleW(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
    ReportLiveObjects();
    return status;
}
