// ID3D11DepthStencilState and how it becomes GL depth and two-sided stencil state.
#pragma once

#include <epoxy/gl.h>

#include "LayerObject.h"

namespace d3d11gl {

// GL comparison for a Direct3D one (depth, stencil and sampler comparisons).
GLenum GlComparison(D3D11_COMPARISON_FUNC f);

class DepthStencilState final : public DeviceChild<ID3D11DepthStencilState> {
  public:
    static HRESULT Create(Device* device, const D3D11_DEPTH_STENCIL_DESC& desc, DepthStencilState** out);
    void GetDesc(D3D11_DEPTH_STENCIL_DESC* pDesc) override { *pDesc = desc_; }

    // Applies `state` (null: Direct3D's default, depth test LESS with writes, no stencil) with the
    // stencil reference given to OMSetDepthStencilState.
    static void Apply(const DepthStencilState* state, UINT stencilRef);

  private:
    DepthStencilState(Device* device, const D3D11_DEPTH_STENCIL_DESC& desc) : DeviceChild(device), desc_(desc) {}
    D3D11_DEPTH_STENCIL_DESC desc_;
};

}  // namespace d3d11gl
