// The immediate context's state setters and getters: each keeps one reference per bound object
// and marks what GL must be told at the next draw; setting what is already set costs nothing.
#include "DeviceContext.h"

#include <algorithm>

#include "BlendState.h"
#include "Buffer.h"
#include "DebugLog.h"
#include "DepthStencilState.h"
#include "Device.h"
#include "InputLayout.h"
#include "RasterizerState.h"
#include "SamplerState.h"
#include "Shaders.h"
#include "TestHooksInternal.h"
#include "Views.h"

namespace d3d11gl {

using platform_test::Call;

namespace {

template <class T>
void HandOut(T* object, T** out)
{
    if (object) object->AddRef();
    *out = object;
}

}  // namespace

DeviceContext::DeviceContext(Device* device) : device_(device)
{
    glCreateFramebuffers(1, &framebuffer_);
    glCreateFramebuffers(2, copyFramebuffers_);
    glCreateProgramPipelines(1, &pipeline_);
    glCreateVertexArrays(1, &emptyVertexArray_);
    defaultSampler_ = MakeGlSampler(SamplerState::DefaultDesc(), device->MaxAnisotropy());
    NoteGlCreated(5);
    // A framebuffer without targets still needs a size for draws to be valid.
    glNamedFramebufferParameteri(framebuffer_, GL_FRAMEBUFFER_DEFAULT_WIDTH, 1);
    glNamedFramebufferParameteri(framebuffer_, GL_FRAMEBUFFER_DEFAULT_HEIGHT, 1);
    glBindProgramPipeline(pipeline_);
}

DeviceContext::~DeviceContext()
{
    ClearState();
    if (device_->MakeCurrent()) {
        glDeleteFramebuffers(1, &framebuffer_);
        glDeleteFramebuffers(2, copyFramebuffers_);
        glDeleteProgramPipelines(1, &pipeline_);
        glDeleteVertexArrays(1, &emptyVertexArray_);
        glDeleteSamplers(1, &defaultSampler_);
    }
    NoteGlDeleted(6);
}

// The context's count lives beside the device's: while anybody holds the context, the device stays.
ULONG DeviceContext::AddRef()
{
    if (refs_++ == 0) {
        device_->AddChildRef();
        NoteObjectCreated();
    }
    return refs_;
}

ULONG DeviceContext::Release()
{
    ULONG left = --refs_;
    LogLifetimeCall(platform_test::Call::Release, IdOf(static_cast<ID3D11DeviceContext*>(this)), left);
    if (left == 0) {
        NoteObjectDestroyed();
        device_->ContextReleased();
    }
    return left;
}

HRESULT DeviceContext::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (IsInterfaceOf<ID3D11DeviceContext, ID3D11DeviceChild>(riid)) {
        *ppv = static_cast<ID3D11DeviceContext*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

void DeviceContext::GetDevice(ID3D11Device** ppDevice)
{
    if (!ppDevice) return;
    device_->AddRef();
    *ppDevice = device_;
}

GLuint DeviceContext::CopyFramebuffer(int which)
{
    return copyFramebuffers_[which & 1];
}

// --- Input assembler ------------------------------------------------------------------------

void DeviceContext::IASetInputLayout(ID3D11InputLayout* pInputLayout)
{
    auto* layout = static_cast<InputLayout*>(pInputLayout);
    if (layout == layout_) return;
    AssignRef(layout_, layout);
    boundVertexArray_ = Stale;
}

void DeviceContext::IASetVertexBuffers(UINT StartSlot, UINT NumBuffers, ID3D11Buffer* const* ppVertexBuffers,
                                       const UINT* pStrides, const UINT* pOffsets)
{
    if (StartSlot >= VbSlots || NumBuffers > VbSlots - StartSlot)
        return Ignore(device_, "IASetVertexBuffers", "StartSlot %u and NumBuffers %u pass the last of %d slots",
                      StartSlot, NumBuffers, VbSlots);
    for (UINT i = 0; i < NumBuffers; ++i) {
        VertexBinding& slot = vertexBuffers_[StartSlot + i];
        auto* buffer = ppVertexBuffers ? static_cast<Buffer*>(ppVertexBuffers[i]) : nullptr;
        if (buffer != slot.buffer) ++vertexInputGeneration_;
        AssignRef(slot.buffer, buffer);
        slot.stride = pStrides ? pStrides[i] : 0;
        slot.offset = pOffsets ? pOffsets[i] : 0;
    }
}

void DeviceContext::IASetIndexBuffer(ID3D11Buffer* pIndexBuffer, DXGI_FORMAT Format, UINT Offset)
{
    LogCall(Call::IASetIndexBuffer, IdOf(pIndexBuffer), Format, Offset);
    if (static_cast<Buffer*>(pIndexBuffer) != indexBuffer_) ++vertexInputGeneration_;
    AssignRef(indexBuffer_, static_cast<Buffer*>(pIndexBuffer));
    indexFormat_ = Format;
    indexOffset_ = Offset;
}

void DeviceContext::IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY Topology)
{
    LogCall(Call::IASetPrimitiveTopology, Topology);
    topology_ = Topology;
}

void DeviceContext::IAGetInputLayout(ID3D11InputLayout** ppInputLayout)
{
    if (ppInputLayout) HandOut<ID3D11InputLayout>(layout_, ppInputLayout);
}

void DeviceContext::IAGetVertexBuffers(UINT StartSlot, UINT NumBuffers, ID3D11Buffer** ppVertexBuffers, UINT* pStrides,
                                       UINT* pOffsets)
{
    for (UINT i = 0; i < NumBuffers && StartSlot + i < VbSlots; ++i) {
        const VertexBinding& slot = vertexBuffers_[StartSlot + i];
        if (ppVertexBuffers) HandOut<ID3D11Buffer>(slot.buffer, &ppVertexBuffers[i]);
        if (pStrides) pStrides[i] = slot.stride;
        if (pOffsets) pOffsets[i] = slot.offset;
    }
}

void DeviceContext::IAGetIndexBuffer(ID3D11Buffer** pIndexBuffer, DXGI_FORMAT* Format, UINT* Offset)
{
    if (pIndexBuffer) HandOut<ID3D11Buffer>(indexBuffer_, pIndexBuffer);
    if (Format) *Format = indexFormat_;
    if (Offset) *Offset = indexOffset_;
}

void DeviceContext::IAGetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY* pTopology)
{
    if (pTopology) *pTopology = topology_;
}

