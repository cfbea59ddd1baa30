// Depth-stencil states. Direct3D's INCR/DECR wrap (GL_INCR_WRAP/GL_DECR_WRAP) while INCR_SAT/
// DECR_SAT saturate (GL_INCR/GL_DECR); front and back faces have their own operations.
#include "DepthStencilState.h"

#include <epoxy/gl.h>

#include "DebugLog.h"
#include "Device.h"

namespace d3d11gl {

namespace {

bool IsComparison(uint32_t f)
{
    return f >= D3D11_COMPARISON_NEVER && f <= D3D11_COMPARISON_ALWAYS;
}
bool IsStencilOp(uint32_t op)
{
    return op >= D3D11_STENCIL_OP_KEEP && op <= D3D11_STENCIL_OP_DECR;
}
// The first field of a face that Direct3D rejects, with its value in `value`; nullptr when all are valid.
const char* InvalidFaceField(const D3D11_DEPTH_STENCILOP_DESC& face, uint32_t* value)
{
    const struct {
        const char* name;
        uint32_t value;
        bool valid;
    } fields[] = {{"StencilFailOp", Raw(face.StencilFailOp), IsStencilOp(Raw(face.StencilFailOp))},
                  {"StencilDepthFailOp", Raw(face.StencilDepthFailOp), IsStencilOp(Raw(face.StencilDepthFailOp))},
                  {"StencilPassOp", Raw(face.StencilPassOp), IsStencilOp(Raw(face.StencilPassOp))},
                  {"StencilFunc", Raw(face.StencilFunc), IsComparison(Raw(face.StencilFunc))}};
    for (const auto& field : fields)
        if (!field.valid) {
            *value = field.value;
            return field.name;
        }
    return nullptr;
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
    const char* call = "CreateDepthStencilState";
    if (desc.DepthEnable && !IsComparison(Raw(desc.DepthFunc)))
        return Refuse(device, call, "DepthFunc %u is not a D3D11_COMPARISON_FUNC", Raw(desc.DepthFunc));
    if (desc.DepthEnable && Raw(desc.DepthWriteMask) > D3D11_DEPTH_WRITE_MASK_ALL)
        return Refuse(device, call, "DepthWriteMask %u is neither ZERO nor ALL", Raw(desc.DepthWriteMask));
    uint32_t value = 0;
    if (const char* field = desc.StencilEnable ? InvalidFaceField(desc.FrontFace, &value) : nullptr)
        return Refuse(device, call, "FrontFace.%s is %u, out of range", field, value);
    if (const char* field = desc.StencilEnable ? InvalidFaceField(desc.BackFace, &value) : nullptr)
        return Refuse(device, call, "BackFace.%s is %u, out of range", field, value);
    if (!out) return S_FALSE;
    *out = new DepthStencilState(device, desc);
    return S_OK;
}

void DepthStencilState::Apply(const DepthStencilState* state, UINT stencilRef)
{
    static const D3D11_DEPTH_STENCILOP_DESC KeepAlways = {D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_KEEP,
                                                          D3D11_STENCIL_OP_KEEP, D3D11_COMPARISON_ALWAYS};
    static const D3D11_DEPTH_STENCIL_DESC Default = {TRUE,
                                                     D3D11_DEPTH_WRITE_MASK_ALL,
                                                     D3D11_COMPARISON_LESS,
                                                     FALSE,
                                                     D3D11_DEFAULT_STENCIL_READ_MASK,
                                                     D3D11_DEFAULT_STENCIL_WRITE_MASK,
                                                     KeepAlways,
                                                     KeepAlways};
    const D3D11_DEPTH_STENCIL_DESC& d = state ? state->desc_ : Default;
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
