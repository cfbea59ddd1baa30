// D3DX11CreateShaderResourceViewFromFileA against a recording device: the texture it asks for,
// the data it passes, the references it leaves, and that failures create nothing.
#include <gtest/gtest.h>

#include "FakeDevice.h"
#include "ImageDecode.h"
#include "TestFiles.h"
#include "TestImages.h"
#include "d3dx11.h"

namespace {

HRESULT Load(FakeDevice* device, const std::string& path, ID3D11ShaderResourceView** view)
{
    HRESULT reported = 1;
    *view = reinterpret_cast<ID3D11ShaderResourceView*>(1);  // must be overwritten, even on failure
    const HRESULT hr = D3DX11CreateShaderResourceViewFromFileA(device, path.c_str(), nullptr, nullptr, view, &reported);
    EXPECT_EQ(hr, reported);
    return hr;
}

}  // namespace

TEST(TextureFromFile, CreatesAnRgba8TextureWithEveryMipLevelAndAViewOfIt)
{
    std::string path = WriteScratchFile("five.tga", MakeTga32(5, 3, std::vector<uint8_t>(5 * 3 * 4, 9), true));
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/') path[i] = '\\';
    FakeDevice device;
    ID3D11ShaderResourceView* view = nullptr;
    ASSERT_EQ(Load(&device, path, &view), S_OK);
    ASSERT_NE(view, nullptr);

    const D3D11_TEXTURE2D_DESC& d = device.lastDesc;
    EXPECT_EQ(d.Width, 5u);
    EXPECT_EQ(d.Height, 3u);
    EXPECT_EQ(d.MipLevels, 3u);  // 5x3, 2x1, 1x1
    EXPECT_EQ(d.ArraySize, 1u);
    EXPECT_EQ(d.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
    EXPECT_EQ(d.SampleDesc.Count, 1u);
    EXPECT_EQ(d.SampleDesc.Quality, 0u);
    EXPECT_EQ(d.Usage, D3D11_USAGE_DEFAULT);
    EXPECT_EQ(d.BindFlags, UINT(D3D11_BIND_SHADER_RESOURCE));
    EXPECT_EQ(d.CPUAccessFlags, 0u);
    EXPECT_EQ(d.MiscFlags, 0u);
    ASSERT_EQ(device.lastLevels.size(), 3u);
    const UINT pitches[] = {20, 8, 4};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(device.lastLevels[i].pitch, pitches[i]);
        for (uint8_t b : device.lastLevels[i].bytes) ASSERT_EQ(b, 9) << "level " << i;
    }

    ID3D11Resource* resource = nullptr;
    view->GetResource(&resource);
    D3D11_TEXTURE2D_DESC viewed = {};
    static_cast<ID3D11Texture2D*>(resource)->GetDesc(&viewed);
    EXPECT_EQ(viewed.MipLevels, 3u);
    resource->Release();
    EXPECT_EQ(device.alive, 2);
    view->Release();
    EXPECT_EQ(device.alive, 0) << "the view held the only reference to its texture";
}

TEST(TextureFromFile, TopRowOfTheFileIsTheFirstRowOfLevelZero)
{
    const std::string path = WriteScratchFile("picture.bmp", MakeBmp24(3, 2, Picture3x2, false));
    FakeDevice device;
    ID3D11ShaderResourceView* view = nullptr;
    ASSERT_EQ(Load(&device, path, &view), S_OK);
    ASSERT_FALSE(device.lastLevels.empty());
    const std::vector<uint8_t>& top = device.lastLevels[0].bytes;
    EXPECT_EQ(std::vector<uint8_t>(top.begin(), top.begin() + 4), (std::vector<uint8_t>{255, 0, 0, 255}));
    view->Release();
}

TEST(TextureFromFile, FailuresReturnTheirCodeAndCreateNothing)
{
    const struct {
        const char* what;
        std::string path;
        HRESULT expected;
    } cases[] = {
        {"missing", ScratchPath("missing.bmp"), D3D11_ERROR_FILE_NOT_FOUND},
        {"missing, Windows path", "..\\misc\\no_such_texture.bmp", D3D11_ERROR_FILE_NOT_FOUND},
        {"not an image", WriteScratchFile("notes.png", std::string("just some text")), D3DX11_ERR_INVALID_DATA},
        {"empty", WriteScratchFile("empty.bmp", std::string()), D3DX11_ERR_INVALID_DATA},
        {"too large", WriteScratchFile("huge.png", MakePngHeaderOnly(16385, 16)), E_INVALIDARG},
    };
    for (const auto& c : cases) {
        FakeDevice device;
        ID3D11ShaderResourceView* view = nullptr;
        EXPECT_EQ(Load(&device, c.path, &view), c.expected) << c.what;
        EXPECT_EQ(view, nullptr) << c.what;
        EXPECT_EQ(device.textureCalls, 0) << c.what;
    }
}

TEST(TextureFromFile, DeviceFailuresArePassedOnAndLeaveNoObjectBehind)
{
    const std::string path = WriteScratchFile("small.png", MakePng(3, 2, Picture3x2));
    FakeDevice device;
    ID3D11ShaderResourceView* view = nullptr;
    device.textureResult = E_OUTOFMEMORY;
    EXPECT_EQ(Load(&device, path, &view), E_OUTOFMEMORY);
    EXPECT_EQ(view, nullptr);
    device.textureResult = S_OK;
    device.viewResult = E_INVALIDARG;
    EXPECT_EQ(Load(&device, path, &view), E_INVALIDARG);
    EXPECT_EQ(view, nullptr);
    EXPECT_EQ(device.alive, 0) << "the texture made for a failed view is released";
}

TEST(TextureFromFile, UnsupportedOptionsAndMissingArgumentsAreRefused)
{
    const std::string path = WriteScratchFile("small.png", MakePng(3, 2, Picture3x2));
    FakeDevice device;
    ID3D11ShaderResourceView* view = nullptr;
    HRESULT reported = 1;
    auto* info = reinterpret_cast<D3DX11_IMAGE_LOAD_INFO*>(&reported);
    EXPECT_EQ(D3DX11CreateShaderResourceViewFromFileA(&device, path.c_str(), info, nullptr, &view, &reported),
              E_NOTIMPL);
    EXPECT_EQ(reported, E_NOTIMPL);
    EXPECT_EQ(D3DX11CreateShaderResourceViewFromFileA(nullptr, path.c_str(), nullptr, nullptr, &view, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(D3DX11CreateShaderResourceViewFromFileA(&device, nullptr, nullptr, nullptr, &view, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(D3DX11CreateShaderResourceViewFromFileA(&device, path.c_str(), nullptr, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(device.textureCalls, 0);
}
