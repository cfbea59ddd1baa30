// Blend states: validation as Direct3D does it, and glBlendFuncSeparatei & co. per render target.
#include "BlendState.h"

#include <epoxy/gl.h>

#include "DebugLog.h"
#include "Device.h"

namespace d3d11gl {

namespace {

bool IsBlend(uint32_t blend)
{
    return (blend >= D3D11_BLEND_ZERO && blend <= D3D11_BLEND_SRC_ALPHA_SAT) ||
           (blend >= D3D11_BLEND_BLEND_FACTOR && blend <= D3D11_BLEND_INV_SRC1_ALPHA);
}

// Alpha factors cannot name a colour.
bool IsAlphaBlend(uint32_t blend)
{
    switch (blend) {
    case D3D11_BLEND_SRC_COLOR:
    case D3D11_BLEND_INV_SRC_COLOR:
    case D3D11_BLEND_DEST_COLOR:
    case D3D11_BLEND_INV_DEST_COLOR:
    case D3D11_BLEND_SRC1_COLOR:
    case D3D11_BLEND_INV_SRC1_COLOR: return false;
    default: return IsBlend(blend);
    }
}

bool IsBlendOp(uint32_t op)
{
    return op >= D3D11_BLEND_OP_ADD && op <= D3D11_BLEND_OP_MAX;
}

// A field of a description that validation rejected: its name, its value and what it must be.
struct InvalidField {
    const char* name = nullptr;
    uint32_t value = 0;
    const char* mustBe = nullptr;
};

// The first factor or operation of a blending target that Direct3D rejects (name nullptr: none).
InvalidField FindInvalidField(const D3D11_RENDER_TARGET_BLEND_DESC& rt)
{
    const struct {
        InvalidField field;
        bool valid;
    } fields[] = {{{"SrcBlend", Raw(rt.SrcBlend), "a D3D11_BLEND"}, IsBlend(Raw(rt.SrcBlend))},
                  {{"DestBlend", Raw(rt.DestBlend), "a D3D11_BLEND"}, IsBlend(Raw(rt.DestBlend))},
                  {{"BlendOp", Raw(rt.BlendOp), "a D3D11_BLEND_OP"}, IsBlendOp(Raw(rt.BlendOp))},
                  {{"SrcBlendAlpha", Raw(rt.SrcBlendAlpha), "a D3D11_BLEND that names no colour"},
                   IsAlphaBlend(Raw(rt.SrcBlendAlpha))},
                  {{"DestBlendAlpha", Raw(rt.DestBlendAlpha), "a D3D11_BLEND that names no colour"},
                   IsAlphaBlend(Raw(rt.DestBlendAlpha))},
                  {{"BlendOpAlpha", Raw(rt.BlendOpAlpha), "a D3D11_BLEND_OP"}, IsBlendOp(Raw(rt.BlendOpAlpha))}};
    for (const auto& entry : fields)
        if (!entry.valid) return entry.field;
    return {};
}

GLenum GlBlend(D3D11_BLEND blend)
{
    switch (blend) {
    case D3D11_BLEND_ZERO: return GL_ZERO;
    case D3D11_BLEND_ONE: return GL_ONE;
    case D3D11_BLEND_SRC_COLOR: return GL_SRC_COLOR;
    case D3D11_BLEND_INV_SRC_COLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3D11_BLEND_SRC_ALPHA: return GL_SRC_ALPHA;
    case D3D11_BLEND_INV_SRC_ALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3D11_BLEND_DEST_ALPHA: return GL_DST_ALPHA;
    case D3D11_BLEND_INV_DEST_ALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3D11_BLEND_DEST_COLOR: return GL_DST_COLOR;
    case D3D11_BLEND_INV_DEST_COLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3D11_BLEND_SRC_ALPHA_SAT: return GL_SRC_ALPHA_SATURATE;
    case D3D11_BLEND_BLEND_FACTOR: return GL_CONSTANT_COLOR;
    case D3D11_BLEND_INV_BLEND_FACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    case D3D11_BLEND_SRC1_COLOR: return GL_SRC1_COLOR;
    case D3D11_BLEND_INV_SRC1_COLOR: return GL_ONE_MINUS_SRC1_COLOR;
    case D3D11_BLEND_SRC1_ALPHA: return GL_SRC1_ALPHA;
    case D3D11_BLEND_INV_SRC1_ALPHA: return GL_ONE_MINUS_SRC1_ALPHA;
    }
    return GL_ONE;
}

// The blend factor is one colour in Direct3D; as an alpha factor it means its alpha.
GLenum GlAlphaBlend(D3D11_BLEND blend)
{
    if (blend == D3D11_BLEND_BLEND_FACTOR) return GL_CONSTANT_ALPHA;
    if (blend == D3D11_BLEND_INV_BLEND_FACTOR) return GL_ONE_MINUS_CONSTANT_ALPHA;
    return GlBlend(blend);
}

GLenum GlBlendOp(D3D11_BLEND_OP op)
{
    switch (op) {
    case D3D11_BLEND_OP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3D11_BLEND_OP_REV_SUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3D11_BLEND_OP_MIN: return GL_MIN;
    case D3D11_BLEND_OP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

const D3D11_RENDER_TARGET_BLEND_DESC DefaultTarget = {
    FALSE,           D3D11_BLEND_ONE,  D3D11_BLEND_ZERO,   D3D11_BLEND_OP_ADD,
    D3D11_BLEND_ONE, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};

}  // namespace

HRESULT BlendState::Create(Device* device, const D3D11_BLEND_DESC& desc, BlendState** out)
{
    const int targets = desc.IndependentBlendEnable ? 8 : 1;
    for (int i = 0; i < targets; ++i) {
        const D3D11_RENDER_TARGET_BLEND_DESC& rt = desc.RenderTarget[i];
        if (rt.RenderTargetWriteMask > D3D11_COLOR_WRITE_ENABLE_ALL)
            return Refuse(device, "CreateBlendState", "RenderTarget[%d].RenderTargetWriteMask 0x%X holds unknown bits",
                          i, unsigned(rt.RenderTargetWriteMask));
        // Factors and operations are only looked at when blending is on.
        if (!rt.BlendEnable) continue;
        if (const InvalidField bad = FindInvalidField(rt); bad.name)
            return Refuse(device, "CreateBlendState", "RenderTarget[%d].%s is %u, not %s", i, bad.name, bad.value,
                          bad.mustBe);
    }
    if (!out) return S_FALSE;
    *out = new BlendState(device, desc);
    return S_OK;
}

void BlendState::Apply(const BlendState* state, const FLOAT factor[4], UINT sampleMask, bool pixelShaderBound)
{
    const bool independent = state && state->desc_.IndependentBlendEnable;
    for (GLuint i = 0; i < 8; ++i) {
        const D3D11_RENDER_TARGET_BLEND_DESC& rt =
            state ? state->desc_.RenderTarget[independent ? i : 0] : DefaultTarget;
        if (rt.BlendEnable) {
            glEnablei(GL_BLEND, i);
            glBlendFuncSeparatei(i, GlBlend(rt.SrcBlend), GlBlend(rt.DestBlend), GlAlphaBlend(rt.SrcBlendAlpha),
                                 GlAlphaBlend(rt.DestBlendAlpha));
            glBlendEquationSeparatei(i, GlBlendOp(rt.BlendOp), GlBlendOp(rt.BlendOpAlpha));
        } else {
            glDisablei(GL_BLEND, i);
        }
        UINT mask = pixelShaderBound ? rt.RenderTargetWriteMask : 0;
        glColorMaski(i, (mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);
    }
    glBlendColor(factor[0], factor[1], factor[2], factor[3]);
    if (state && state->desc_.AlphaToCoverageEnable)
        glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE);
    else
        glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE);
    if (sampleMask != 0xffffffff) {
        glEnable(GL_SAMPLE_MASK);
        glSampleMaski(0, sampleMask);
    } else {
        glDisable(GL_SAMPLE_MASK);
    }
}

}  // namespace d3d11gl
