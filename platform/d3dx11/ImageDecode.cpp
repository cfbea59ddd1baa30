// Image decoding with stb_image and mip-chain generation on the CPU.
#include "ImageDecode.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>

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

ImageResult DecodeImageRgba8WithMips(const uint8_t* bytes, size_t size, uint32_t maxSide,
                                     std::vector<ImageLevel>* levels)
{
    levels->clear();
    if (!bytes || size == 0 || size > size_t(INT_MAX)) return ImageResult::InvalidData;
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes, int(size), &width, &height, &channels)) return ImageResult::InvalidData;
    // stb_image reports the height of a top-down BMP as negative here (and decodes it right).
    const int64_t infoWidth = std::llabs(int64_t(width)), infoHeight = std::llabs(int64_t(height));
    if (infoWidth == 0 || infoHeight == 0) return ImageResult::InvalidData;
    if (infoWidth > maxSide || infoHeight > maxSide) return ImageResult::TooLarge;
    stbi_uc* pixels = stbi_load_from_memory(bytes, int(size), &width, &height, &channels, 4);
    if (!pixels) return ImageResult::InvalidData;
    if (width <= 0 || height <= 0 || uint32_t(width) > maxSide || uint32_t(height) > maxSide) {
        stbi_image_free(pixels);
        return ImageResult::InvalidData;  // the header said otherwise
    }
    ImageLevel top;
    top.width = uint32_t(width);
    top.height = uint32_t(height);
    top.rgba.assign(pixels, pixels + size_t(width) * size_t(height) * 4);
    stbi_image_free(pixels);
    levels->push_back(std::move(top));
    while (levels->back().width > 1 || levels->back().height > 1) levels->push_back(BoxFilterLevel(levels->back()));
    return ImageResult::Ok;
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
    return DecodeImageRgba8WithMips(bytes.data(), bytes.size(), kMaxImageSide, levels);
}

}  // namespace platform
