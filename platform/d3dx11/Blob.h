// ID3D10Blob over a heap buffer: compiled shaders and compiler messages.
#pragma once

#include <cstddef>

#include "d3dcommon.h"

namespace platform {

// A new blob holding a copy of `size` bytes, with one reference; null when memory runs out.
ID3D10Blob* CreateBlob(const void* data, size_t size);

// A blob holding `text` and a terminating zero (GetBufferSize counts the zero).
ID3D10Blob* CreateTextBlob(const char* text);

}  // namespace platform
