// AllocationCounter.cpp: malloc, calloc, realloc and the aligned allocators replaced by thin
// wrappers over glibc's __libc_* entry points that count calls on the counting thread.
// Left out under AddressSanitizer, which must own malloc itself.
#include "AllocationCounter.h"

#include <execinfo.h>
#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstring>

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

constexpr int StackCount = 16, FramesPerStack = 24;
void* Stacks[StackCount][FramesPerStack];
int StackDepth[StackCount];

// Whose code an address is in. The GL driver is told apart by when it was loaded, not by its
// name: the test executable and every library it links are loaded before main, while OpenGL,
// EGL and Vulkan are reached through loaders that the layer's libraries (libepoxy, SDL) open at
// run time, and those loaders open the driver (Mesa's DRI driver, LLVM, a Vulkan driver beneath
// zink, and what they need). So every object that was not there at start-up is the driver's.
enum class Owner : uint8_t { Executable, StartupLibrary, Driver };

struct LoadedObject {
    uintptr_t begin = 0, end = 0;
    Owner owner = Owner::StartupLibrary;
    const char* name = "";
};

constexpr int MaxObjects = 1024;
// Load addresses of the objects there before main, recorded by RecordStartupObjects.
uintptr_t StartupObjects[MaxObjects];
int StartupObjectCount = 0;
// Every object's address range at Start, with its owner.
LoadedObject Objects[MaxObjects];
int ObjectCount = 0;

int NoteStartupObject(dl_phdr_info* info, size_t, void*)
{
    if (StartupObjectCount < MaxObjects) StartupObjects[StartupObjectCount++] = info->dlpi_addr;
    return 0;
}

// Runs before main, after the dynamic linker has loaded everything the executable links.
__attribute__((constructor)) void RecordStartupObjects()
{
    dl_iterate_phdr(NoteStartupObject, nullptr);
}

bool LoadedAtStartup(uintptr_t address)
{
    for (int i = 0; i < StartupObjectCount; ++i)
        if (StartupObjects[i] == address) return true;
    return false;
}

int NoteObject(dl_phdr_info* info, size_t, void*)
{
    if (ObjectCount >= MaxObjects) return 1;
    LoadedObject object;
    object.begin = UINTPTR_MAX;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD) continue;
        const uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
        if (begin < object.begin) object.begin = begin;
        if (begin + segment.p_memsz > object.end) object.end = begin + segment.p_memsz;
    }
    if (object.begin >= object.end) return 0;
    object.name = info->dlpi_name ? info->dlpi_name : "";
    // The executable comes first, with an empty name.
    if (ObjectCount == 0 && object.name[0] == 0)
        object.owner = Owner::Executable;
    else
        object.owner = LoadedAtStartup(info->dlpi_addr) ? Owner::StartupLibrary : Owner::Driver;
    Objects[ObjectCount++] = object;
    return 0;
}

const LoadedObject* ObjectAt(const void* address)
{
    const uintptr_t a = reinterpret_cast<uintptr_t>(address);
    for (int i = 0; i < ObjectCount; ++i)
        if (a >= Objects[i].begin && a < Objects[i].end) return &Objects[i];
    return nullptr;
}

// True when the allocation was asked for by the driver: walking out from malloc, a frame in the
// driver comes before any frame in the executable. Frames in the libraries linked at start-up
// (the C and C++ libraries, SDL, libepoxy, X11) are passed over, so that SDL allocating for the
// layer counts as the layer's and libxcb allocating for the driver as the driver's. A frame in
// no known object (code the driver generated) is passed over too; a stack that never reaches
// the executable or the driver is counted as the program's.
bool AskedByDriver(void* const* frames, int depth)
{
    for (int i = 2; i < depth; ++i) {  // 0 is Note, 1 the malloc wrapper
        const LoadedObject* object = ObjectAt(frames[i]);
        if (!object || object->owner == Owner::StartupLibrary) continue;
        return object->owner == Owner::Driver;
    }
    return false;
}

__attribute__((noinline)) void Note()
{
    if (!CountingThisThread || InsideCounterThisThread) return;
    InsideCounterThisThread = true;  // backtrace must not count itself
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
    // The objects loaded now (the driver is, once a device exists); code loaded later is passed over.
    ObjectCount = 0;
    dl_iterate_phdr(NoteObject, nullptr);
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

std::string DriverObjects()
{
    std::string names;
    for (int i = 0; i < ObjectCount; ++i) {
        if (Objects[i].owner != Owner::Driver) continue;
        const char* slash = std::strrchr(Objects[i].name, '/');
        names += names.empty() ? "" : " ";
        names += slash ? slash + 1 : Objects[i].name;
    }
    return names;
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
std::string DriverObjects()
{
    return "";
}
void PrintFirstStacks() {}

}  // namespace alloc_count

#endif
