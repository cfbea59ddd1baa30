// ID3D11RenderTargetView, ID3D11DepthStencilView, ID3D11ShaderResourceView over 2-D textures.
#pragma once

#include <epoxy/gl.h>

#include "LayerObject.h"

namespace d3d11gl {

class Texture2D;

// The texture behind a resource pointer, or null when it is not a 2-D texture.
Texture2D* AsTexture2D(ID3D11Resource* resource);

// What the three views share: a reference on their texture for as long as they live, their
// description, and GetResource.
template <class Iface, class Desc>
class TextureView : public DeviceChild<Iface, ID3D11View> {
  public:
    void GetResource(ID3D11Resource** ppResource) override;
    void GetDesc(Desc* pDesc) override { *pDesc = desc_; }

    Texture2D& Texture() const { return *texture_; }

  protected:
    TextureView(Device* device, Texture2D* texture, const Desc& desc);
    ~TextureView() override;

    Texture2D* const texture_;
    const Desc desc_;
};

// A render-target or depth-stencil view: one mip level, and a framebuffer with only that level
// attached, for clears (made on first use).
template <class Iface, class Desc>
class TargetView : public TextureView<Iface, Desc> {
  public:
    UINT Level() const { return this->desc_.Texture2D.MipSlice; }

  protected:
    using TextureView<Iface, Desc>::TextureView;
    ~TargetView() override;
    GLuint ClearFramebufferAt(GLenum attachment);

  private:
    GLuint framebuffer_ = 0;
};

class RenderTargetView final : public TargetView<ID3D11RenderTargetView, D3D11_RENDER_TARGET_VIEW_DESC> {
  public:
    static HRESULT Create(Device* device, ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                          RenderTargetView** out);
    GLuint ClearFramebuffer() { return ClearFramebufferAt(GL_COLOR_ATTACHMENT0); }

  private:
    using TargetView::TargetView;
    ~RenderTargetView() override = default;
};

class DepthStencilView final : public TargetView<ID3D11DepthStencilView, D3D11_DEPTH_STENCIL_VIEW_DESC> {
  public:
    static HRESULT Create(Device* device, ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                          DepthStencilView** out);
    GLenum Attachment() const;
    GLuint ClearFramebuffer() { return ClearFramebufferAt(Attachment()); }

  private:
    using TargetView::TargetView;
    ~DepthStencilView() override = default;
};

class ShaderResourceView final : public TextureView<ID3D11ShaderResourceView, D3D11_SHADER_RESOURCE_VIEW_DESC> {
  public:
    static HRESULT Create(Device* device, ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                          ShaderResourceView** out);

    // The GL texture to bind: the texture itself, or a GL texture view for a sub-range of mips.
    GLuint Name() const { return name_; }

  private:
    ShaderResourceView(Device* device, Texture2D* texture, const D3D11_SHADER_RESOURCE_VIEW_DESC& desc);
    ~ShaderResourceView() override;
    GLuint name_ = 0;
    bool ownsName_ = false;
};

}  // namespace d3d11gl
