// D3DX11CreateShaderResourceViewFromFileA: image file -> RGBA8 texture with a full mip chain ->
// shader-resource view, through the public Direct3D 11 device interface only.
#include <string>
#include <vector>

#include "ImageDecode.h"
#include "d3dx11.h"

namespace {

HRESULT Finish(HRESULT hr, HRESULT* pHResult)
{
    if (pHResult) *pHResult = hr;
    return hr;
}

}  // namespace

HRESULT WINAPI D3DX11CreateShaderResourceViewFromFileA(ID3D11Device* pDevice, LPCSTR pSrcFile,
                                                       D3DX11_IMAGE_LOAD_INFO* pLoadInfo, ID3DX11ThreadPump* pPump,
                                                       ID3D11ShaderResourceView** ppShaderResourceView,
                                                       HRESULT* pHResult)
{
    if (ppShaderResourceView) *ppShaderResourceView = nullptr;
    if (pLoadInfo || pPump) return Finish(E_NOTIMPL, pHResult);
    if (!pDevice || !pSrcFile || !ppShaderResourceView) return Finish(E_INVALIDARG, pHResult);

    std::vector<platform::ImageLevel> levels;
    switch (platform::LoadImageRgba8WithMips(pSrcFile, &levels)) {
    case platform::ImageResult::Ok: break;
    case platform::ImageResult::FileNotFound: return Finish(D3D11_ERROR_FILE_NOT_FOUND, pHResult);
    case platform::ImageResult::InvalidData: return Finish(D3DX11_ERR_INVALID_DATA, pHResult);
    case platform::ImageResult::TooLarge: return Finish(E_INVALIDARG, pHResult);
    }

    D3D11_TEXTURE2D_DESC desc = {};
    desc.Width = levels[0].width;
    desc.Height = levels[0].height;
    desc.MipLevels = UINT(levels.size());
    desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    std::vector<D3D11_SUBRESOURCE_DATA> initial(levels.size());
    for (size_t i = 0; i < levels.size(); ++i) {
        initial[i].pSysMem = levels[i].rgba.data();
        initial[i].SysMemPitch = levels[i].width * 4;
        initial[i].SysMemSlicePitch = levels[i].width * levels[i].height * 4;
    }

    ID3D11Texture2D* texture = nullptr;
    HRESULT hr = pDevice->CreateTexture2D(&desc, initial.data(), &texture);
    if (FAILED(hr)) return Finish(hr, pHResult);
    hr = pDevice->CreateShaderResourceView(texture, nullptr, ppShaderResourceView);
    texture->Release();  // the view keeps the texture alive
    if (FAILED(hr)) *ppShaderResourceView = nullptr;
    return Finish(hr, pHResult);
}
