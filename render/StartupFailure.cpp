// StartupFailure.cpp: keeps the description of the last failing start-up step.
#include "StartupFailure.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

char StartupFailureText[1024];

namespace {

// Whether the text ends with "(code 0x" and eight hex digits and ")", as a loader's own
// description of a failure does.
bool EndsWithCode(const char* text, size_t length)
{
    const char prefix[] = "(code 0x";
    const size_t prefixLength = sizeof prefix - 1, codeLength = prefixLength + 8 + 1;
    if (length < codeLength) return false;
    const char* code = text + length - codeLength;
    if (std::strncmp(code, prefix, prefixLength) != 0 || code[codeLength - 1] != ')') return false;
    for (size_t i = prefixLength; i < prefixLength + 8; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(code[i]))) return false;
    return true;
}

}  // namespace

void NoteStartupFailure(HRESULT code, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(StartupFailureText, sizeof StartupFailureText, format, args);
    va_end(args);
    if (length < 0) length = 0;
    if (static_cast<size_t>(length) >= sizeof StartupFailureText) return;
    // A loader's code (a texture's 0x887C0002, say) says more than the E_FAIL its step returns.
    if (EndsWithCode(StartupFailureText, static_cast<size_t>(length))) return;
    std::snprintf(StartupFailureText + length, sizeof StartupFailureText - length, " (code 0x%08X)",
                  static_cast<unsigned>(code));
}

void ClearStartupFailure()
{
    StartupFailureText[0] = '\0';
}
