// StartupFailure.cpp: keeps the description of the last failing start-up step.
#include "StartupFailure.h"

#include <cstdarg>
#include <cstdio>

char StartupFailureText[1024];

void NoteStartupFailure(HRESULT code, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(StartupFailureText, sizeof StartupFailureText, format, args);
    va_end(args);
    if (length < 0) length = 0;
    if (static_cast<size_t>(length) < sizeof StartupFailureText)
        std::snprintf(StartupFailureText + length, sizeof StartupFailureText - length, " (code 0x%08X)",
                      static_cast<unsigned>(code));
}

void ClearStartupFailure()
{
    StartupFailureText[0] = '\0';
}
