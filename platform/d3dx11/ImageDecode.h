// Image file to RGBA8 pixels with a full, box-filtered mip chain, without any device: the
// decoding half of D3DX11CreateShaderResourceViewFromFileA, kept apart so it can be tested and
// fuzzed on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr uint32_t MaxImageSide = 16384;  // the largest Direct3D 11 2-D texture side

// One mip level: tightly packed rows of RGBA8 texels, the first row is the top of the image.
struct ImageLevel {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;
};

enum class ImageResult {
    Ok,
    FileNotFound,  // the file cannot be opened or read
    InvalidData,   // not a BMP, PNG, JPEG or TGA image, or a damaged one
    TooLarge,      // wider or taller than the allowed side
};

// Decodes BMP, PNG, JPEG or TGA bytes. The dimensions are checked against maxSide before the
// pixels are decoded. On success *levels holds level 0 (full size) down to 1 x 1.
ImageResult DecodeImageRgba8WithMips(const uint8_t* bytes, size_t size, uint32_t maxSide,
                                     std::vector<ImageLevel>* levels);

// Reads the file (Windows separators accepted) and decodes it with MaxImageSide.
ImageResult LoadImageRgba8WithMips(const std::string& path, std::vector<ImageLevel>* levels);

// The next level down: half the size (at least 1), each texel the rounded mean of the 2 x 2
// block above it. A side of 1 repeats its texel; the last column or row of an odd side is left
// out, as with any plain 2 x 2 box filter.
ImageLevel BoxFilterLevel(const ImageLevel& level);

}  // namespace platform
