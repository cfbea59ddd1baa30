// Offscreen device fixture and readback helpers for the Direct3D 11 layer tests.
#include "D3D11TestSupport.h"

#include <cstdlib>
#include <cstring>
#include <string>

D3D_DRIVER_TYPE TestDriverType()
{
    const char* text = std::getenv("QV_TEST_DRIVER");
    return text && std::string(text) == "hardware" ? D3D_DRIVER_TYPE_HARDWARE : D3D_DRIVER_TYPE_WARP;
}

void D3D11Test::SetUp()
{
    baselineObjects = platform_test::LiveObjectCount();
    baselineGlObjects = platform_test::LiveGlObjectCount();
    const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0};
    D3D_FEATURE_LEVEL level{};
    HRESULT hr = D3D11CreateDevice(nullptr, TestDriverType(), nullptr, 0, levels, 1, D3D11_SDK_VERSION, &device, &level,
                                   &context);
    ASSERT_EQ(hr, S_OK);
    ASSERT_EQ(level, D3D_FEATURE_LEVEL_11_0);
}

void D3D11Test::TearDown()
{
    context.Reset();
    device.Reset();
    EXPECT_EQ(platform_test::LiveObjectCount(), baselineObjects);
    EXPECT_EQ(platform_test::LiveGlObjectCount(), baselineGlObjects);
}

Ref<ID3D11Texture2D> D3D11Test::MakeTexture(UINT width, UINT height, DXGI_FORMAT format, UINT bindFlags,
                                            const void* data, UINT pitch)
{
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = format;
    desc.SampleDesc.Count = 1;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = bindFlags;
    D3D11_SUBRESOURCE_DATA initial{data, pitch, 0};
    Ref<ID3D11Texture2D> texture;
    EXPECT_EQ(device->CreateTexture2D(&desc, data ? &initial : nullptr, &texture), S_OK);
    return texture;
}

namespace {

template <class T>
std::vector<T> ReadThroughStaging(ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Texture2D* texture,
                                  size_t valuesPerTexel, size_t bytesPerTexel)
{
    D3D11_TEXTURE2D_DESC desc{};
    texture->GetDesc(&desc);
    desc.MipLevels = 1;
    desc.Usage = D3D11_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    desc.MiscFlags = 0;
    Ref<ID3D11Texture2D> staging;
    EXPECT_EQ(device->CreateTexture2D(&desc, nullptr, &staging), S_OK);
    if (!staging) return {};
    context->CopyResource(staging, texture);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    EXPECT_EQ(context->Map(staging, 0, D3D11_MAP_READ, 0, &mapped), S_OK);
    if (!mapped.pData) return {};
    std::vector<T> values;
    for (UINT y = 0; y < desc.Height; ++y)
        for (UINT x = 0; x < desc.Width; ++x) {
            T value{};
            std::memcpy(&value,
                        static_cast<const uint8_t*>(mapped.pData) + size_t(y) * mapped.RowPitch + x * bytesPerTexel,
                        sizeof(T) * valuesPerTexel);
            values.push_back(value);
        }
    context->Unmap(staging, 0);
    return values;
}

}  // namespace

std::vector<uint32_t> D3D11Test::ReadRgba(ID3D11Texture2D* texture)
{
    return ReadThroughStaging<uint32_t>(device, context, texture, 1, 4);
}

std::vector<float> D3D11Test::ReadDepth(ID3D11Texture2D* texture)
{
    return ReadThroughStaging<float>(device, context, texture, 1, 8);
}