// --- Shader stages --------------------------------------------------------------------------

void DeviceContext::VSSetShader(ID3D11VertexShader* pVertexShader, ID3D11ClassInstance* const*, UINT)
{
    LogCall(Call::VSSetShader, IdOf(pVertexShader));
    auto* shader = static_cast<VertexShader*>(pVertexShader);
    if (shader == vs_) return;
    AssignRef(vs_, shader);
    appliedPrograms_[0] = Stale;
    dirty_ |= DirtyShaders;
}

void DeviceContext::GSSetShader(ID3D11GeometryShader* pShader, ID3D11ClassInstance* const*, UINT)
{
    LogCall(Call::GSSetShader, IdOf(pShader));
    auto* shader = static_cast<GeometryShader*>(pShader);
    if (shader == gs_) return;
    AssignRef(gs_, shader);
    appliedPrograms_[1] = Stale;
    dirty_ |= DirtyShaders;
}

void DeviceContext::PSSetShader(ID3D11PixelShader* pPixelShader, ID3D11ClassInstance* const*, UINT)
{
    LogCall(Call::PSSetShader, IdOf(pPixelShader));
    auto* shader = static_cast<PixelShader*>(pPixelShader);
    if (shader == ps_) return;
    // Whether a pixel shader exists decides the colour masks; its samplers decide sampler units.
    if ((shader == nullptr) != (ps_ == nullptr)) dirty_ |= DirtyBlend;
    AssignRef(ps_, shader);
    appliedPrograms_[2] = Stale;
    dirty_ |= DirtyShaders | DirtySamplers;
}

void DeviceContext::VSGetShader(ID3D11VertexShader** ppVertexShader, ID3D11ClassInstance**, UINT* pNumClassInstances)
{
    if (ppVertexShader) HandOut<ID3D11VertexShader>(vs_, ppVertexShader);
    if (pNumClassInstances) *pNumClassInstances = 0;
}

void DeviceContext::GSGetShader(ID3D11GeometryShader** ppGeometryShader, ID3D11ClassInstance**,
                                UINT* pNumClassInstances)
{
    if (ppGeometryShader) HandOut<ID3D11GeometryShader>(gs_, ppGeometryShader);
    if (pNumClassInstances) *pNumClassInstances = 0;
}

