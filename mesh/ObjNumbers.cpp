// "%f" and "%i" fields read character for character as the C library's scanf reads them:
// the same characters are taken, and the value is what strtof/strtol give for them. Plain
// decimals with a short mantissa are converted directly (one correctly rounded float
// operation); everything else goes through strtof on exactly the characters taken.
#include "ObjNumbers.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

// True when [text, end) continues with the letters of word (ASCII case ignored).
bool MatchesWord(const char* text, const char* end, const char* word)
{
    for (; *word != '\0'; ++word, ++text)
        if (text == end || (*text | 0x20) != *word) return false;
    return true;
}

// Exact powers of ten: every one up to 10^10 is a float without rounding.
constexpr float PowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr uint32_t ExactMantissaLimit = 1u << 24;

// strtof over exactly the characters [begin, end), as scanf hands them over.
const char* ConvertWithStrtof(const char* begin, const char* end, float* value)
{
    char buffer[1024];
    size_t length = static_cast<size_t>(end - begin);
    if (length >= sizeof buffer) length = sizeof buffer - 1;  // lines are at most 1023 characters; never reached
    memcpy(buffer, begin, length);
    buffer[length] = '\0';
    char* tail = nullptr;
    float result = strtof(buffer, &tail);
    if (tail == buffer) return nullptr;
    *value = result;
    return end;
}

}  // namespace

const char* ScanFloatField(const char* text, const char* end, float* value)
{
    const char* p = text;
    while (p != end && IsScanSpace(*p)) ++p;
    if (p == end) return nullptr;
    const char* start = p;
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        if (++p == end) return nullptr;
    }
    const char* digitsStart = p;

    // Fast path for the common spelling: up to nine digits with one optional point, followed
    // by anything that cannot continue a number. Anything else takes the full rules below.
    {
        const char* q = p;
        uint32_t digits = 0, count = 0, fraction = 0;
        while (q != end && IsDigit(*q) && count < 9) digits = digits * 10 + static_cast<uint32_t>(*q++ - '0'), ++count;
        if (q != end && *q == '.') {
            ++q;
            while (q != end && IsDigit(*q) && count < 9)
                digits = digits * 10 + static_cast<uint32_t>(*q++ - '0'), ++count, ++fraction;
        }
        if (count > 0 && digits <= ExactMantissaLimit &&
            (q == end || (!IsDigit(*q) && *q != '.' && (*q | 0x20) != 'e' && (*q | 0x20) != 'x'))) {
            float magnitude = static_cast<float>(digits) / PowersOfTen[fraction];
            *value = negative ? -magnitude : magnitude;
            return q;
        }
    }

    if ((*p | 0x20) == 'n') {  // "nan", nothing more
        if (!MatchesWord(p, end, "nan")) return nullptr;
        return ConvertWithStrtof(start, p + 3, value);
    }
    if ((*p | 0x20) == 'i') {  // "inf", or "infinity" once an 'i' follows
        if (!MatchesWord(p, end, "inf")) return nullptr;
        p += 3;
        if (p != end && (*p | 0x20) == 'i') {
            if (!MatchesWord(p, end, "inity")) return nullptr;
            p += 5;
        }
        return ConvertWithStrtof(start, p, value);
    }

    bool hex = false, gotDigit = false, gotDot = false, gotExponent = false;
    char exponentChar = 'e';
    if (*p == '0') {
        ++p;
        if (p != end && (*p | 0x20) == 'x') {
            hex = true;
            exponentChar = 'p';
            ++p;
        } else {
            gotDigit = true;
        }
    }

    // The mantissa of a plain decimal, kept while it stays exact in a float.
    uint32_t mantissa = 0;
    int fractionDigits = 0;
    bool exact = !hex;
    for (; p != end; ++p) {
        char c = *p;
        if (IsDigit(c)) {
            gotDigit = true;
            if (exact && !gotExponent) {
                mantissa = mantissa * 10 + static_cast<uint32_t>(c - '0');
                fractionDigits += gotDot;
                if (mantissa > ExactMantissaLimit) exact = false;
            }
        } else if (!gotExponent && hex && IsHexDigit(c)) {
            gotDigit = true;
        } else if (gotExponent && (p[-1] | 0x20) == exponentChar && (c == '-' || c == '+')) {
            // the exponent's sign
        } else if (gotDigit && !gotExponent && (c | 0x20) == exponentChar) {
            gotExponent = gotDot = true;
            exact = false;
        } else if (!gotDot && c == '.') {
            gotDot = true;
        } else {
            break;
        }
    }

    if (p == digitsStart || (hex && p == digitsStart + 2)) return nullptr;  // only a sign, or "0x" without digits
    if (!hex && !gotDigit) return nullptr;                                  // "." or a sign and "."
    if (exact && fractionDigits <= 10) {
        float magnitude = static_cast<float>(mantissa) / PowersOfTen[fractionDigits];
        *value = negative ? -magnitude : magnitude;
        return p;
    }
    return ConvertWithStrtof(start, p, value);
}

const char* ScanIntField(const char* text, const char* end, int* value)
{
    const char* p = text;
    while (p != end && IsScanSpace(*p)) ++p;
    if (p == end) return nullptr;
    bool negative = false;
    bool gotSign = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        gotSign = true;
        ++p;
    }
    int base = 10;
    bool gotDigit = false;
    if (p != end && *p == '0') {
        gotDigit = true;  // the 0 itself is a digit of the number
        ++p;
        if (p != end && (*p | 0x20) == 'x') {
            base = 16;
            ++p;  // the x is taken but is not part of the number
        } else {
            base = 8;
        }
    }

    // Magnitude as strtol accumulates it in an unsigned long, noting overflow.
    uint64_t magnitude = 0;
    bool overflow = false;
    for (; p != end; ++p) {
        char c = *p;
        unsigned digit;
        if (IsDigit(c))
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && IsHexDigit(c))
            digit = static_cast<unsigned>((c | 0x20) - 'a' + 10);
        else
            break;
        if (digit >= static_cast<unsigned>(base)) break;
        gotDigit = true;
        if (magnitude > (UINT64_MAX - digit) / static_cast<unsigned>(base))
            overflow = true;
        else
            magnitude = magnitude * static_cast<unsigned>(base) + digit;
    }
    (void)gotSign;
    if (!gotDigit) return nullptr;

    long result;
    if (overflow)
        result = negative ? LONG_MIN : LONG_MAX;
    else if (negative)
        result = magnitude > static_cast<uint64_t>(LONG_MAX) + 1 ? LONG_MIN : static_cast<long>(0 - magnitude);
    else
        result = magnitude > static_cast<uint64_t>(LONG_MAX) ? LONG_MAX : static_cast<long>(magnitude);
    *value = static_cast<int>(result);  // scanf stores strtol's long into an int: the low 32 bits
    return p;
}
