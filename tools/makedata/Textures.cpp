// Textures.cpp: procedural, seamlessly tiling fur textures and a plain 24-bit BMP writer.
// Everything is driven by a fixed-seed integer hash, so the images are the same on every run.
#include "MakeData.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace makedata {
namespace {
std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed)
{
    std::uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double Unit(std::uint32_t h)
{
    return (h & 0xFFFFFF) / double(0x1000000);
}

// Value noise on a lattice of `period` cells across the texture, wrapping at its edges.
double TileNoise(double x, double y, int size, int period, std::uint32_t seed)
{
    const double fx = x * period / size, fy = y * period / size;
    const int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
    const double tx = fx - ix, ty = fy - iy;
    const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    auto at = [&](int cx, int cy) {
        return Unit(Hash(static_cast<std::uint32_t>((cx % period + period) % period),
                         static_cast<std::uint32_t>((cy % period + period) % period), seed));
    };
    const double top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * sx;
    const double bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * sx;
    return top + (bottom - top) * sy;
}

struct Look {
    double base[3];       // colour in 0..1
    double blotch;        // strength of the large-scale variation
    int strands;          // number of hair strokes
    double strandLength;  // longest stroke in pixels
    double contrast;      // how much a stroke darkens or lightens
    std::uint32_t seed;
};

std::vector<unsigned char> MakeFur(int size, const Look& look)
{
    std::vector<double> shade(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double n = 0.5 * TileNoise(x, y, size, 4, look.seed) +
                             0.3 * TileNoise(x, y, size, 16, look.seed + 1) +
                             0.2 * TileNoise(x, y, size, 64, look.seed + 2);
            shade[static_cast<size_t>(y) * size + x] = 1.0 + look.blotch * (n - 0.5);
        }
    // Hair strokes running mostly down the texture (along v), wrapping at the edges.
    for (int s = 0; s < look.strands; ++s) {
        const double x0 = Unit(Hash(s, 1, look.seed)) * size, y0 = Unit(Hash(s, 2, look.seed)) * size;
        const double angle = (Unit(Hash(s, 3, look.seed)) - 0.5) * 0.7;
        const double length = look.strandLength * (0.4 + 0.6 * Unit(Hash(s, 4, look.seed)));
        const double tone = (Unit(Hash(s, 5, look.seed)) < 0.6 ? -1.0 : 1.0) * look.contrast *
                            (0.5 + 0.5 * Unit(Hash(s, 6, look.seed)));
        for (int k = 0; k < static_cast<int>(length); ++k) {
            const int px = (static_cast<int>(std::floor(x0 + k * std::sin(angle))) % size + size) % size;
            const int py = (static_cast<int>(std::floor(y0 + k * std::cos(angle))) % size + size) % size;
            const double fade = 1.0 - double(k) / length;  // strands thin out towards their tips
            shade[static_cast<size_t>(py) * size + px] += tone * fade;
        }
    }
    std::vector<unsigned char> rgb(static_cast<size_t>(size) * size * 3);
    for (size_t i = 0; i < shade.size(); ++i)
        for (int c = 0; c < 3; ++c) {
            const double v = std::fmin(1.0, std::fmax(0.0, look.base[c] * shade[i]));
            rgb[i * 3 + c] = static_cast<unsigned char>(std::lround(v * 255.0));
        }
    return rgb;
}
}  // namespace

std::vector<unsigned char> MakeFurTexture(int size)
{
    return MakeFur(size, {{0.50, 0.33, 0.19}, 0.45, size * size / 6, 18.0, 0.22, 11});
}

std::vector<unsigned char> MakeMuzzleTexture(int size)
{
    return MakeFur(size, {{0.86, 0.72, 0.54}, 0.20, size * size / 10, 8.0, 0.10, 23});
}

bool WriteBmp(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb)
{
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f) return false;
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
    unsigned char header[54] = {'B', 'M'};
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(2, 54 + imageBytes);  // file size
    put32(10, 54);              // offset of the pixels
    put32(14, 40);              // BITMAPINFOHEADER
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));  // positive: rows stored bottom-up
    header[26] = 1;                                 // planes
    header[28] = 24;                                // bits per pixel
    put32(34, imageBytes);
    put32(38, 2835);  // 72 dpi
    put32(42, 2835);
    std::fwrite(header, 1, sizeof header, f.get());
    std::vector<unsigned char> row(rowBytes, 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                row[x * 3 + c] = rgb[(static_cast<size_t>(y) * width + x) * 3 + (2 - c)];  // BGR
        std::fwrite(row.data(), 1, row.size(), f.get());
    }
    return std::ferror(f.get()) == 0;
}
}  // namespace makedata
