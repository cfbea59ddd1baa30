// AllocationCounter.cpp: malloc, calloc, realloc and the aligned allocators replaced by thin
// wrappers over glibc's __libc_* entry points that count calls on the counting thread.
// Left out under AddressSanitizer, which must own malloc itself.
#include "AllocationCounter.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define QV_ALLOCATION_COUNTER 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
#define QV_ALLOCATION_COUNTER 0
#endif
#endif
#ifndef QV_ALLOCATION_COUNTER
#define QV_ALLOCATION_COUNTER 1
#endif

#if QV_ALLOCATION_COUNTER

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void* __libc_valloc(size_t size);
void* __libc_pvalloc(size_t size);
void __libc_free(void* pointer);
}

namespace {

// Initial-exec thread-locals of the executable itself: reading them never allocates.
thread_local bool CountingThisThread = false;
thread_local bool InsideCounterThisThread = false;
thread_local uint64_t AllocationsThisThread = 0;
thread_local uint64_t DriverAllocationsThisThread = 0;

constexpr int StackCount = 16, FramesPerStack = 12;
void* Stacks[StackCount][FramesPerStack];
int StackDepth[StackCount];

// Load addresses of the C and C++ libraries (their frames are passed over when charging an
// allocation), found once at Start.
const void* LibcBase = nullptr;
const void* LibstdcxxBase = nullptr;

const void* ObjectBase(const void* address, const char** name)
{
    Dl_info info;
    if (!dladdr(address, &info)) return nullptr;
    *name = info.dli_fname ? info.dli_fname : "";
    return info.dli_fbase;
}

// True when the first frame above malloc outside libc and libstdc++ lies in the GL driver:
// Mesa's DRI driver, its LLVM, or the GL/EGL dispatch libraries.
bool AskedByDriver(void* const* frames, int depth)
{
    for (int i = 2; i < depth; ++i) {  // 0 is Note, 1 the malloc wrapper
        const char* name = "";
        const void* base = ObjectBase(frames[i], &name);
        if (!base || base == LibcBase || base == LibstdcxxBase) continue;
        return std::strstr(name, "_dri.so") || std::strstr(name, "libgallium") || std::strstr(name, "libLLVM") ||
               std::strstr(name, "libGL") || std::strstr(name, "libEGL") || std::strstr(name, "libglapi");
    }
    return false;
}

__attribute__((noinline)) void Note()
{
    if (!CountingThisThread || InsideCounterThisThread) return;
    InsideCounterThisThread = true;  // backtrace and dladdr must not count themselves
    void* frames[FramesPerStack];
    const int depth = backtrace(frames, FramesPerStack);
    if (AskedByDriver(frames, depth)) {
        ++DriverAllocationsThisThread;
    } else {
        if (AllocationsThisThread < StackCount) {
            std::memcpy(Stacks[AllocationsThisThread], frames, sizeof frames);
            StackDepth[AllocationsThisThread] = depth;
        }
        ++AllocationsThisThread;
    }
    InsideCounterThisThread = false;
}

}  // namespace

extern "C" {

void* malloc(size_t size)
{
    Note();
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size)
{
    Note();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size)
{
    Note();
    return __libc_realloc(pointer, size);
}

void* memalign(size_t alignment, size_t size)
{
    Note();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size)
{
    Note();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size)
{
    Note();
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* pointer = __libc_memalign(alignment, size);
    if (!pointer && size) return ENOMEM;
    *out = pointer;
    return 0;
}

void* valloc(size_t size)
{
    Note();
    return __libc_valloc(size);
}

void* pvalloc(size_t size)
{
    Note();
    return __libc_pvalloc(size);
}

void free(void* pointer)
{
    __libc_free(pointer);
}

}  // extern "C"

namespace alloc_count {

bool Available()
{
    return true;
}

void Start()
{
    // Load the unwinder now rather than inside the first counted allocation.
    void* warm[2];
    backtrace(warm, 2);
    const char* name = "";
    LibcBase = ObjectBase(reinterpret_cast<const void*>(&__libc_malloc), &name);
    void* (*libraryNew)(size_t) = &::operator new;
    LibstdcxxBase = ObjectBase(reinterpret_cast<const void*>(libraryNew), &name);
    AllocationsThisThread = 0;
    DriverAllocationsThisThread = 0;
    CountingThisThread = true;
}

uint64_t Stop()
{
    CountingThisThread = false;
    return AllocationsThisThread;
}

uint64_t DriverAllocations()
{
    return DriverAllocationsThisThread;
}

void PrintFirstStacks()
{
    for (uint64_t i = 0; i < AllocationsThisThread && i < StackCount; ++i) {
        std::fprintf(stderr, "allocation %llu:\n", static_cast<unsigned long long>(i + 1));
        std::fflush(stderr);
        backtrace_symbols_fd(Stacks[i], StackDepth[i], STDERR_FILENO);
    }
}

}  // namespace alloc_count

#else  // sanitizer build

namespace alloc_count {

bool Available()
{
    return false;
}
void Start() {}
uint64_t Stop()
{
    return 0;
}
uint64_t DriverAllocations()
{
    return 0;
}
void PrintFirstStacks() {}

}  // namespace alloc_count

#endif
