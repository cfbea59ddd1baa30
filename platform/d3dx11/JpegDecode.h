// JPEG decoding with libjpeg-turbo, used instead of stb_image's JPEG decoder, whose bit reader
// misbehaves on damaged data (shifts by 32 and more, found by fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

enum class JpegResult { Ok, NotJpeg, Invalid, TooLarge };

// Decodes a JPEG into tightly packed RGBA8 rows, top row first. The size is checked against
// maxSide from the header, before any pixel is decoded; so is whether the file's bytes can hold
// the blocks its first scan must code (Invalid when not), and arithmetic-coded files, which no
// byte count bounds, are Invalid. Anything the library only warns about (a cut-off file,
// damaged data) counts as Invalid.
JpegResult DecodeJpegRgba8(const uint8_t* bytes, size_t size, uint32_t maxSide, uint32_t* width, uint32_t* height,
                           std::vector<uint8_t>* rgba);

}  // namespace platform
