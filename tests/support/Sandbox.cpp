// Test helpers: temporary data folders, BMP files and the offscreen device.
#include "Sandbox.h"

#include <stdlib.h>

#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <vector>

Sandbox::Sandbox() : ScratchFolder("qv_material_")
{
    if (!EnterWork()) throw std::runtime_error("cannot create and enter a temporary folder");
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteBmp(const std::filesystem::path& path, uint8_t r, uint8_t g, uint8_t b)
{
    const uint32_t rowBytes = 8;  // two 3-byte pixels padded to four bytes
    const uint32_t pixelBytes = 2 * rowBytes;
    const uint32_t fileBytes = 14 + 40 + pixelBytes;
    std::string s;
    auto u16 = [&](uint32_t v) {
        s += char(v & 0xFF);
        s += char((v >> 8) & 0xFF);
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    s += "BM";
    u32(fileBytes);
    u32(0);
    u32(14 + 40);
    u32(40);  // BITMAPINFOHEADER
    u32(2);   // width
    u32(2);   // height (bottom-up)
    u16(1);   // planes
    u16(24);  // bits per pixel
    u32(0);   // BI_RGB
    u32(pixelBytes);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 2; ++x) {
            s += char(b);
            s += char(g);
            s += char(r);
        }
        s += std::string(2, '\0');
    }
    WriteFile(path, s);
}

const TestDevice& SharedTestDevice()
{
    static TestDevice shared = [] {
        TestDevice d;
        for (D3D_DRIVER_TYPE type : {D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP}) {
            D3D_FEATURE_LEVEL level{};
            if (SUCCEEDED(D3D11CreateDevice(nullptr, type, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION, &d.device, &level,
                                            &d.context)))
                return d;
        }
        return TestDevice{};
    }();
    return shared;
}
