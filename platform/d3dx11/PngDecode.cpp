// libpng behind a plain function: errors leave through longjmp from the library's error
// handler, so nothing with a destructor is created between setjmp and the library calls.
#include "PngDecode.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace platform {

namespace {

// The file in memory, handed to libpng piece by piece, and the row pointers for png_read_image.
struct Source {
    const uint8_t* bytes;
    size_t size;
    size_t at;
    std::vector<png_bytep> rows;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t count)
{
    Source* source = static_cast<Source*>(png_get_io_ptr(png));
    if (count > source->size - source->at) png_error(png, "the file ends early");
    std::memcpy(out, source->bytes + source->at, count);
    source->at += count;
}

uint32_t Be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The size from the header chunk, which must come first: an oversized image is told apart from
// a damaged one even when nothing but its header is there.
bool HeaderTooLarge(const uint8_t* bytes, size_t size, uint32_t maxSide)
{
    if (size < 24 || std::memcmp(bytes + 12, "IHDR", 4) != 0) return false;
    return Be32(bytes + 16) > maxSide || Be32(bytes + 20) > maxSide;
}

[[noreturn]] void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}
void Quiet(png_structp, png_const_charp) {}

// deflate expands data at most 1032 times, so a header that promises more pixels (at one bit
// each, the least any PNG stores) than the file could hold is damaged. Refusing it here keeps a
// small file from allocating the pixel memory its header claims.
constexpr uint64_t MaxDeflateRatio = 1032;

}  // namespace

PngResult DecodePngRgba8(const uint8_t* bytes, size_t size, uint32_t maxSide, uint32_t* width, uint32_t* height,
                         std::vector<uint8_t>* rgba)
{
    if (size < 8 || png_sig_cmp(bytes, 0, 8) != 0) return PngResult::NotPng;
    if (HeaderTooLarge(bytes, size, maxSide)) return PngResult::TooLarge;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, Quiet);
    if (!png) return PngResult::Invalid;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return PngResult::Invalid;
    }
    Source source = {bytes, size, 0, {}};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        rgba->clear();
        return PngResult::Invalid;
    }
    png_set_read_fn(png, &source, ReadFromMemory);
    png_set_user_limits(png, maxSide, maxSide);
    png_read_info(png, info);
    const uint32_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    if (uint64_t(w) * h / 8 > uint64_t(size) * MaxDeflateRatio) png_error(png, "more pixels than the file holds");

    png_set_expand(png);    // palette to RGB, grey below 8 bits to 8, a tRNS chunk to alpha
    png_set_strip_16(png);  // 16-bit samples: the high byte
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);  // only where the file has no alpha
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unexpected row layout");

    rgba->resize(size_t(w) * h * 4);
    source.rows.resize(h);
    for (uint32_t y = 0; y < h; ++y) source.rows[y] = rgba->data() + size_t(y) * w * 4;
    png_read_image(png, source.rows.data());
    png_read_end(png, nullptr);  // on to the closing chunk: a file cut short is damaged
    png_destroy_read_struct(&png, &info, nullptr);
    *width = w;
    *height = h;
    return PngResult::Ok;
}

}  // namespace platform
