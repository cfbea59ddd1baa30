// Rasterizer states. GL renders the picture the same way up as Direct3D (only the order of rows in
// memory differs, see Texture2D.h), so Direct3D's "clockwise on screen is front" is glFrontFace(GL_CW).
#include "RasterizerState.h"

#include <epoxy/gl.h>

#include "DebugLog.h"
#include "Device.h"

namespace d3d11gl {

HRESULT RasterizerState::Create(Device* device, const D3D11_RASTERIZER_DESC& desc, RasterizerState** out)
{
    const char* call = "CreateRasterizerState";
    if (Raw(desc.FillMode) != D3D11_FILL_SOLID && Raw(desc.FillMode) != D3D11_FILL_WIREFRAME)
        return Refuse(device, call, "FillMode %u is neither SOLID nor WIREFRAME", Raw(desc.FillMode));
    if (Raw(desc.CullMode) < D3D11_CULL_NONE || Raw(desc.CullMode) > D3D11_CULL_BACK)
        return Refuse(device, call, "CullMode %u is not NONE, FRONT or BACK", Raw(desc.CullMode));
    if (!out) return S_FALSE;
    *out = new RasterizerState(device, desc);
    return S_OK;
}

void RasterizerState::Apply(const RasterizerState* state)
{
    static const D3D11_RASTERIZER_DESC Default = {
        D3D11_FILL_SOLID, D3D11_CULL_BACK, FALSE, 0, 0.0f, 0.0f, TRUE, FALSE, FALSE, FALSE};
    const D3D11_RASTERIZER_DESC& d = state ? state->desc_ : Default;
    glPolygonMode(GL_FRONT_AND_BACK, d.FillMode == D3D11_FILL_WIREFRAME ? GL_LINE : GL_FILL);
    if (d.CullMode == D3D11_CULL_NONE) {
        glDisable(GL_CULL_FACE);
    } else {
        glEnable(GL_CULL_FACE);
        glCullFace(d.CullMode == D3D11_CULL_FRONT ? GL_FRONT : GL_BACK);
    }
    glFrontFace(d.FrontCounterClockwise ? GL_CCW : GL_CW);
    // Without depth clipping Direct3D clamps depth instead of clipping against near and far.
    if (d.DepthClipEnable)
        glDisable(GL_DEPTH_CLAMP);
    else
        glEnable(GL_DEPTH_CLAMP);
    if (d.DepthBias != 0 || d.SlopeScaledDepthBias != 0.0f) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glEnable(GL_POLYGON_OFFSET_LINE);
        static const bool hasClamp = epoxy_gl_version() >= 46 || epoxy_has_gl_extension("GL_ARB_polygon_offset_clamp");
        if (hasClamp)
            glPolygonOffsetClamp(d.SlopeScaledDepthBias, float(d.DepthBias), d.DepthBiasClamp);
        else
            glPolygonOffset(d.SlopeScaledDepthBias, float(d.DepthBias));
    } else {
        glDisable(GL_POLYGON_OFFSET_FILL);
        glDisable(GL_POLYGON_OFFSET_LINE);
    }
    // The layer has no scissor rectangles (RSSetScissorRects is not provided), so scissoring stays off.
    glDisable(GL_SCISSOR_TEST);
    if (d.MultisampleEnable)
        glEnable(GL_MULTISAMPLE);
    else
        glDisable(GL_MULTISAMPLE);
    if (d.AntialiasedLineEnable)
        glEnable(GL_LINE_SMOOTH);
    else
        glDisable(GL_LINE_SMOOTH);
}

}  // namespace d3d11gl
