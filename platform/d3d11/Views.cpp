// Views: validation against the texture's description, and the GL objects behind them.
#include "Views.h"

#include "DebugLog.h"
#include "Device.h"
#include "Texture2D.h"

namespace d3d11gl {

Texture2D* AsTexture2D(ID3D11Resource* resource)
{
    if (!resource) return nullptr;
    D3D11_RESOURCE_DIMENSION dimension = D3D11_RESOURCE_DIMENSION_UNKNOWN;
    resource->GetType(&dimension);
    if (dimension != D3D11_RESOURCE_DIMENSION_TEXTURE2D) return nullptr;
    return static_cast<Texture2D*>(static_cast<ID3D11Texture2D*>(resource));
}

namespace {

// Framebuffer with one texture level attached, for clearing one view.
GLuint MakeClearFramebuffer(GLenum attachment, GLuint texture, UINT level)
{
    GLuint framebuffer = 0;
    glCreateFramebuffers(1, &framebuffer);
    NoteGlCreated();
    glNamedFramebufferTexture(framebuffer, attachment, texture, level);
    if (attachment == GL_COLOR_ATTACHMENT0)
        glNamedFramebufferDrawBuffer(framebuffer, GL_COLOR_ATTACHMENT0);
    else
        glNamedFramebufferDrawBuffer(framebuffer, GL_NONE);
    return framebuffer;
}

void DeleteFramebuffer(Device* device, GLuint framebuffer)
{
    if (!framebuffer) return;
    if (device->MakeCurrent()) glDeleteFramebuffers(1, &framebuffer);
    NoteGlDeleted();
}

// The 2-D texture a view of `resource` sees, made with `bindFlag` (named `bindName`), or the
// refusal. Direct3D has buffer views for render targets and shader resources, which the layer
// does not provide (E_NOTIMPL), but none for depth-stencil targets (E_INVALIDARG).
HRESULT ViewedTexture(const Device* device, const char* call, ID3D11Resource* resource, UINT bindFlag,
                      const char* bindName, Texture2D** texture)
{
    if (!resource) return Refuse(device, call, "pResource is NULL");
    D3D11_RESOURCE_DIMENSION dimension = D3D11_RESOURCE_DIMENSION_UNKNOWN;
    resource->GetType(&dimension);
    if (dimension == D3D11_RESOURCE_DIMENSION_BUFFER && bindFlag != D3D11_BIND_DEPTH_STENCIL)
        return RefuseWith(E_NOTIMPL, device, call, "views of buffers are not provided");
    *texture = AsTexture2D(resource);
    if (!*texture) return Refuse(device, call, "pResource is not a 2-D texture");
    if (!((*texture)->Desc().BindFlags & bindFlag))
        return Refuse(device, call, "the texture was made without %s (BindFlags 0x%X)", bindName,
                      (*texture)->Desc().BindFlags);
    return S_OK;
}

// What render-target and depth-stencil view descriptions share: a 2-D view of one level of the
// texture, in the texture's format. S_OK, or the refusal.
template <class ViewDesc>
HRESULT CheckOneLevelView(const Device* device, const char* call, const ViewDesc& desc, uint32_t texture2DDimension,
                          const D3D11_TEXTURE2D_DESC& texture)
{
    if (Raw(desc.ViewDimension) != texture2DDimension)
        return Refuse(device, call, "ViewDimension %u is not TEXTURE2D", Raw(desc.ViewDimension));
    if (desc.Format != DXGI_FORMAT_UNKNOWN && desc.Format != texture.Format)
        return Refuse(device, call, "Format %u differs from the texture's %u", Raw(desc.Format), Raw(texture.Format));
    if (desc.Texture2D.MipSlice >= texture.MipLevels)
        return Refuse(device, call, "MipSlice is %u; the texture has MipLevels %u", desc.Texture2D.MipSlice,
                      texture.MipLevels);
    return S_OK;
}

}  // namespace

// --- What the views share -------------------------------------------------------------------

template <class Iface, class Desc>
TextureView<Iface, Desc>::TextureView(Device* device, Texture2D* texture, const Desc& desc)
    : DeviceChild<Iface, ID3D11View>(device), texture_(texture), desc_(desc)
{
    texture_->AddRef();
}

template <class Iface, class Desc>
TextureView<Iface, Desc>::~TextureView()
{
    texture_->Release();
}

template <class Iface, class Desc>
void TextureView<Iface, Desc>::GetResource(ID3D11Resource** ppResource)
{
    texture_->AddRef();
    *ppResource = texture_;
}

template <class Iface, class Desc>
TargetView<Iface, Desc>::~TargetView()
{
    DeleteFramebuffer(this->OwnerDevice(), framebuffer_);
}

template <class Iface, class Desc>
GLuint TargetView<Iface, Desc>::ClearFramebufferAt(GLenum attachment)
{
    if (!framebuffer_) framebuffer_ = MakeClearFramebuffer(attachment, this->texture_->Name(), Level());
    return framebuffer_;
}

template class TextureView<ID3D11RenderTargetView, D3D11_RENDER_TARGET_VIEW_DESC>;
template class TextureView<ID3D11DepthStencilView, D3D11_DEPTH_STENCIL_VIEW_DESC>;
template class TextureView<ID3D11ShaderResourceView, D3D11_SHADER_RESOURCE_VIEW_DESC>;
template class TargetView<ID3D11RenderTargetView, D3D11_RENDER_TARGET_VIEW_DESC>;
template class TargetView<ID3D11DepthStencilView, D3D11_DEPTH_STENCIL_VIEW_DESC>;

// --- Render-target view ---------------------------------------------------------------------

HRESULT RenderTargetView::Create(Device* device, ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                                 RenderTargetView** out)
{
    const char* call = "CreateRenderTargetView";
    Texture2D* texture = nullptr;
    const HRESULT viewed =
        ViewedTexture(device, call, resource, D3D11_BIND_RENDER_TARGET, "BIND_RENDER_TARGET", &texture);
    if (FAILED(viewed)) return viewed;
    D3D11_RENDER_TARGET_VIEW_DESC viewDesc{};
    viewDesc.Format = texture->Desc().Format;
    viewDesc.ViewDimension = D3D11_RTV_DIMENSION_TEXTURE2D;
    if (desc) {
        HRESULT hr = CheckOneLevelView(device, call, *desc, D3D11_RTV_DIMENSION_TEXTURE2D, texture->Desc());
        if (FAILED(hr)) return hr;
        viewDesc.Texture2D.MipSlice = desc->Texture2D.MipSlice;
    }
    if (!out) return S_FALSE;
    *out = new RenderTargetView(device, texture, viewDesc);
    return S_OK;
}

// --- Depth-stencil view ---------------------------------------------------------------------

HRESULT DepthStencilView::Create(Device* device, ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                                 DepthStencilView** out)
{
    const char* call = "CreateDepthStencilView";
    Texture2D* texture = nullptr;
    const HRESULT viewed =
        ViewedTexture(device, call, resource, D3D11_BIND_DEPTH_STENCIL, "BIND_DEPTH_STENCIL", &texture);
    if (FAILED(viewed)) return viewed;
    D3D11_DEPTH_STENCIL_VIEW_DESC viewDesc{};
    viewDesc.Format = texture->Desc().Format;
    viewDesc.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2D;
    if (desc) {
        HRESULT hr = CheckOneLevelView(device, call, *desc, D3D11_DSV_DIMENSION_TEXTURE2D, texture->Desc());
        if (FAILED(hr)) return hr;
        if (desc->Flags & ~3u) return Refuse(device, call, "Flags 0x%X holds unknown bits", desc->Flags);
        if (desc->Flags)
            return RefuseWith(E_NOTIMPL, device, call, "Flags 0x%X: read-only depth-stencil views are not provided",
                              desc->Flags);
        viewDesc.Texture2D.MipSlice = desc->Texture2D.MipSlice;
    }
    if (!out) return S_FALSE;
    *out = new DepthStencilView(device, texture, viewDesc);
    return S_OK;
}

GLenum DepthStencilView::Attachment() const
{
    return texture_->Format().stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
}

// --- Shader-resource view -------------------------------------------------------------------

HRESULT ShaderResourceView::Create(Device* device, ID3D11Resource* resource,
                                   const D3D11_SHADER_RESOURCE_VIEW_DESC* desc, ShaderResourceView** out)
{
    const char* call = "CreateShaderResourceView";
    Texture2D* texture = nullptr;
    const HRESULT viewed =
        ViewedTexture(device, call, resource, D3D11_BIND_SHADER_RESOURCE, "BIND_SHADER_RESOURCE", &texture);
    if (FAILED(viewed)) return viewed;
    const UINT levels = texture->Desc().MipLevels;
    D3D11_SHADER_RESOURCE_VIEW_DESC viewDesc{};
    viewDesc.Format = texture->Desc().Format;
    viewDesc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
    viewDesc.Texture2D.MostDetailedMip = 0;
    viewDesc.Texture2D.MipLevels = levels;
    if (desc) {
        if (Raw(desc->ViewDimension) != D3D11_SRV_DIMENSION_TEXTURE2D)
            return Refuse(device, call, "ViewDimension %u is not TEXTURE2D", Raw(desc->ViewDimension));
        if (desc->Format != DXGI_FORMAT_UNKNOWN && desc->Format != texture->Desc().Format)
            return Refuse(device, call, "Format %u differs from the texture's %u", Raw(desc->Format),
                          Raw(texture->Desc().Format));
        UINT first = desc->Texture2D.MostDetailedMip;
        if (first >= levels)
            return Refuse(device, call, "MostDetailedMip is %u; the texture has MipLevels %u", first, levels);
        UINT count = desc->Texture2D.MipLevels == UINT(-1) ? levels - first : desc->Texture2D.MipLevels;
        if (count == 0 || count > levels - first)
            return Refuse(device, call, "MipLevels %u from MostDetailedMip %u; the texture has MipLevels %u",
                          desc->Texture2D.MipLevels, first, levels);
        viewDesc.Texture2D.MostDetailedMip = first;
        viewDesc.Texture2D.MipLevels = count;
    }
    if (!out) return S_FALSE;
    if (!device->MakeCurrent()) return RefuseWith(DXGI_ERROR_DEVICE_REMOVED, device, call, "the device is lost");
    *out = new ShaderResourceView(device, texture, viewDesc);
    return S_OK;
}

ShaderResourceView::ShaderResourceView(Device* device, Texture2D* texture, const D3D11_SHADER_RESOURCE_VIEW_DESC& desc)
    : TextureView(device, texture, desc)
{
    if (desc_.Texture2D.MostDetailedMip == 0 && desc_.Texture2D.MipLevels == texture_->Desc().MipLevels) {
        name_ = texture_->Name();
        return;
    }
    glGenTextures(1, &name_);
    glTextureView(name_, GL_TEXTURE_2D, texture_->Name(), texture_->Format().internalFormat,
                  desc_.Texture2D.MostDetailedMip, desc_.Texture2D.MipLevels, 0, 1);
    if (texture_->Format().Integer()) {  // a view has filters of its own (see Texture2D::Init)
        glTextureParameteri(name_, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
        glTextureParameteri(name_, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    NoteGlCreated();
    ownsName_ = true;
}

ShaderResourceView::~ShaderResourceView()
{
    if (ownsName_) {
        if (OwnerDevice()->MakeCurrent()) glDeleteTextures(1, &name_);
        NoteGlDeleted();
    }
}

}  // namespace d3d11gl
