// Image files built in memory for the loader tests, with pixels known to the test.
#pragma once

#include <cstdint>
#include <vector>

// rgba: width * height texels, 4 bytes each, first row = top of the picture.
std::vector<uint8_t> MakeBmp24(int width, int height, const std::vector<uint8_t>& rgba, bool topDown);
std::vector<uint8_t> MakeTga32(int width, int height, const std::vector<uint8_t>& rgba, bool topLeftOrigin);
std::vector<uint8_t> MakeTgaRunLength(int width, int height, const std::vector<uint8_t>& rgba);
std::vector<uint8_t> MakePng(int width, int height, const std::vector<uint8_t>& rgba);
// 1 = grey, 2 = grey and alpha, 3 = RGB, 4 = RGBA samples per pixel, 8 bits each.
std::vector<uint8_t> MakePngOfChannels(int width, int height, int channels, const std::vector<uint8_t>& pixels);
std::vector<uint8_t> MakeJpeg(int width, int height, const std::vector<uint8_t>& rgba);

// A uniform grey JPEG from libjpeg-turbo with optimised Huffman tables: baseline; progressive
// with nothing but its DC scan (every AC coefficient left zero, which the format allows); or
// arithmetic-coded.
enum class JpegCoding { Baseline, ProgressiveDcOnly, Arithmetic };
std::vector<uint8_t> MakeGreyJpeg(int width, int height, uint8_t grey, JpegCoding coding);

// Only the signature and header chunk of a PNG claiming the given size: no pixel data.
std::vector<uint8_t> MakePngHeaderOnly(uint32_t width, uint32_t height);

// A 3 x 2 picture whose six texels all differ; alpha 255 except the last texel's 40.
extern const std::vector<uint8_t> Picture3x2;
