// Sampler states: Direct3D filter codes (min/mag/mip bits, anisotropic, comparison) to GL.
#include "SamplerState.h"

#include <algorithm>
#include <cfloat>

#include "DebugLog.h"
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

bool IsAddress(uint32_t m)
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
    const char* call = "CreateSamplerState";
    if (!IsFilter(Raw(desc.Filter))) return Refuse(device, call, "Filter 0x%X is not a D3D11_FILTER", Raw(desc.Filter));
    const struct {
        const char* name;
        uint32_t mode;
    } addresses[] = {
        {"AddressU", Raw(desc.AddressU)}, {"AddressV", Raw(desc.AddressV)}, {"AddressW", Raw(desc.AddressW)}};
    for (const auto& address : addresses)
        if (!IsAddress(address.mode))
            return Refuse(device, call, "%s %u is not a D3D11_TEXTURE_ADDRESS_MODE", address.name, address.mode);
    if (desc.MaxAnisotropy > 16) return Refuse(device, call, "MaxAnisotropy is %u; the most is 16", desc.MaxAnisotropy);
    if ((desc.Filter & 0x40) && desc.MaxAnisotropy < 1)
        return Refuse(device, call, "MaxAnisotropy is 0 with anisotropic Filter 0x%X", Raw(desc.Filter));
    if ((Raw(desc.Filter) & 0x80) &&
        (Raw(desc.ComparisonFunc) < D3D11_COMPARISON_NEVER || Raw(desc.ComparisonFunc) > D3D11_COMPARISON_ALWAYS))
        return Refuse(device, call, "ComparisonFunc %u is not a D3D11_COMPARISON_FUNC (comparison Filter 0x%X)",
                      Raw(desc.ComparisonFunc), Raw(desc.Filter));
    if (!(desc.MipLODBias >= -16.0f && desc.MipLODBias <= 15.99f))
        return Refuse(device, call, "MipLODBias %g is outside -16..15.99", double(desc.MipLODBias));
    if (desc.MinLOD != desc.MinLOD || desc.MaxLOD != desc.MaxLOD)  // NaN
        return Refuse(device, call, "MinLOD %g, MaxLOD %g: neither may be NaN", double(desc.MinLOD),
                      double(desc.MaxLOD));
    if (!out) return S_FALSE;
    if (!device->MakeCurrent()) return RefuseWith(DXGI_ERROR_DEVICE_REMOVED, device, call, "the device is lost");
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