void DeviceContext::PSGetShader(ID3D11PixelShader** ppPixelShader, ID3D11ClassInstance**, UINT* pNumClassInstances)
{
    if (ppPixelShader) HandOut<ID3D11PixelShader>(ps_, ppPixelShader);
    if (pNumClassInstances) *pNumClassInstances = 0;
}

void DeviceContext::SetConstantBuffers(int stage, UINT start, UINT count, ID3D11Buffer* const* buffers)
{
    static const char* const Calls[] = {"VSSetConstantBuffers", "GSSetConstantBuffers", "PSSetConstantBuffers"};
    if (start >= CbSlots || count > CbSlots - start)
        return Ignore(device_, Calls[stage], "StartSlot %u and NumBuffers %u pass the last of %d slots", start, count,
                      CbSlots);
    for (UINT i = 0; i < count; ++i) {
        Buffer* buffer = buffers ? static_cast<Buffer*>(buffers[i]) : nullptr;
        if (buffer == constantBuffers_[stage][start + i]) continue;
        AssignRef(constantBuffers_[stage][start + i], buffer);
        appliedConstantBuffers_[stage][start + i].name = Stale;
        // A slot stays in the mask after being emptied until the draw has unbound it in GL.
        constantBufferMask_[stage] |= 1u << (start + i);
    }
}

void DeviceContext::GetConstantBuffers(int stage, UINT start, UINT count, ID3D11Buffer** buffers)
{
    if (!buffers) return;
    for (UINT i = 0; i < count; ++i)
        HandOut<ID3D11Buffer>(start + i < CbSlots ? constantBuffers_[stage][start + i] : nullptr, &buffers[i]);
}

void DeviceContext::VSSetConstantBuffers(UINT s, UINT n, ID3D11Buffer* const* b)
{
    SetConstantBuffers(0, s, n, b);
}
void DeviceContext::GSSetConstantBuffers(UINT s, UINT n, ID3D11Buffer* const* b)
{
    SetConstantBuffers(1, s, n, b);
}
void DeviceContext::PSSetConstantBuffers(UINT s, UINT n, ID3D11Buffer* const* b)
{
    SetConstantBuffers(2, s, n, b);
}
void DeviceContext::VSGetConstantBuffers(UINT s, UINT n, ID3D11Buffer** b)
{
    GetConstantBuffers(0, s, n, b);
}
void DeviceContext::GSGetConstantBuffers(UINT s, UINT n, ID3D11Buffer** b)
{
    GetConstantBuffers(1, s, n, b);
}
void DeviceContext::PSGetConstantBuffers(UINT s, UINT n, ID3D11Buffer** b)
{
    GetConstantBuffers(2, s, n, b);
}

void DeviceContext::PSSetShaderResources(UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView* const* ppViews)
{
    LogCall(Call::PSSetShaderResources, NumViews > 0 && ppViews ? IdOf(ppViews[0]) : 0, StartSlot, NumViews);
    if (StartSlot >= SrvSlots || NumViews > SrvSlots - StartSlot)
        return Ignore(device_, "PSSetShaderResources",
                      "StartSlot %u and NumViews %u pass the last of the %d slots GL gives", StartSlot, NumViews,
                      SrvSlots);
    for (UINT i = 0; i < NumViews; ++i) {
        auto* view = ppViews ? static_cast<ShaderResourceView*>(ppViews[i]) : nullptr;
        if (psResources_[StartSlot + i] == view) continue;
        AssignRef(psResources_[StartSlot + i], view);
        appliedTextures_[StartSlot + i] = Stale;
        dirty_ |= DirtyTextures;
    }
}

void DeviceContext::PSGetShaderResources(UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView** ppViews)
{
    if (!ppViews) return;
    for (UINT i = 0; i < NumViews; ++i)
        HandOut<ID3D11ShaderResourceView>(StartSlot + i < SrvSlots ? psResources_[StartSlot + i] : nullptr,
                                          &ppViews[i]);
}

void DeviceContext::PSSetSamplers(UINT StartSlot, UINT NumSamplers, ID3D11SamplerState* const* ppSamplers)
{
    if (StartSlot >= SamplerSlots || NumSamplers > SamplerSlots - StartSlot)
        return Ignore(device_, "PSSetSamplers", "StartSlot %u and NumSamplers %u pass the last of %d slots", StartSlot,
                      NumSamplers, SamplerSlots);
    for (UINT i = 0; i < NumSamplers; ++i) {
        auto* sampler = ppSamplers ? static_cast<SamplerState*>(ppSamplers[i]) : nullptr;
        if (psSamplers_[StartSlot + i] == sampler) continue;
        AssignRef(psSamplers_[StartSlot + i], sampler);
        std::fill_n(appliedSamplers_, SrvSlots, Stale);
        dirty_ |= DirtySamplers;
    }
}

