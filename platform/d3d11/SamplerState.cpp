// Sampler states: Direct3D filter codes (min/mag/mip bits, anisotropic, comparison) to GL.
#include "SamplerState.h"

#include <algorithm>
#include <cfloat>

#include "DepthStencilState.h"
#include "Device.h"

namespace d3d11gl {

namespace {

// Filter code bits: mip in bits 0-1, mag in bits 2-3, min in bits 4-5 (1 = linear), 0x40
// anisotropic, 0x80 comparison.
bool IsFilter(UINT f)
{
    UINT base = f & ~0x80u;
    if (base == 0x55) return true;  // anisotropic
    return (base & ~0x15u) == 0;
}

bool IsAddress(D3D11_TEXTURE_ADDRESS_MODE m)
{
    return m >= D3D11_TEXTURE_ADDRESS_WRAP && m <= D3D11_TEXTURE_ADDRESS_MIRROR_ONCE;
}

GLenum GlAddress(D3D11_TEXTURE_ADDRESS_MODE m)
{
    switch (m) {
    case D3D11_TEXTURE_ADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3D11_TEXTURE_ADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3D11_TEXTURE_ADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3D11_TEXTURE_ADDRESS_MIRROR_ONCE: return GL_MIRROR_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
    }
}

}  // namespace

D3D11_SAMPLER_DESC SamplerState::DefaultDesc()
{
    D3D11_SAMPLER_DESC d{};
    d.Filter = D3D11_FILTER_MIN_MAG_MIP_LINEAR;
    d.AddressU = d.AddressV = d.AddressW = D3D11_TEXTURE_ADDRESS_CLAMP;
    d.MaxAnisotropy = 1;
    d.ComparisonFunc = D3D11_COMPARISON_NEVER;
    d.BorderColor[0] = d.BorderColor[1] = d.BorderColor[2] = d.BorderColor[3] = 1.0f;
    d.MinLOD = -FLT_MAX;
    d.MaxLOD = FLT_MAX;
    return d;
}

HRESULT SamplerState::Create(Device* device, const D3D11_SAMPLER_DESC& desc, SamplerState** out)
{
    if (!IsFilter(desc.Filter) || !IsAddress(desc.AddressU) || !IsAddress(desc.AddressV) || !IsAddress(desc.AddressW))
        return E_INVALIDARG;
    if (desc.MaxAnisotropy > 16) return E_INVALIDARG;
    if ((desc.Filter & 0x40) && desc.MaxAnisotropy < 1) return E_INVALIDARG;
    if ((desc.Filter & 0x80) &&
        (desc.ComparisonFunc < D3D11_COMPARISON_NEVER || desc.ComparisonFunc > D3D11_COMPARISON_ALWAYS))
        return E_INVALIDARG;
    if (!(desc.MipLODBias >= -16.0f && desc.MipLODBias <= 15.99f)) return E_INVALIDARG;
    if (desc.MinLOD != desc.MinLOD || desc.MaxLOD != desc.MaxLOD) return E_INVALIDARG;  // NaN
    if (!out) return S_FALSE;
    if (!device->MakeCurrent()) return DXGI_ERROR_DEVICE_REMOVED;
    *out = new SamplerState(device, desc);
    return S_OK;
}

SamplerState::SamplerState(Device* device, const D3D11_SAMPLER_DESC& desc)
    : DeviceChild(device), desc_(desc), name_(MakeGlSampler(desc, device->MaxAnisotropy()))
{
}

GLuint MakeGlSampler(const D3D11_SAMPLER_DESC& desc, float maxAnisotropy)
{
    GLuint name = 0;
    glCreateSamplers(1, &name);
    NoteGlCreated();
    const UINT f = desc.Filter;
    const bool anisotropic = (f & 0x40) != 0;
    const bool minLinear = anisotropic || (f & 0x10);
    const bool magLinear = anisotropic || (f & 0x04);
    const bool mipLinear = anisotropic || (f & 0x01);
    GLenum minFilter = minLinear ? (mipLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST)
                                 : (mipLinear ? GL_NEAREST_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST);
    glSamplerParameteri(name, GL_TEXTURE_MIN_FILTER, minFilter);
    glSamplerParameteri(name, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
    if (anisotropic && maxAnisotropy > 1.0f)
        glSamplerParameterf(name, GL_TEXTURE_MAX_ANISOTROPY_EXT, std::min(float(desc.MaxAnisotropy), maxAnisotropy));
    glSamplerParameteri(name, GL_TEXTURE_WRAP_S, GlAddress(desc.AddressU));
    glSamplerParameteri(name, GL_TEXTURE_WRAP_T, GlAddress(desc.AddressV));
    glSamplerParameteri(name, GL_TEXTURE_WRAP_R, GlAddress(desc.AddressW));
    glSamplerParameterf(name, GL_TEXTURE_LOD_BIAS, desc.MipLODBias);
    glSamplerParameterf(name, GL_TEXTURE_MIN_LOD, desc.MinLOD);
    glSamplerParameterf(name, GL_TEXTURE_MAX_LOD, desc.MaxLOD);
    glSamplerParameterfv(name, GL_TEXTURE_BORDER_COLOR, desc.BorderColor);
    if (f & 0x80) {
        glSamplerParameteri(name, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
        glSamplerParameteri(name, GL_TEXTURE_COMPARE_FUNC, GlComparison(desc.ComparisonFunc));
    }
    return name;
}

SamplerState::~SamplerState()
{
    if (OwnerDevice()->MakeCurrent()) glDeleteSamplers(1, &name_);
    NoteGlDeleted();
}

}  // namespace d3d11gl
