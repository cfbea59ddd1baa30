// ID3D11Texture2D: GL texture storage. Textures that can be render or depth-stencil targets keep
// their rows bottom-up as GL renders them; all others keep Direct3D's top-down rows. Uploads,
// readbacks and copies between the two kinds flip, so every transfer is in Direct3D row order.
#pragma once

#include <vector>

#include <epoxy/gl.h>

#include "Formats.h"
#include "LayerObject.h"

namespace d3d11gl {

class DeviceContext;

// E_INVALIDARG for what Direct3D rejects, E_NOTIMPL for what this layer does not provide; a
// refusal is explained as the device's debug layer asks, in the name of `call`.
HRESULT ValidateTexture2DDesc(const Device* device, const char* call, const D3D11_TEXTURE2D_DESC& desc,
                              const D3D11_SUBRESOURCE_DATA* initialData);

class Texture2D final : public DeviceChild<ID3D11Texture2D, ID3D11Resource> {
  public:
    // `call`: the API call that makes the texture (the swap chain makes its back buffer too).
    static HRESULT Create(Device* device, const D3D11_TEXTURE2D_DESC& desc, const D3D11_SUBRESOURCE_DATA* initialData,
                          Texture2D** out, const char* call = "CreateTexture2D");

    void GetType(D3D11_RESOURCE_DIMENSION* dimension) override { *dimension = D3D11_RESOURCE_DIMENSION_TEXTURE2D; }
    void GetDesc(D3D11_TEXTURE2D_DESC* pDesc) override { *pDesc = desc_; }

    const D3D11_TEXTURE2D_DESC& Desc() const { return desc_; }
    const TextureFormat& Format() const { return format_; }
    GLuint Name() const { return name_; }
    UINT LevelWidth(UINT level) const { return desc_.Width >> level ? desc_.Width >> level : 1; }
    UINT LevelHeight(UINT level) const { return desc_.Height >> level ? desc_.Height >> level : 1; }

    HRESULT Map(UINT subresource, D3D11_MAP type, D3D11_MAPPED_SUBRESOURCE* mapped);
    void Unmap(UINT subresource);
    // Writes a rectangle of one mip level, given in Direct3D rows (row 0 = top).
    void Write(UINT level, UINT x, UINT y, UINT width, UINT height, const void* data, UINT rowPitch);
    // Copies every level of a texture with the same size and format (CopyResource).
    void CopyFrom(Texture2D& source, DeviceContext& context);

  private:
    Texture2D(Device* device, const D3D11_TEXTURE2D_DESC& desc);
    ~Texture2D() override;
    bool Init(const D3D11_SUBRESOURCE_DATA* initialData);

    D3D11_TEXTURE2D_DESC desc_;
    TextureFormat format_;
    bool bottomUp_;
    GLuint name_ = 0;
    // Staging and dynamic textures: the CPU copy of each level that Map hands out.
    std::vector<std::vector<uint8_t>> shadow_;
    std::vector<D3D11_MAP> mapTypes_;  // per level; 0 = not mapped
};

}  // namespace d3d11gl
