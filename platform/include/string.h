/* string.h: the C library's header plus the secure CRT's strcpy_s. Implemented in platform/crt. */
#include_next <string.h>

#ifndef QV_PLATFORM_STRING_H
#define QV_PLATFORM_STRING_H

#ifndef QV_ERRNO_T_DEFINED
#define QV_ERRNO_T_DEFINED
typedef int errno_t;
#endif

#ifndef QV_RSIZE_T_DEFINED
#define QV_RSIZE_T_DEFINED
typedef size_t rsize_t;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Copies src with its terminator into dest of room size. Returns 0, or EINVAL (null
   argument, size 0) or ERANGE (src does not fit; dest becomes empty). */
errno_t strcpy_s(char* dest, rsize_t size, const char* src);

#ifdef __cplusplus
}

/* The array form: the room is the array's size. */
template <size_t N>
inline errno_t strcpy_s(char (&dest)[N], const char* src)
{
    return strcpy_s(dest, N, src);
}
#endif

#endif
