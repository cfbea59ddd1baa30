// Reporting the failures that end the program.
#include "Failure.h"

#include <cstdio>

#include "Controls.h"

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
    return "the graphics could not be started (" + CodeText(code) + ")";
}
