// ID3D11BlendState and how it becomes GL blend equations, factors and colour masks.
#pragma once

#include "LayerObject.h"

namespace d3d11gl {

class BlendState final : public DeviceChild<ID3D11BlendState> {
  public:
    static HRESULT Create(Device* device, const D3D11_BLEND_DESC& desc, BlendState** out);
    void GetDesc(D3D11_BLEND_DESC* pDesc) override { *pDesc = desc_; }

    // Applies `state` (null: Direct3D's default, no blending and every channel written) with the
    // blend factor and sample mask of OMSetBlendState. Without a pixel shader nothing is written
    // to the render targets, as in Direct3D.
    static void Apply(const BlendState* state, const FLOAT factor[4], UINT sampleMask, bool pixelShaderBound);

  private:
    BlendState(Device* device, const D3D11_BLEND_DESC& desc) : DeviceChild(device), desc_(desc) {}
    D3D11_BLEND_DESC desc_;
};

}  // namespace d3d11gl
