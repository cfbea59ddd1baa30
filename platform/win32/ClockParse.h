// Parsing of the QV_TEST_TIME_MS value: a plain decimal number of milliseconds, 0..4294967295.
#pragma once

#include <cstdint>

namespace win32 {

// False (and *ms untouched) for an empty value, any non-digit, or a value over 32 bits.
bool ParseTestTimeMs(const char* text, uint32_t* ms);

}  // namespace win32
