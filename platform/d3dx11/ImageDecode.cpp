// Image decoding (libjpeg-turbo for JPEG, libpng for PNG, stb_image for BMP and TGA) and
// mip-chain generation on the CPU.
#include "ImageDecode.h"

#include "JpegDecode.h"
#include "PngDecode.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <vector>

#include <stb/stb_image.h>

namespace platform {

ImageLevel BoxFilterLevel(const ImageLevel& src)
{
    ImageLevel dst;
    dst.width = std::max(1u, src.width / 2);
    dst.height = std::max(1u, src.height / 2);
    dst.rgba.resize(size_t(dst.width) * dst.height * 4);
    for (uint32_t y = 0; y < dst.height; ++y) {
        const uint32_t y0 = std::min(2 * y, src.height - 1), y1 = std::min(2 * y + 1, src.height - 1);
        for (uint32_t x = 0; x < dst.width; ++x) {
            const uint32_t x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
            const uint8_t* a = &src.rgba[(size_t(y0) * src.width + x0) * 4];
            const uint8_t* b = &src.rgba[(size_t(y0) * src.width + x1) * 4];
            const uint8_t* c = &src.rgba[(size_t(y1) * src.width + x0) * 4];
            const uint8_t* d = &src.rgba[(size_t(y1) * src.width + x1) * 4];
            uint8_t* out = &dst.rgba[(size_t(y) * dst.width + x) * 4];
            for (int k = 0; k < 4; ++k) out[k] = uint8_t((a[k] + b[k] + c[k] + d[k] + 2) / 4);
        }
    }
    return dst;
}

namespace {

uint32_t Le16(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Le32(const uint8_t* p)
{
    return Le16(p) | Le16(p + 2) << 16;
}

// stb_image reads zeros past the end of its input, so a cut-off BMP or TGA would load as an
// image with a black (or transparent) tail. These checks measure the pixel data the header
// promises against the bytes present; they follow the layout as stb reads it. They run after the
// size limit has been checked, so the products below stay far from overflowing.
bool BmpPixelDataComplete(const uint8_t* p, size_t n)
{
    // The whole header the file declares must be there: with its end cut off after the bit
    // count, 31 bytes could promise a picture of millions of black pixels.
    if (n < 18) return false;
    const uint32_t offset = Le32(p + 10), headerSize = Le32(p + 14);
    if (n < 14 + uint64_t(headerSize)) return false;
    int64_t width, height;
    uint32_t bits, compression = 0;
    if (headerSize == 12) {
        width = Le16(p + 18);
        height = Le16(p + 20);
        bits = Le16(p + 24);
    } else {
        if (headerSize < 40) return true;  // no such header: stb refuses it
        width = int32_t(Le32(p + 18));
        height = int32_t(Le32(p + 22));
        bits = Le16(p + 28);
        compression = Le32(p + 30);
    }
    // stb_image allocates the picture before it refuses a bit count it cannot read (0, say).
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    // Only uncompressed rows (BI_RGB) and bit fields (BI_BITFIELDS). stb refuses run-length,
    // JPEG and PNG data, but reads the field as a signed number: from 0x80000000 up, undefined
    // values, it would decode as plain rows the file does not have.
    if (compression != 0 && compression != 3) return false;
    const uint64_t rowBytes = (uint64_t(std::llabs(width)) * bits + 31) / 32 * 4;
    return uint64_t(n) >= offset + rowBytes * uint64_t(std::llabs(height));
}

bool TgaPixelDataComplete(const uint8_t* p, size_t n)
{
    // stb accepts a header cut short, reading zeros for its missing bytes: 17 bytes could
    // promise a picture of millions of black pixels.
    if (n < 18) return false;
    const bool indexed = p[1] != 0, runLength = p[2] >= 8;
    const uint64_t paletteBytes = indexed ? Le16(p + 3) + uint64_t(Le16(p + 5)) * ((p[7] + 7u) / 8) : 0;
    const uint64_t pixels = uint64_t(Le16(p + 12)) * Le16(p + 14), pixelBytes = (p[16] + 7u) / 8;
    uint64_t at = 18 + p[0] + paletteBytes;
    if (!runLength) return n >= at + pixels * pixelBytes;
    for (uint64_t done = 0; done < pixels;) {  // packets: a count byte, then one pixel or `count` pixels
        if (at >= n) return false;
        const uint8_t head = p[at++];
        const uint64_t count = (head & 0x7Fu) + 1;
        at += (head & 0x80) ? pixelBytes : count * pixelBytes;
        done += count;
    }
    return at <= n;
}

ImageResult WithMipChain(ImageLevel top, std::vector<ImageLevel>* levels)
{
    levels->push_back(std::move(top));
    while (levels->back().width > 1 || levels->back().height > 1) levels->push_back(BoxFilterLevel(levels->back()));
    return ImageResult::Ok;
}

bool PixelDataComplete(const uint8_t* p, size_t n)
{
    if (n >= 2 && p[0] == 'B' && p[1] == 'M') return BmpPixelDataComplete(p, n);
    return TgaPixelDataComplete(p, n);  // the only other format enabled
}

}  // namespace

ImageResult DecodeImageRgba8WithMips(const uint8_t* bytes, size_t size, uint32_t maxSide,
                                     std::vector<ImageLevel>* levels)
{
    levels->clear();
    if (!bytes || size == 0 || size > size_t(INT_MAX)) return ImageResult::InvalidData;
    ImageLevel top;
    switch (DecodeJpegRgba8(bytes, size, maxSide, &top.width, &top.height, &top.rgba)) {
    case JpegResult::Ok: return WithMipChain(std::move(top), levels);
    case JpegResult::Invalid: return ImageResult::InvalidData;
    case JpegResult::TooLarge: return ImageResult::TooLarge;
    case JpegResult::NotJpeg: break;
    }
    switch (DecodePngRgba8(bytes, size, maxSide, &top.width, &top.height, &top.rgba)) {
    case PngResult::Ok: return WithMipChain(std::move(top), levels);
    case PngResult::Invalid: return ImageResult::InvalidData;
    case PngResult::TooLarge: return ImageResult::TooLarge;
    case PngResult::NotPng: break;
    }
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes, int(size), &width, &height, &channels)) return ImageResult::InvalidData;
    // stb_image reports the height of a top-down BMP as negative here (and decodes it right).
    const int64_t infoWidth = std::llabs(int64_t(width)), infoHeight = std::llabs(int64_t(height));
    if (infoWidth == 0 || infoHeight == 0) return ImageResult::InvalidData;
    if (infoWidth > maxSide || infoHeight > maxSide) return ImageResult::TooLarge;
    if (!PixelDataComplete(bytes, size)) return ImageResult::InvalidData;
    stbi_uc* pixels = stbi_load_from_memory(bytes, int(size), &width, &height, &channels, 4);
    if (!pixels) return ImageResult::InvalidData;
    if (width <= 0 || height <= 0 || uint32_t(width) > maxSide || uint32_t(height) > maxSide) {
        stbi_image_free(pixels);
        return ImageResult::InvalidData;  // the header said otherwise
    }
    top.width = uint32_t(width);
    top.height = uint32_t(height);
    top.rgba.assign(pixels, pixels + size_t(width) * size_t(height) * 4);
    stbi_image_free(pixels);
    return WithMipChain(std::move(top), levels);
}

ImageResult LoadImageRgba8WithMips(const std::string& path, std::vector<ImageLevel>* levels)
{
    levels->clear();
    std::string unixPath = path;
    std::replace(unixPath.begin(), unixPath.end(), '\\', '/');
    std::FILE* f = std::fopen(unixPath.c_str(), "rb");
    if (!f) return ImageResult::FileNotFound;
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t n;
    bool tooBig = false;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        if (bytes.size() + n > size_t(INT_MAX)) {
            tooBig = true;  // stb_image reads at most INT_MAX bytes
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) return ImageResult::FileNotFound;  // e.g. a directory
    if (tooBig) return ImageResult::TooLarge;
    return DecodeImageRgba8WithMips(bytes.data(), bytes.size(), MaxImageSide, levels);
}

}  // namespace platform
