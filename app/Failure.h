// How the program ends when it cannot go on: one line on stderr that names what failed,
// and exit status 1. A normal close still exits with the quit message's code (0).
#pragma once

#include <string>

#include <windef.h>

constexpr int FailureExitStatus = 1;

// Writes "Quenvale: <what>" and a line break to stderr; `what` is folded onto one line first.
void ReportFailure(const std::string& what);

// "code 0x887A0005" for the failure codes shown to the user.
std::string CodeText(HRESULT code);

// Names what made CreateGraphics fail: the step, the file and the compiler's message where
// the renderer recorded them, otherwise the step's code alone.
std::string DescribeGraphicsFailure(HRESULT code);

// Set when the running program must close because of a failure (device removed, rebuild
// failed); wWinMain then reports it and exits with FailureExitStatus. Empty while all is well.
extern std::string RunFailure;
