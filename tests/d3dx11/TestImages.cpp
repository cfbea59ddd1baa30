// In-memory BMP and TGA writers (written here, byte by byte, so that their row order is known
// independently of stb), PNG/JPEG through stb_image_write, and JPEGs in the codings stb cannot
// write through libjpeg-turbo.
#include "TestImages.h"

#include <cstdio>  // jpeglib.h needs FILE
#include <cstdlib>

#include <jpeglib.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

const std::vector<uint8_t> Picture3x2 = {
    255, 0,   0,   255, 0, 255, 0, 255, 0,  0,  255, 255,  // top row: red, green, blue
    255, 255, 255, 255, 0, 0,   0, 255, 10, 20, 30,  40,   // bottom row: white, black, dark
};

namespace {

void Put16(std::vector<uint8_t>* out, uint32_t v)
{
    out->push_back(uint8_t(v));
    out->push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>* out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void PutBig32(std::vector<uint8_t>* out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(uint8_t(v >> shift));
}

void Append(void* context, void* data, int size)
{
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

}  // namespace

std::vector<uint8_t> MakeBmp24(int width, int height, const std::vector<uint8_t>& rgba, bool topDown)
{
    const uint32_t rowBytes = (uint32_t(width) * 3 + 3) & ~3u;
    std::vector<uint8_t> out = {'B', 'M'};
    Put32(&out, 54 + rowBytes * uint32_t(height));
    Put32(&out, 0);
    Put32(&out, 54);  // pixel data offset
    Put32(&out, 40);  // BITMAPINFOHEADER
    Put32(&out, uint32_t(width));
    Put32(&out, uint32_t(topDown ? -height : height));
    Put16(&out, 1);
    Put16(&out, 24);
    for (int i = 0; i < 6; ++i) Put32(&out, 0);  // no compression, sizes, resolution, palette
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
        for (uint32_t pad = uint32_t(width) * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    return out;
}

std::vector<uint8_t> MakeTga32(int width, int height, const std::vector<uint8_t>& rgba, bool topLeftOrigin)
{
    std::vector<uint8_t> out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // uncompressed true colour
    Put16(&out, uint32_t(width));
    Put16(&out, uint32_t(height));
    out.push_back(32);
    out.push_back(uint8_t(8 | (topLeftOrigin ? 0x20 : 0)));  // 8 alpha bits, origin
    for (int row = 0; row < height; ++row) {
        const int y = topLeftOrigin ? row : height - 1 - row;
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    return out;
}

std::vector<uint8_t> MakeTgaRunLength(int width, int height, const std::vector<uint8_t>& rgba)
{
    std::vector<uint8_t> out;
    stbi_write_tga_with_rle = 1;
    stbi_write_tga_to_func(Append, &out, width, height, 4, rgba.data());
    return out;
}

std::vector<uint8_t> MakePng(int width, int height, const std::vector<uint8_t>& rgba)
{
    return MakePngOfChannels(width, height, 4, rgba);
}

std::vector<uint8_t> MakePngOfChannels(int width, int height, int channels, const std::vector<uint8_t>& pixels)
{
    std::vector<uint8_t> out;
    stbi_write_png_to_func(Append, &out, width, height, channels, pixels.data(), width * channels);
    return out;
}

std::vector<uint8_t> MakeJpeg(int width, int height, const std::vector<uint8_t>& rgba)
{
    std::vector<uint8_t> out;
    stbi_write_jpg_to_func(Append, &out, width, height, 4, rgba.data(), 95);
    return out;
}

std::vector<uint8_t> MakeGreyJpeg(int width, int height, uint8_t grey, JpegCoding coding)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);  // a failure here prints the library's message and exits
    jpeg_create_compress(&info);
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &bytes, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    info.optimize_coding = TRUE;
    jpeg_scan_info dcOnly = {1, {0}, 0, 0, 0, 0};
    if (coding == JpegCoding::ProgressiveDcOnly) {
        info.scan_info = &dcOnly;
        info.num_scans = 1;
    }
    if (coding == JpegCoding::Arithmetic) {
        info.arith_code = TRUE;
        info.optimize_coding = FALSE;  // Huffman tables only; the library refuses both together
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(width), grey);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows = row.data();
        jpeg_write_scanlines(&info, &rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> out(bytes, bytes + size);
    std::free(bytes);
    return out;
}

std::vector<uint8_t> MakePngHeaderOnly(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutBig32(&out, 13);
    out.insert(out.end(), {'I', 'H', 'D', 'R'});
    PutBig32(&out, width);
    PutBig32(&out, height);
    out.insert(out.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, deflate, no filter, no interlace
    PutBig32(&out, 0);                       // CRC (stb_image does not check it)
    return out;
}
