// ID3D11RenderTargetView, ID3D11DepthStencilView, ID3D11ShaderResourceView over 2-D textures.
#pragma once

#include <epoxy/gl.h>

#include "LayerObject.h"

namespace d3d11gl {

class Texture2D;

// The texture behind a resource pointer, or null when it is not a 2-D texture.
Texture2D* AsTexture2D(ID3D11Resource* resource);

class RenderTargetView final : public DeviceChild<ID3D11RenderTargetView, ID3D11View> {
  public:
    static HRESULT Create(Device* device, ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                          RenderTargetView** out);
    void GetResource(ID3D11Resource** ppResource) override;
    void GetDesc(D3D11_RENDER_TARGET_VIEW_DESC* pDesc) override { *pDesc = desc_; }

    Texture2D& Texture() const { return *texture_; }
    UINT Level() const { return desc_.Texture2D.MipSlice; }
    // A framebuffer with only this view attached, for clears (made on first use).
    GLuint ClearFramebuffer();

  private:
    RenderTargetView(Device* device, Texture2D* texture, const D3D11_RENDER_TARGET_VIEW_DESC& desc);
    ~RenderTargetView() override;
    Texture2D* texture_;
    D3D11_RENDER_TARGET_VIEW_DESC desc_;
    GLuint framebuffer_ = 0;
};

class DepthStencilView final : public DeviceChild<ID3D11DepthStencilView, ID3D11View> {
  public:
    static HRESULT Create(Device* device, ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                          DepthStencilView** out);
    void GetResource(ID3D11Resource** ppResource) override;
    void GetDesc(D3D11_DEPTH_STENCIL_VIEW_DESC* pDesc) override { *pDesc = desc_; }

    Texture2D& Texture() const { return *texture_; }
    UINT Level() const { return desc_.Texture2D.MipSlice; }
    GLenum Attachment() const;
    GLuint ClearFramebuffer();

  private:
    DepthStencilView(Device* device, Texture2D* texture, const D3D11_DEPTH_STENCIL_VIEW_DESC& desc);
    ~DepthStencilView() override;
    Texture2D* texture_;
    D3D11_DEPTH_STENCIL_VIEW_DESC desc_;
    GLuint framebuffer_ = 0;
};

class ShaderResourceView final : public DeviceChild<ID3D11ShaderResourceView, ID3D11View> {
  public:
    static HRESULT Create(Device* device, ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                          ShaderResourceView** out);
    void GetResource(ID3D11Resource** ppResource) override;
    void GetDesc(D3D11_SHADER_RESOURCE_VIEW_DESC* pDesc) override { *pDesc = desc_; }

    // The GL texture to bind: the texture itself, or a GL texture view for a sub-range of mips.
    GLuint Name() const { return name_; }
    Texture2D& Texture() const { return *texture_; }

  private:
    ShaderResourceView(Device* device, Texture2D* texture, const D3D11_SHADER_RESOURCE_VIEW_DESC& desc);
    ~ShaderResourceView() override;
    Texture2D* texture_;
    D3D11_SHADER_RESOURCE_VIEW_DESC desc_;
    GLuint name_ = 0;
    bool ownsName_ = false;
};

}  // namespace d3d11gl
