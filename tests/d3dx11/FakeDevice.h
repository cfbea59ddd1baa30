// A recording stand-in for ID3D11Device: creates textures and shader-resource views that only
// keep their description and initial data, counts the objects alive, and can be told to fail.
#pragma once

#include <vector>

#include "d3d11.h"

class FakeDevice final : public ID3D11Device {
  public:
    struct Level {
        UINT pitch = 0;
        std::vector<uint8_t> bytes;
    };
    // Filled by the last CreateTexture2D call.
    D3D11_TEXTURE2D_DESC lastDesc = {};
    std::vector<Level> lastLevels;
    int textureCalls = 0;
    int alive = 0;  // textures and views not yet released
    HRESULT textureResult = S_OK;
    HRESULT viewResult = S_OK;

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT CreateBuffer(const D3D11_BUFFER_DESC*, const D3D11_SUBRESOURCE_DATA*, ID3D11Buffer**) override
    {
        return E_NOTIMPL;
    }
    HRESULT CreateTexture2D(const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* initial,
                            ID3D11Texture2D** texture) override;
    HRESULT CreateShaderResourceView(ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                     ID3D11ShaderResourceView** view) override;
    HRESULT CreateRenderTargetView(ID3D11Resource*, const D3D11_RENDER_TARGET_VIEW_DESC*,
                                   ID3D11RenderTargetView**) override
    {
        return E_NOTIMPL;
    }
    HRESULT CreateDepthStencilView(ID3D11Resource*, const D3D11_DEPTH_STENCIL_VIEW_DESC*,
                                   ID3D11DepthStencilView**) override
    {
        return E_NOTIMPL;
    }
    HRESULT CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC*, UINT, const void*, SIZE_T, ID3D11InputLayout**) override
    {
        return E_NOTIMPL;
    }
    HRESULT CreateVertexShader(const void*, SIZE_T, ID3D11ClassLinkage*, ID3D11VertexShader**) override
    {
        return E_NOTIMPL;
    }
    HRESULT CreateGeometryShader(const void*, SIZE_T, ID3D11ClassLinkage*, ID3D11GeometryShader**) override
    {
        return E_NOTIMPL;
    }
    HRESULT CreatePixelShader(const void*, SIZE_T, ID3D11ClassLinkage*, ID3D11PixelShader**) override
    {
        return E_NOTIMPL;
    }
    HRESULT CreateBlendState(const D3D11_BLEND_DESC*, ID3D11BlendState**) override { return E_NOTIMPL; }
    HRESULT CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC*, ID3D11DepthStencilState**) override
    {
        return E_NOTIMPL;
    }
    HRESULT CreateRasterizerState(const D3D11_RASTERIZER_DESC*, ID3D11RasterizerState**) override { return E_NOTIMPL; }
    HRESULT CreateSamplerState(const D3D11_SAMPLER_DESC*, ID3D11SamplerState**) override { return E_NOTIMPL; }
    D3D_FEATURE_LEVEL GetFeatureLevel() override { return D3D_FEATURE_LEVEL_11_0; }
    UINT GetCreationFlags() override { return 0; }
    HRESULT GetDeviceRemovedReason() override { return S_OK; }
    void GetImmediateContext(ID3D11DeviceContext** context) override { *context = nullptr; }
};
