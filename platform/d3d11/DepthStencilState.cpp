// Depth-stencil states. Direct3D's INCR/DECR wrap (GL_INCR_WRAP/GL_DECR_WRAP) while INCR_SAT/
// DECR_SAT saturate (GL_INCR/GL_DECR); front and back faces have their own operations.
#include "DepthStencilState.h"

#include <epoxy/gl.h>

#include "Device.h"

namespace d3d11gl {

namespace {

bool IsComparison(D3D11_COMPARISON_FUNC f) { return f >= D3D11_COMPARISON_NEVER && f <= D3D11_COMPARISON_ALWAYS; }
bool IsStencilOp(D3D11_STENCIL_OP op) { return op >= D3D11_STENCIL_OP_KEEP && op <= D3D11_STENCIL_OP_DECR; }
bool IsFaceValid(const D3D11_DEPTH_STENCILOP_DESC& face)
{
    return IsStencilOp(face.StencilFailOp) && IsStencilOp(face.StencilDepthFailOp) &&
           IsStencilOp(face.StencilPassOp) && IsComparison(face.StencilFunc);
}

GLenum GlStencilOp(D3D11_STENCIL_OP op)
{
    switch (op) {
    case D3D11_STENCIL_OP_ZERO: return GL_ZERO;
    case D3D11_STENCIL_OP_REPLACE: return GL_REPLACE;
    case D3D11_STENCIL_OP_INCR_SAT: return GL_INCR;
    case D3D11_STENCIL_OP_DECR_SAT: return GL_DECR;
    case D3D11_STENCIL_OP_INVERT: return GL_INVERT;
    case D3D11_STENCIL_OP_INCR: return GL_INCR_WRAP;
    case D3D11_STENCIL_OP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
    }
}

void ApplyFace(GLenum face, const D3D11_DEPTH_STENCILOP_DESC& op, UINT ref, UINT readMask)
{
    glStencilFuncSeparate(face, GlComparison(op.StencilFunc), GLint(ref & 0xff), readMask);
    glStencilOpSeparate(face, GlStencilOp(op.StencilFailOp), GlStencilOp(op.StencilDepthFailOp),
                        GlStencilOp(op.StencilPassOp));
}

}  // namespace

GLenum GlComparison(D3D11_COMPARISON_FUNC f)
{
    switch (f) {
    case D3D11_COMPARISON_NEVER: return GL_NEVER;
    case D3D11_COMPARISON_LESS: return GL_LESS;
    case D3D11_COMPARISON_EQUAL: return GL_EQUAL;
    case D3D11_COMPARISON_LESS_EQUAL: return GL_LEQUAL;
    case D3D11_COMPARISON_GREATER: return GL_GREATER;
    case D3D11_COMPARISON_NOT_EQUAL: return GL_NOTEQUAL;
    case D3D11_COMPARISON_GREATER_EQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

HRESULT DepthStencilState::Create(Device* device, const D3D11_DEPTH_STENCIL_DESC& desc, DepthStencilState** out)
{
    // As in Direct3D, the depth fields count only with depth on, the stencil fields only with stencil on.
    if (desc.DepthEnable &&
        (!IsComparison(desc.DepthFunc) || (desc.DepthWriteMask != D3D11_DEPTH_WRITE_MASK_ZERO &&
                                           desc.DepthWriteMask != D3D11_DEPTH_WRITE_MASK_ALL)))
        return E_INVALIDARG;
    if (desc.StencilEnable && (!IsFaceValid(desc.FrontFace) || !IsFaceValid(desc.BackFace))) return E_INVALIDARG;
    if (!out) return S_FALSE;
    *out = new DepthStencilState(device, desc);
    return S_OK;
}

void DepthStencilState::Apply(const DepthStencilState* state, UINT stencilRef)
{
    static const D3D11_DEPTH_STENCILOP_DESC kKeepAlways = {D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_KEEP,
                                                           D3D11_STENCIL_OP_KEEP, D3D11_COMPARISON_ALWAYS};
    static const D3D11_DEPTH_STENCIL_DESC kDefault = {
        TRUE, D3D11_DEPTH_WRITE_MASK_ALL, D3D11_COMPARISON_LESS, FALSE, D3D11_DEFAULT_STENCIL_READ_MASK,
        D3D11_DEFAULT_STENCIL_WRITE_MASK, kKeepAlways, kKeepAlways};
    const D3D11_DEPTH_STENCIL_DESC& d = state ? state->desc_ : kDefault;
    if (d.DepthEnable) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GlComparison(d.DepthFunc));
        glDepthMask(d.DepthWriteMask == D3D11_DEPTH_WRITE_MASK_ALL ? GL_TRUE : GL_FALSE);
    } else {
        glDisable(GL_DEPTH_TEST);
        glDepthMask(GL_FALSE);
    }
    if (d.StencilEnable) {
        glEnable(GL_STENCIL_TEST);
        ApplyFace(GL_FRONT, d.FrontFace, stencilRef, d.StencilReadMask);
        ApplyFace(GL_BACK, d.BackFace, stencilRef, d.StencilReadMask);
        glStencilMask(d.StencilWriteMask);
    } else {
        glDisable(GL_STENCIL_TEST);
        glStencilMask(0);
    }
}

}  // namespace d3d11gl
