// AllocationCounter.h: counts heap allocations made on the thread that opened a window of
// counting. The test binary replaces malloc and its relatives (forwarding to glibc's own
// allocator); the C++ library's operator new allocates through malloc, so every allocation on
// that thread passes here. Allocations asked for by the OpenGL driver itself (Mesa's drivers
// allocate inside their draw calls) are counted apart from everything else: the program, the
// layer, SDL and the other libraries the layer calls. The driver is whatever the process loaded
// after it started: the GL, EGL and Vulkan loaders and everything they opened, whichever driver
// that is (see AllocationCounter.cpp).
#pragma once

#include <cstdint>
#include <string>

namespace alloc_count {

// False where the replacement is not compiled in (sanitizer builds replace malloc themselves).
bool Available();

// Starts counting allocations of the calling thread from zero.
void Start();
// Stops counting; returns how many allocations the thread made since Start outside the driver.
uint64_t Stop();
// How many allocations of the last window the GL driver made inside its own calls.
uint64_t DriverAllocations();

// The file names of the objects the last Start took for the driver's, separated by spaces.
std::string DriverObjects();

// Writes the call stacks of the first allocations counted outside the driver (at most 16) to
// stderr, so that a failing check shows where they come from.
void PrintFirstStacks();

}  // namespace alloc_count
