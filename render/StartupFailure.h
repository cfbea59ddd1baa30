// StartupFailure.h: the last failing step of bringing the renderer up, in words (the step, the
// file, the code, and the shader compiler's message where there is one), for the one line that
// the program prints on stderr when start-up fails.
#pragma once

#include <windef.h>

extern char StartupFailureText[1024];

// Compilers that can check a printf-style format against its arguments are asked to.
#if defined(__GNUC__)
#define QV_PRINTF_FORMAT(formatIndex, firstArgument) __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define QV_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

// Replaces the text with the formatted description of a failed step and its code; the code is
// left out when the description already ends with one (a loader's own, which says more).
void NoteStartupFailure(HRESULT code, const char* format, ...) QV_PRINTF_FORMAT(2, 3);
void ClearStartupFailure();
