// The secure CRT functions the readers call (fopen_s, sscanf_s, strcpy_s), over the C library.
#include <stdio.h>
#include <string.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <string>

extern "C" errno_t fopen_s(FILE** file, const char* fileName, const char* mode)
{
    if (file == nullptr) return EINVAL;
    *file = nullptr;
    if (fileName == nullptr || mode == nullptr) return EINVAL;

    // Windows paths such as "..\misc\kuma.obj" name the same file with '/' here.
    std::string path(fileName);
    for (char& c : path)
        if (c == '\\') c = '/';
    // Text and binary mode are the same on Linux; drop the Windows-only 't'.
    std::string openMode;
    for (const char* m = mode; *m != '\0'; ++m)
        if (*m != 't') openMode += *m;

    FILE* opened = fopen(path.c_str(), openMode.c_str());
    if (opened == nullptr) return errno != 0 ? errno : ENOENT;
    *file = opened;
    return 0;
}

extern "C" errno_t strcpy_s(char* dest, rsize_t size, const char* src)
{
    if (dest == nullptr || size == 0) return EINVAL;
    if (src == nullptr) {
        dest[0] = '\0';
        return EINVAL;
    }
    size_t length = strlen(src);
    if (length >= size) {
        dest[0] = '\0';
        return ERANGE;
    }
    memcpy(dest, src, length + 1);
    return 0;
}

namespace {

constexpr int MaxFields = 32;

bool IsLengthModifier(char c)
{
    return c == 'h' || c == 'l' || c == 'L' || c == 'q' || c == 'j' || c == 'z' || c == 't';
}

}  // namespace

// Rewrites the format so that every string field carries a width that fits its buffer,
// collects the field pointers (skipping the sizes) and hands both to sscanf.
extern "C" int sscanf_s(const char* buffer, const char* format, ...)
{
    if (buffer == nullptr || format == nullptr) {
        errno = EINVAL;
        return EOF;
    }

    void* fields[MaxFields] = {};
    int fieldCount = 0;
    std::string rewritten;
    rewritten.reserve(strlen(format) + 16);

    va_list args;
    va_start(args, format);
    const char* f = format;
    while (*f != '\0') {
        if (*f != '%') {
            rewritten += *f++;
            continue;
        }
        const char* start = f++;
        if (*f == '%') {
            rewritten += "%%";
            ++f;
            continue;
        }
        bool suppress = false;
        if (*f == '*') {
            suppress = true;
            ++f;
        }
        bool hasWidth = false;
        unsigned long width = 0;
        while (isdigit(static_cast<unsigned char>(*f))) {
            hasWidth = true;
            if (width < 100000000UL) width = width * 10 + static_cast<unsigned long>(*f - '0');
            ++f;
        }
        const char* lengthStart = f;
        while (IsLengthModifier(*f)) ++f;
        std::string length(lengthStart, f);
        const char* conversionAt = f;
        char conversion = *f;
        if (conversion == '\0') {  // a format that ends inside a field: sscanf rejects it
            rewritten.append(start, f);
            break;
        }
        ++f;
        if (conversion == '[') {  // the scan set runs to the first ']' after an initial "]" or "^]"
            const char* s = f;
            if (*s == '^') ++s;
            if (*s == ']') ++s;
            while (*s != '\0' && *s != ']') ++s;
            if (*s == ']') ++s;
            f = s;
        }
        if (suppress) {
            rewritten.append(start, f);
            continue;
        }
        if (fieldCount == MaxFields) {
            va_end(args);
            errno = EINVAL;
            return EOF;
        }
        void* pointer = va_arg(args, void*);
        if (conversion != 's' && conversion != 'c' && conversion != '[') {
            fields[fieldCount++] = pointer;
            rewritten.append(start, f);
            continue;
        }
        unsigned size = va_arg(args, unsigned);
        unsigned long room = conversion == 'c' ? size : (size > 0 ? size - 1 : 0);
        unsigned long wanted = hasWidth ? width : (conversion == 'c' ? 1 : ULONG_MAX);
        if (room == 0 || (conversion == 'c' && wanted > room))
            break;  // the buffer cannot take this field: the scan ends before it
        if (wanted > room) wanted = room;
        fields[fieldCount++] = pointer;
        rewritten += '%';
        rewritten += std::to_string(wanted);
        rewritten += length;
        rewritten.append(conversionAt, f);  // the conversion letter, and a scan set with it
    }
    va_end(args);

    // Arguments beyond the format's fields are evaluated and ignored by sscanf.
    void** a = fields;
    return sscanf(buffer, rewritten.c_str(), a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11],
                  a[12], a[13], a[14], a[15], a[16], a[17], a[18], a[19], a[20], a[21], a[22], a[23], a[24], a[25],
                  a[26], a[27], a[28], a[29], a[30], a[31]);
}