void DeviceContext::PSGetSamplers(UINT StartSlot, UINT NumSamplers, ID3D11SamplerState** ppSamplers)
{
    if (!ppSamplers) return;
    for (UINT i = 0; i < NumSamplers; ++i)
        HandOut<ID3D11SamplerState>(StartSlot + i < SamplerSlots ? psSamplers_[StartSlot + i] : nullptr,
                                    &ppSamplers[i]);
}

// --- Rasterizer -----------------------------------------------------------------------------

void DeviceContext::RSSetState(ID3D11RasterizerState* pRasterizerState)
{
    auto* state = static_cast<RasterizerState*>(pRasterizerState);
    if (state == rasterizer_) return;
    AssignRef(rasterizer_, state);
    dirty_ |= DirtyRasterizer;
}

void DeviceContext::RSSetViewports(UINT NumViewports, const D3D11_VIEWPORT* pViewports)
{
    if (NumViewports > ViewportSlots)
        return Ignore(device_, "RSSetViewports", "NumViewports %u is more than %d", NumViewports, ViewportSlots);
    if (NumViewports && !pViewports)
        return Ignore(device_, "RSSetViewports", "pViewports is NULL for %u viewports", NumViewports);
    if (NumViewports == viewportCount_ &&
        std::equal(pViewports, pViewports + NumViewports, viewports_, [](const auto& a, const auto& b) {
            return a.TopLeftX == b.TopLeftX && a.TopLeftY == b.TopLeftY && a.Width == b.Width && a.Height == b.Height &&
                   a.MinDepth == b.MinDepth && a.MaxDepth == b.MaxDepth;
        }))
        return;
    std::copy_n(pViewports, NumViewports, viewports_);
    viewportCount_ = NumViewports;
    dirty_ |= DirtyViewports;
}

void DeviceContext::RSGetState(ID3D11RasterizerState** ppRasterizerState)
{
    if (ppRasterizerState) HandOut<ID3D11RasterizerState>(rasterizer_, ppRasterizerState);
}

void DeviceContext::RSGetViewports(UINT* pNumViewports, D3D11_VIEWPORT* pViewports)
{
    if (!pNumViewports) return;
    if (pViewports) std::copy_n(viewports_, std::min(*pNumViewports, viewportCount_), pViewports);
    *pNumViewports = viewportCount_;
}

// --- Output merger --------------------------------------------------------------------------

void DeviceContext::OMSetRenderTargets(UINT NumViews, ID3D11RenderTargetView* const* ppRenderTargetViews,
                                       ID3D11DepthStencilView* pDepthStencilView)
{
    if (NumViews > RtSlots)
        return Ignore(device_, "OMSetRenderTargets", "NumViews %u is more than %d", NumViews, RtSlots);
    bool changed = false;
    for (UINT i = 0; i < RtSlots; ++i) {
        auto* view =
            i < NumViews && ppRenderTargetViews ? static_cast<RenderTargetView*>(ppRenderTargetViews[i]) : nullptr;
        if (renderTargets_[i] == view) continue;
        AssignRef(renderTargets_[i], view);
        changed = true;
    }
    auto* depth = static_cast<DepthStencilView*>(pDepthStencilView);
    if (depth != depthStencil_) {
        AssignRef(depthStencil_, depth);
        changed = true;
    }
    // The viewport's conversion to GL's bottom-left origin depends on the target's height.
    if (changed) dirty_ |= DirtyTargets | DirtyViewports;
}

void DeviceContext::OMSetBlendState(ID3D11BlendState* pBlendState, const FLOAT BlendFactor[4], UINT SampleMask)
{
    static const FLOAT Ones[4] = {1, 1, 1, 1};
    const FLOAT* factor = BlendFactor ? BlendFactor : Ones;
    auto* state = static_cast<BlendState*>(pBlendState);
    if (state == blend_ && SampleMask == sampleMask_ && std::equal(factor, factor + 4, blendFactor_)) return;
    AssignRef(blend_, state);
    std::copy_n(factor, 4, blendFactor_);
    sampleMask_ = SampleMask;
    dirty_ |= DirtyBlend;
}

