// ID3D11DeviceContext (immediate): the bound pipeline state, applied to GL lazily at draw time.
#pragma once

#include <cstdint>

#include <epoxy/gl.h>

#include "LayerObject.h"

namespace d3d11gl {

class Buffer;
class Texture2D;
class RenderTargetView;
class DepthStencilView;
class ShaderResourceView;
class SamplerState;
class BlendState;
class DepthStencilState;
class RasterizerState;
class InputLayout;
class VertexShader;
class GeometryShader;
class PixelShader;

constexpr int StageCount = 3;  // vertex, geometry, pixel
constexpr int CbSlots = D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT;
constexpr int SrvSlots = 16;  // the texture units a stage gets in GL
constexpr int SamplerSlots = D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT;
constexpr int VbSlots = D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT;
constexpr int RtSlots = D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT;
constexpr int ViewportSlots = D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE;

class DeviceContext final : public ID3D11DeviceContext {
  public:
    explicit DeviceContext(Device* device);
    ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    // IUnknown / ID3D11DeviceChild
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    void GetDevice(ID3D11Device** ppDevice) override;
    ULONG RefCount() const { return refs_; }

    // Input assembler
    void IASetInputLayout(ID3D11InputLayout* pInputLayout) override;
    void IASetVertexBuffers(UINT StartSlot, UINT NumBuffers, ID3D11Buffer* const* ppVertexBuffers, const UINT* pStrides,
                            const UINT* pOffsets) override;
    void IASetIndexBuffer(ID3D11Buffer* pIndexBuffer, DXGI_FORMAT Format, UINT Offset) override;
    void IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY Topology) override;
    void IAGetInputLayout(ID3D11InputLayout** ppInputLayout) override;
    void IAGetVertexBuffers(UINT StartSlot, UINT NumBuffers, ID3D11Buffer** ppVertexBuffers, UINT* pStrides,
                            UINT* pOffsets) override;
    void IAGetIndexBuffer(ID3D11Buffer** pIndexBuffer, DXGI_FORMAT* Format, UINT* Offset) override;
    void IAGetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY* pTopology) override;

    // Shader stages
    void VSSetShader(ID3D11VertexShader* pVertexShader, ID3D11ClassInstance* const* ppClassInstances,
                     UINT NumClassInstances) override;
    void GSSetShader(ID3D11GeometryShader* pShader, ID3D11ClassInstance* const* ppClassInstances,
                     UINT NumClassInstances) override;
    void PSSetShader(ID3D11PixelShader* pPixelShader, ID3D11ClassInstance* const* ppClassInstances,
                     UINT NumClassInstances) override;
    void VSGetShader(ID3D11VertexShader** ppVertexShader, ID3D11ClassInstance** ppClassInstances,
                     UINT* pNumClassInstances) override;
    void GSGetShader(ID3D11GeometryShader** ppGeometryShader, ID3D11ClassInstance** ppClassInstances,
                     UINT* pNumClassInstances) override;
    void PSGetShader(ID3D11PixelShader** ppPixelShader, ID3D11ClassInstance** ppClassInstances,
                     UINT* pNumClassInstances) override;
    void VSSetConstantBuffers(UINT StartSlot, UINT NumBuffers, ID3D11Buffer* const* ppConstantBuffers) override;
    void GSSetConstantBuffers(UINT StartSlot, UINT NumBuffers, ID3D11Buffer* const* ppConstantBuffers) override;
    void PSSetConstantBuffers(UINT StartSlot, UINT NumBuffers, ID3D11Buffer* const* ppConstantBuffers) override;
    void VSGetConstantBuffers(UINT StartSlot, UINT NumBuffers, ID3D11Buffer** ppConstantBuffers) override;
    void GSGetConstantBuffers(UINT StartSlot, UINT NumBuffers, ID3D11Buffer** ppConstantBuffers) override;
    void PSGetConstantBuffers(UINT StartSlot, UINT NumBuffers, ID3D11Buffer** ppConstantBuffers) override;
    void PSSetShaderResources(UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView* const* ppViews) override;
    void PSGetShaderResources(UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView** ppViews) override;
    void PSSetSamplers(UINT StartSlot, UINT NumSamplers, ID3D11SamplerState* const* ppSamplers) override;
    void PSGetSamplers(UINT StartSlot, UINT NumSamplers, ID3D11SamplerState** ppSamplers) override;

    // Rasterizer
    void RSSetState(ID3D11RasterizerState* pRasterizerState) override;
    void RSSetViewports(UINT NumViewports, const D3D11_VIEWPORT* pViewports) override;
    void RSGetState(ID3D11RasterizerState** ppRasterizerState) override;
    void RSGetViewports(UINT* pNumViewports, D3D11_VIEWPORT* pViewports) override;

    // Output merger
    void OMSetRenderTargets(UINT NumViews, ID3D11RenderTargetView* const* ppRenderTargetViews,
                            ID3D11DepthStencilView* pDepthStencilView) override;
    void OMSetBlendState(ID3D11BlendState* pBlendState, const FLOAT BlendFactor[4], UINT SampleMask) override;
    void OMSetDepthStencilState(ID3D11DepthStencilState* pDepthStencilState, UINT StencilRef) override;
    void OMGetRenderTargets(UINT NumViews, ID3D11RenderTargetView** ppRenderTargetViews,
                            ID3D11DepthStencilView** ppDepthStencilView) override;
    void OMGetBlendState(ID3D11BlendState** ppBlendState, FLOAT BlendFactor[4], UINT* pSampleMask) override;
    void OMGetDepthStencilState(ID3D11DepthStencilState** ppDepthStencilState, UINT* pStencilRef) override;

    // Drawing, clearing, resources
    void DrawIndexed(UINT IndexCount, UINT StartIndexLocation, INT BaseVertexLocation) override;
    void Draw(UINT VertexCount, UINT StartVertexLocation) override;
    void ClearRenderTargetView(ID3D11RenderTargetView* pRenderTargetView, const FLOAT ColorRGBA[4]) override;
    void ClearDepthStencilView(ID3D11DepthStencilView* pDepthStencilView, UINT ClearFlags, FLOAT Depth,
                               UINT8 Stencil) override;
    HRESULT Map(ID3D11Resource* pResource, UINT Subresource, D3D11_MAP MapType, UINT MapFlags,
                D3D11_MAPPED_SUBRESOURCE* pMappedResource) override;
    void Unmap(ID3D11Resource* pResource, UINT Subresource) override;
    void CopyResource(ID3D11Resource* pDstResource, ID3D11Resource* pSrcResource) override;
    void UpdateSubresource(ID3D11Resource* pDstResource, UINT DstSubresource, const void* pDstBox, const void* pSrcData,
                           UINT SrcRowPitch, UINT SrcDepthPitch) override;
    void ClearState() override;
    void Flush() override;

    // Layer internals
    // The GL masks that clears and copies changed behind the context's back.
    void InvalidateOutputMasks() { dirty_ |= DirtyBlend | DirtyDepthStencil; }
    bool HasBindings() const;
    // Copies between two textures whose rows run in opposite directions use these framebuffers.
    GLuint CopyFramebuffer(int which);

  private:
    enum : uint32_t {
        DirtyTargets = 1u << 0,
        DirtyViewports = 1u << 1,
        DirtyShaders = 1u << 2,
        DirtyBlend = 1u << 3,
        DirtyDepthStencil = 1u << 4,
        DirtyRasterizer = 1u << 5,
        DirtyTextures = 1u << 6,
        DirtySamplers = 1u << 7,
        DirtyAll = 0xffu,
    };
    struct VertexBinding {
        Buffer* buffer = nullptr;
        UINT stride = 0;
        UINT offset = 0;
    };
    struct AppliedRange {
        GLuint name = 0;
        GLintptr offset = 0;
        GLsizeiptr size = 0;
    };

    void SetConstantBuffers(int stage, UINT start, UINT count, ID3D11Buffer* const* buffers);
    void GetConstantBuffers(int stage, UINT start, UINT count, ID3D11Buffer** buffers);
    bool PrepareDraw();
    void ApplyTargets();
    void ApplyViewports();
    void ApplyShaders();
    void ApplyConstantBuffers();
    void ApplyTextures();
    void ApplySamplers();
    bool ApplyVertexInput();
    GLenum DrawMode() const;

    Device* device_;
    ULONG refs_ = 0;

    // Direct3D state (each slot holds one counted reference)
    InputLayout* layout_ = nullptr;
    VertexBinding vertexBuffers_[VbSlots];
    Buffer* indexBuffer_ = nullptr;
    DXGI_FORMAT indexFormat_ = DXGI_FORMAT_UNKNOWN;
    UINT indexOffset_ = 0;
    D3D11_PRIMITIVE_TOPOLOGY topology_ = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;
    VertexShader* vs_ = nullptr;
    GeometryShader* gs_ = nullptr;
    PixelShader* ps_ = nullptr;
    Buffer* constantBuffers_[StageCount][CbSlots] = {};
    uint32_t constantBufferMask_[StageCount] = {};  // slots to look at when drawing
    ShaderResourceView* psResources_[SrvSlots] = {};
    SamplerState* psSamplers_[SamplerSlots] = {};
    RasterizerState* rasterizer_ = nullptr;
    D3D11_VIEWPORT viewports_[ViewportSlots] = {};
    UINT viewportCount_ = 0;
    RenderTargetView* renderTargets_[RtSlots] = {};
    DepthStencilView* depthStencil_ = nullptr;
    BlendState* blend_ = nullptr;
    FLOAT blendFactor_[4] = {1, 1, 1, 1};
    UINT sampleMask_ = 0xffffffff;
    DepthStencilState* depthStencilState_ = nullptr;
    UINT stencilRef_ = 0;

    // What GL has now
    uint32_t dirty_ = DirtyAll;
    GLuint framebuffer_ = 0;
    GLuint pipeline_ = 0;
    GLuint emptyVertexArray_ = 0;
    GLuint defaultSampler_ = 0;  // what an empty sampler slot samples with
    GLuint emptyVertexArrayIndexBuffer_ = 0;
    // Bumped whenever a vertex or index buffer slot changes object: vertex arrays synced with an
    // older generation are re-attached in full (a deleted buffer's name may have been reused).
    uint32_t vertexInputGeneration_ = 1;
    GLuint copyFramebuffers_[2] = {};
    GLuint boundVertexArray_ = 0;
    GLuint appliedPrograms_[StageCount] = {};
    AppliedRange appliedConstantBuffers_[StageCount][CbSlots] = {};
    GLuint appliedTextures_[SrvSlots] = {};
    GLuint appliedSamplers_[SrvSlots] = {};
    int targetHeight_ = 0;
    static constexpr GLuint Stale = ~0u;  // forces the next apply to rebind
};

}  // namespace d3d11gl
