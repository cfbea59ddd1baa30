// Number and word scanning for the OBJ reader: "%f" and "%i" fields read exactly as the
// C library's formatted scanning reads them, without its per-call cost.
#pragma once

// The C locale's white space: blank, \t, \n, \v, \f, \r.
inline bool IsScanSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Reads one "%f" field from [text, end): leading white space, then the longest prefix that
// formatted scanning takes (decimal, hexadecimal, inf, infinity, nan, with the quirks: "1e"
// is 1, "0x" alone fails), converted with correct rounding. Returns the position after the
// field and writes *value, or returns nullptr (and leaves *value alone) when no number is read.
const char* ScanFloatField(const char* text, const char* end, float* value);

// Reads one "%i" field from [text, end): optional sign, 0x/0X hexadecimal, leading 0 octal,
// else decimal; a value outside long is clamped as strtol does, then cut to int.
// Returns the position after the field, or nullptr (leaving *value alone) when none is read.
const char* ScanIntField(const char* text, const char* end, int* value);
