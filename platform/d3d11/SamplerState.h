// ID3D11SamplerState: a GL sampler object with Direct3D's filter, address, LOD and border settings.
#pragma once

#include <epoxy/gl.h>

#include "LayerObject.h"

namespace d3d11gl {

// A GL sampler object with the settings of `desc` (counted as a live GL object).
GLuint MakeGlSampler(const D3D11_SAMPLER_DESC& desc, float maxAnisotropy);

class SamplerState final : public DeviceChild<ID3D11SamplerState> {
  public:
    static HRESULT Create(Device* device, const D3D11_SAMPLER_DESC& desc, SamplerState** out);
    void GetDesc(D3D11_SAMPLER_DESC* pDesc) override { *pDesc = desc_; }
    GLuint Name() const { return name_; }

    // Direct3D's default sampler (trilinear, clamp), used where a slot holds no sampler.
    static D3D11_SAMPLER_DESC DefaultDesc();

  private:
    SamplerState(Device* device, const D3D11_SAMPLER_DESC& desc);
    ~SamplerState() override;
    D3D11_SAMPLER_DESC desc_;
    GLuint name_ = 0;
};

}  // namespace d3d11gl
