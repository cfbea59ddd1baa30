// Output helpers shared by modelcheck's reports: floats as their bit patterns, names quoted so
// that any byte survives (the canonical dump), and names as written (the plain report).
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

// A name for people to read, in quotes: printable ASCII (space to '~') as written, so that a
// Windows path reads "..\misc\kuma.mtl"; every other byte as \xHH.
inline void PrintName(const char* s)
{
    putchar('"');
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p != 0; ++p) {
        if (*p >= 0x20 && *p <= 0x7e)
            putchar(*p);
        else
            printf("\\x%02x", *p);
    }
    putchar('"');
}