void DeviceContext::OMSetDepthStencilState(ID3D11DepthStencilState* pDepthStencilState, UINT StencilRef)
{
    auto* state = static_cast<DepthStencilState*>(pDepthStencilState);
    if (state == depthStencilState_ && StencilRef == stencilRef_) return;
    AssignRef(depthStencilState_, state);
    stencilRef_ = StencilRef;
    dirty_ |= DirtyDepthStencil;
}

void DeviceContext::OMGetRenderTargets(UINT NumViews, ID3D11RenderTargetView** ppRenderTargetViews,
                                       ID3D11DepthStencilView** ppDepthStencilView)
{
    if (ppRenderTargetViews)
        for (UINT i = 0; i < NumViews; ++i)
            HandOut<ID3D11RenderTargetView>(i < RtSlots ? renderTargets_[i] : nullptr, &ppRenderTargetViews[i]);
    if (ppDepthStencilView) HandOut<ID3D11DepthStencilView>(depthStencil_, ppDepthStencilView);
}

void DeviceContext::OMGetBlendState(ID3D11BlendState** ppBlendState, FLOAT BlendFactor[4], UINT* pSampleMask)
{
    if (ppBlendState) HandOut<ID3D11BlendState>(blend_, ppBlendState);
    if (BlendFactor) std::copy_n(blendFactor_, 4, BlendFactor);
    if (pSampleMask) *pSampleMask = sampleMask_;
}

void DeviceContext::OMGetDepthStencilState(ID3D11DepthStencilState** ppDepthStencilState, UINT* pStencilRef)
{
    if (ppDepthStencilState) HandOut<ID3D11DepthStencilState>(depthStencilState_, ppDepthStencilState);
    if (pStencilRef) *pStencilRef = stencilRef_;
}

// --- Whole state ----------------------------------------------------------------------------

bool DeviceContext::HasBindings() const
{
    if (layout_ || indexBuffer_ || vs_ || gs_ || ps_ || rasterizer_ || depthStencil_ || blend_ || depthStencilState_)
        return true;
    for (const VertexBinding& b : vertexBuffers_)
        if (b.buffer) return true;
    for (const auto& stage : constantBuffers_)
        for (Buffer* b : stage)
            if (b) return true;
    for (auto* v : psResources_)
        if (v) return true;
    for (auto* s : psSamplers_)
        if (s) return true;
    for (auto* v : renderTargets_)
        if (v) return true;
    return false;
}

void DeviceContext::ClearState()
{
    LogLifetimeCall(Call::ClearState);
    // The unbinding below is not a sequence of program calls: keep it out of the call log.
    const bool logging = CallLogActive;
    CallLogActive = false;
    IASetInputLayout(nullptr);
    ++vertexInputGeneration_;
    for (VertexBinding& b : vertexBuffers_) {
        AssignRef(b.buffer, static_cast<Buffer*>(nullptr));
        b.stride = b.offset = 0;
    }
    AssignRef(indexBuffer_, static_cast<Buffer*>(nullptr));
    indexFormat_ = DXGI_FORMAT_UNKNOWN;
    indexOffset_ = 0;
    topology_ = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;
    VSSetShader(nullptr, nullptr, 0);
    GSSetShader(nullptr, nullptr, 0);
    PSSetShader(nullptr, nullptr, 0);
    for (int stage = 0; stage < StageCount; ++stage) SetConstantBuffers(stage, 0, CbSlots, nullptr);
    PSSetShaderResources(0, SrvSlots, nullptr);
    PSSetSamplers(0, SamplerSlots, nullptr);
    AssignRef(rasterizer_, static_cast<RasterizerState*>(nullptr));
    viewportCount_ = 0;
    OMSetRenderTargets(0, nullptr, nullptr);
    AssignRef(blend_, static_cast<BlendState*>(nullptr));
    std::fill_n(blendFactor_, 4, 1.0f);
    sampleMask_ = 0xffffffff;
    AssignRef(depthStencilState_, static_cast<DepthStencilState*>(nullptr));
    stencilRef_ = 0;
    dirty_ = DirtyAll;
    CallLogActive = logging;
}

void DeviceContext::Flush()
{
    if (device_->MakeCurrent()) glFlush();
}

}  // namespace d3d11gl
