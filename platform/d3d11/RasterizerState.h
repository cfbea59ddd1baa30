// ID3D11RasterizerState and how it becomes GL culling, winding, fill, depth clamp and bias.
#pragma once

#include "LayerObject.h"

namespace d3d11gl {

class RasterizerState final : public DeviceChild<ID3D11RasterizerState> {
  public:
    static HRESULT Create(Device* device, const D3D11_RASTERIZER_DESC& desc, RasterizerState** out);
    void GetDesc(D3D11_RASTERIZER_DESC* pDesc) override { *pDesc = desc_; }

    // Applies `state` (null: Direct3D's default, solid, back faces culled, clockwise in front,
    // depth clipping on).
    static void Apply(const RasterizerState* state);

  private:
    RasterizerState(Device* device, const D3D11_RASTERIZER_DESC& desc) : DeviceChild(device), desc_(desc) {}
    D3D11_RASTERIZER_DESC desc_;
};

}  // namespace d3d11gl
