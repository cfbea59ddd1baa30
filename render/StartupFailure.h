// StartupFailure.h: the last failing step of bringing the renderer up, in words (the step, the
// file, the code, and the shader compiler's message where there is one), for the one line that
// the program prints on stderr when start-up fails.
#pragma once

#include <windef.h>

extern char StartupFailureText[1024];

// Replaces the text with the formatted description of a failed step and its code.
void NoteStartupFailure(HRESULT code, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ClearStartupFailure();
