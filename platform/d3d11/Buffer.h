// ID3D11Buffer: a GL buffer; dynamic buffers are persistently mapped rings so that every
// Map(WRITE_DISCARD) hands out fresh memory without waiting for the GPU or allocating.
#pragma once

#include <vector>

#include <epoxy/gl.h>

#include "LayerObject.h"

namespace d3d11gl {

// E_INVALIDARG for what Direct3D rejects (zero size, constant buffers not a multiple of 16,
// usage and CPU-access combinations, IMMUTABLE without data...), explained as the device's
// debug layer asks.
HRESULT ValidateBufferDesc(const Device* device, const D3D11_BUFFER_DESC& desc,
                           const D3D11_SUBRESOURCE_DATA* initialData);

class Buffer final : public DeviceChild<ID3D11Buffer, ID3D11Resource> {
  public:
    static HRESULT Create(Device* device, const D3D11_BUFFER_DESC& desc, const D3D11_SUBRESOURCE_DATA* initialData,
                          Buffer** out);

    void GetType(D3D11_RESOURCE_DIMENSION* dimension) override { *dimension = D3D11_RESOURCE_DIMENSION_BUFFER; }
    void GetDesc(D3D11_BUFFER_DESC* pDesc) override { *pDesc = desc_; }

    const D3D11_BUFFER_DESC& Desc() const { return desc_; }
    // Where the buffer's current contents live in GL: a dynamic buffer moves on every discard.
    GLuint Name() const { return name_; }
    GLintptr Offset() const { return offset_; }

    HRESULT Map(D3D11_MAP type, D3D11_MAPPED_SUBRESOURCE* mapped);
    void Unmap();
    // Writes bytes [begin, end) from `data` (UpdateSubresource).
    void Write(UINT begin, UINT end, const void* data);
    // Copies the whole contents of `source` (CopyResource).
    void CopyFrom(Buffer& source);

  private:
    Buffer(Device* device, const D3D11_BUFFER_DESC& desc) : DeviceChild(device), desc_(desc) {}
    ~Buffer() override;
    bool Init(const D3D11_SUBRESOURCE_DATA* initialData);
    void* Discard();

    static constexpr int Segments = 4;
    D3D11_BUFFER_DESC desc_;
    GLuint name_ = 0;
    GLintptr offset_ = 0;
    // Dynamic ring: slotCount_ slots of slotSize_ bytes, split into Segments segments; a fence
    // marks the end of each segment's use and is waited for before the segment is written again.
    uint8_t* mapped_ = nullptr;
    GLsizeiptr slotSize_ = 0;
    int slotCount_ = 0;
    int slot_ = 0;
    GLsync fences_[Segments] = {};
    // Staging buffers: the CPU copy that Map hands out.
    std::vector<uint8_t> shadow_;
    D3D11_MAP mapType_ = D3D11_MAP(0);
    bool isMapped_ = false;
};

}  // namespace d3d11gl
