/* stdio.h: the C library's header plus the secure CRT file and scan functions that the
   program calls as a Windows program would (fopen_s, sscanf_s). Implemented in platform/crt. */
#include_next <stdio.h>

#ifndef QV_PLATFORM_STDIO_H
#define QV_PLATFORM_STDIO_H

#ifndef QV_ERRNO_T_DEFINED
#define QV_ERRNO_T_DEFINED
typedef int errno_t;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens a file; backslashes in the path are taken as '/'. Returns 0 and sets *file on
   success, an errno value and *file = NULL on failure. */
errno_t fopen_s(FILE** file, const char* fileName, const char* mode);

/* sscanf with a buffer size after the pointer of every %s, %c and %[ field, as the secure
   CRT takes it. A string field never writes past its buffer: it keeps at most size - 1
   characters (a longer word is cut there) and the terminator. A size too small for any
   character ends the scan at that field. */
int sscanf_s(const char* buffer, const char* format, ...);

#ifdef __cplusplus
}
#endif

#endif
