// PNG decoding with libpng, used instead of stb_image's PNG decoder, which misreads damaged
// files (an empty first data chunk copied from a null buffer, chunk lengths trusted before the
// bytes are there).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

enum class PngResult { Ok, NotPng, Invalid, TooLarge };

// Decodes a PNG of any colour type and bit depth into tightly packed RGBA8 rows, top row first:
// palettes and grey are expanded, 16-bit samples keep their high byte, a missing alpha is 255,
// and no gamma correction is applied. The size is checked against maxSide from the header,
// before any pixel is decoded. A damaged or cut-off file (its closing chunk included) is Invalid.
PngResult DecodePngRgba8(const uint8_t* bytes, size_t size, uint32_t maxSide, uint32_t* width, uint32_t* height,
                         std::vector<uint8_t>* rgba);

}  // namespace platform
