// FramePng.cpp: reading a render target back through a staging texture; PNG through stb_image_write.
#include "FramePng.h"

#include <cstring>

#include "Graphics.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

bool ReadPixels(ID3D11Texture2D* texture, std::vector<uint8_t>* rgba)
{
    D3D11_TEXTURE2D_DESC desc;
    texture->GetDesc(&desc);
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Usage = D3D11_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    desc.MiscFlags = 0;
    ID3D11Texture2D* staging = nullptr;
    if (FAILED(Device->CreateTexture2D(&desc, nullptr, &staging))) return false;
    ImmediateContext->CopyResource(staging, texture);
    D3D11_MAPPED_SUBRESOURCE mapped;
    const bool mappedOk = SUCCEEDED(ImmediateContext->Map(staging, 0, D3D11_MAP_READ, 0, &mapped));
    if (mappedOk) {
        rgba->resize(size_t(desc.Width) * desc.Height * 4);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(rgba->data() + size_t(y) * desc.Width * 4,
                        static_cast<const uint8_t*>(mapped.pData) + size_t(y) * mapped.RowPitch, desc.Width * 4);
        ImmediateContext->Unmap(staging, 0);
    }
    staging->Release();
    return mappedOk;
}

bool WritePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height)
{
    // A presented frame shows colour only: the alpha that the passes leave behind (d, or the
    // shadow's 0.5) is not part of the picture.
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (size_t i = 0; i < size_t(width) * height; ++i) std::memcpy(&rgb[i * 3], &rgba[i * 4], 3);
    return stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3) != 0;
}
