// Draw calls: the dirty state is pushed to GL here, once per change, and the per-draw path
// (constant-buffer ranges, vertex input) only compares a few numbers and allocates nothing.
#include <bit>

#include "BlendState.h"
#include "Buffer.h"
#include "DebugLog.h"
#include "DepthStencilState.h"
#include "Device.h"
#include "DeviceContext.h"
#include "Formats.h"
#include "InputLayout.h"
#include "RasterizerState.h"
#include "SamplerState.h"
#include "Shaders.h"
#include "TestHooksInternal.h"
#include "Texture2D.h"
#include "Views.h"

namespace d3d11gl {

using platform::ShaderStage;
using platform_test::Call;

void DeviceContext::ApplyTargets()
{
    GLenum drawBuffers[RtSlots];
    targetHeight_ = 0;
    for (int i = 0; i < RtSlots; ++i) {
        RenderTargetView* view = renderTargets_[i];
        glNamedFramebufferTexture(framebuffer_, GL_COLOR_ATTACHMENT0 + i, view ? view->Texture().Name() : 0,
                                  view ? view->Level() : 0);
        drawBuffers[i] = view ? GL_COLOR_ATTACHMENT0 + i : GL_NONE;
        if (view && !targetHeight_) targetHeight_ = view->Texture().LevelHeight(view->Level());
    }
    glNamedFramebufferDrawBuffers(framebuffer_, RtSlots, drawBuffers);
    glNamedFramebufferTexture(framebuffer_, GL_DEPTH_STENCIL_ATTACHMENT, 0, 0);
    if (depthStencil_) {
        glNamedFramebufferTexture(framebuffer_, depthStencil_->Attachment(), depthStencil_->Texture().Name(),
                                  depthStencil_->Level());
        if (!targetHeight_) targetHeight_ = depthStencil_->Texture().LevelHeight(depthStencil_->Level());
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
}

// Direct3D's viewport is measured from the target's top-left corner, GL's from its bottom-left.
void DeviceContext::ApplyViewports()
{
    if (viewportCount_ == 0) {
        glViewportIndexedf(0, 0, 0, 0, 0);
        return;
    }
    for (UINT i = 0; i < viewportCount_; ++i) {
        const D3D11_VIEWPORT& v = viewports_[i];
        glViewportIndexedf(i, v.TopLeftX, float(targetHeight_) - (v.TopLeftY + v.Height), v.Width, v.Height);
        glDepthRangeIndexed(i, v.MinDepth, v.MaxDepth);
    }
}

void DeviceContext::ApplyShaders()
{
    const GLuint programs[StageCount] = {vs_ ? vs_->Program().program : 0, gs_ ? gs_->Program().program : 0,
                                         ps_ ? ps_->Program().program : 0};
    const GLbitfield bits[StageCount] = {GL_VERTEX_SHADER_BIT, GL_GEOMETRY_SHADER_BIT, GL_FRAGMENT_SHADER_BIT};
    for (int s = 0; s < StageCount; ++s) {
        if (appliedPrograms_[s] == programs[s]) continue;
        glUseProgramStages(pipeline_, bits[s], programs[s]);
        appliedPrograms_[s] = programs[s];
    }
}

void DeviceContext::ApplyConstantBuffers()
{
    for (int s = 0; s < StageCount; ++s) {
        for (uint32_t mask = constantBufferMask_[s]; mask; mask &= mask - 1) {
            const int slot = std::countr_zero(mask);
            Buffer* buffer = constantBuffers_[s][slot];
            AppliedRange want;
            if (buffer) want = {buffer->Name(), buffer->Offset(), GLsizeiptr(buffer->Desc().ByteWidth)};
            AppliedRange& have = appliedConstantBuffers_[s][slot];
            if (have.name == want.name && have.offset == want.offset && have.size == want.size) continue;
            const GLuint binding = platform::ConstantBufferBinding(ShaderStage(s), slot);
            if (want.name)
                glBindBufferRange(GL_UNIFORM_BUFFER, binding, want.name, want.offset, want.size);
            else
                glBindBufferBase(GL_UNIFORM_BUFFER, binding, 0);
            have = want;
            if (!buffer) constantBufferMask_[s] &= ~(1u << slot);
        }
    }
}

void DeviceContext::ApplyTextures()
{
    for (int slot = 0; slot < SrvSlots; ++slot) {
        GLuint name = psResources_[slot] ? psResources_[slot]->Name() : 0;
        if (appliedTextures_[slot] == name) continue;
        glBindTextureUnit(platform::TextureUnit(ShaderStage::Pixel, slot), name);
        appliedTextures_[slot] = name;
    }
}

// Each texture the pixel shader samples gets the sampler object of the slot it is paired with;
// units without a pairing keep Direct3D's default sampler.
void DeviceContext::ApplySamplers()
{
    GLuint want[SrvSlots];
    std::fill_n(want, SrvSlots, defaultSampler_);
    if (ps_)
        for (const platform::CombinedSampler& c : ps_->Program().samplers)
            if (c.textureSlot < SrvSlots && c.samplerSlot < SamplerSlots && psSamplers_[c.samplerSlot])
                want[c.textureSlot] = psSamplers_[c.samplerSlot]->Name();
    for (int slot = 0; slot < SrvSlots; ++slot) {
        if (psResources_[slot] && psResources_[slot]->Texture().Format().Integer())
            want[slot] = 0;  // a sampler object's filter would override the texture's NEAREST
        if (appliedSamplers_[slot] == want[slot]) continue;
        glBindSampler(platform::TextureUnit(ShaderStage::Pixel, slot), want[slot]);
        appliedSamplers_[slot] = want[slot];
    }
}

bool DeviceContext::ApplyVertexInput()
{
    const GLuint indexName = indexBuffer_ ? indexBuffer_->Name() : 0;
    GLuint vertexArray = emptyVertexArray_;
    if (layout_) {
        vertexArray = layout_->VertexArray();
        const bool resync = layout_->attachedGeneration != vertexInputGeneration_;
        for (uint32_t mask = layout_->UsedSlots(); mask; mask &= mask - 1) {
            const int slot = std::countr_zero(mask);
            const VertexBinding& binding = vertexBuffers_[slot];
            InputLayout::SlotBinding want;
            if (binding.buffer)
                want = {binding.buffer->Name(), binding.buffer->Offset() + GLintptr(binding.offset),
                        GLsizei(binding.stride)};
            InputLayout::SlotBinding& have = layout_->attached[slot];
            if (!resync && have.buffer == want.buffer && have.offset == want.offset && have.stride == want.stride)
                continue;
            glVertexArrayVertexBuffer(vertexArray, slot, want.buffer, want.offset, want.stride);
            have = want;
        }
        if (resync || layout_->attachedIndexBuffer != indexName) {
            glVertexArrayElementBuffer(vertexArray, indexName);
            layout_->attachedIndexBuffer = indexName;
        }
        layout_->attachedGeneration = vertexInputGeneration_;
    } else if (emptyVertexArrayIndexBuffer_ != indexName || boundVertexArray_ == Stale) {
        glVertexArrayElementBuffer(vertexArray, indexName);
        emptyVertexArrayIndexBuffer_ = indexName;
    }
    if (boundVertexArray_ != vertexArray) {
        glBindVertexArray(vertexArray);
        boundVertexArray_ = vertexArray;
    }
    return true;
}

GLenum DeviceContext::DrawMode() const
{
    switch (topology_) {
    case D3D11_PRIMITIVE_TOPOLOGY_POINTLIST: return GL_POINTS;
    case D3D11_PRIMITIVE_TOPOLOGY_LINELIST: return GL_LINES;
    case D3D11_PRIMITIVE_TOPOLOGY_LINESTRIP: return GL_LINE_STRIP;
    case D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST: return GL_TRIANGLES;
    case D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3D11_PRIMITIVE_TOPOLOGY_LINELIST_ADJ: return GL_LINES_ADJACENCY;
    case D3D11_PRIMITIVE_TOPOLOGY_LINESTRIP_ADJ: return GL_LINE_STRIP_ADJACENCY;
    case D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST_ADJ: return GL_TRIANGLES_ADJACENCY;
    case D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP_ADJ: return GL_TRIANGLE_STRIP_ADJACENCY;
    default: return GL_NONE;
    }
}

// False when nothing can be drawn: no vertex shader, no topology, or a lost context.
bool DeviceContext::PrepareDraw()
{
    if (!vs_ || DrawMode() == GL_NONE || !device_->MakeCurrent()) return false;
    if (dirty_) {
        if (dirty_ & DirtyTargets) ApplyTargets();
        if (dirty_ & DirtyViewports) ApplyViewports();
        if (dirty_ & DirtyShaders) ApplyShaders();
        if (dirty_ & DirtyBlend) BlendState::Apply(blend_, blendFactor_, sampleMask_, ps_ != nullptr);
        if (dirty_ & DirtyDepthStencil) DepthStencilState::Apply(depthStencilState_, stencilRef_);
        if (dirty_ & DirtyRasterizer) RasterizerState::Apply(rasterizer_);
        if (dirty_ & DirtyTextures) ApplyTextures();
        if (dirty_ & (DirtySamplers | DirtyTextures)) ApplySamplers();
        dirty_ = 0;
    }
    ApplyConstantBuffers();
    return ApplyVertexInput();
}

void DeviceContext::DrawIndexed(UINT IndexCount, UINT StartIndexLocation, INT BaseVertexLocation)
{
    LogCall(Call::DrawIndexed, IndexCount, StartIndexLocation, uint64_t(int64_t(BaseVertexLocation)));
    const unsigned indexSize = IndexSize(indexFormat_);
    if (!indexBuffer_) return Ignore(device_, "DrawIndexed", "no index buffer is bound");
    if (!indexSize)
        return Ignore(device_, "DrawIndexed", "the index buffer's Format %d is not R16_UINT or R32_UINT",
                      int(indexFormat_));
    if (IndexCount == 0 || !PrepareDraw()) return;
    const GLintptr offset = indexBuffer_->Offset() + indexOffset_ + GLintptr(StartIndexLocation) * indexSize;
    glDrawElementsBaseVertex(DrawMode(), GLsizei(IndexCount), indexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                             reinterpret_cast<const void*>(offset), BaseVertexLocation);
}

void DeviceContext::Draw(UINT VertexCount, UINT StartVertexLocation)
{
    LogCall(Call::Draw, VertexCount, StartVertexLocation);
    if (VertexCount == 0 || !PrepareDraw()) return;
    glDrawArrays(DrawMode(), GLint(StartVertexLocation), GLsizei(VertexCount));
}

}  // namespace d3d11gl
