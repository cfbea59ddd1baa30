// Output helpers shared by modelcheck's reports: floats as their bit patterns and names quoted
// so that any byte survives.
#pragma once

#include <stdio.h>
#include <string.h>

#include <cstdint>

inline uint32_t Bits(float f)
{
    uint32_t b;
    memcpy(&b, &f, sizeof b);
    return b;
}

// A quoted string (names may hold any byte): printable ASCII as itself except '"' and '\', every other byte as \xHH.
inline void PrintQuoted(const char* s)
{
    putchar('"');
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p != 0; ++p) {
        if (*p >= 0x21 && *p <= 0x7e && *p != '"' && *p != '\\')
            putchar(*p);
        else
            printf("\\x%02x", *p);
    }
    putchar('"');
}
