// Reporting the failures that end the program.
#include "Failure.h"

#include <cstdio>

#include "Controls.h"
#include "StartupFailure.h"

std::string RunFailure;

void ReportFailure(const std::string& what)
{
    std::string line = "Quenvale: " + JoinLines(what) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

std::string CodeText(HRESULT code)
{
    char text[32];
    std::snprintf(text, sizeof text, "code 0x%08X", static_cast<unsigned>(code));
    return text;
}

std::string DescribeGraphicsFailure(HRESULT code)
{
    // The renderer notes the step that failed, with its file, code and compiler message.
    if (StartupFailureText[0] != '\0') {
        return StartupFailureText;
    }
    return "starting the graphics failed (" + CodeText(code) + ")";
}
