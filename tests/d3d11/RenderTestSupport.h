// Fixture for rendering tests: an 8×8 RGBA8 target with a D32_FLOAT_S8X24 depth-stencil buffer,
// shaders compiled from shaders/RenderTest.hlsl, and helpers for buffers and states.
#pragma once

#include <initializer_list>

#include "D3D11TestSupport.h"

class RenderTest : public D3D11Test {
  protected:
    static constexpr UINT ImageSide = 8;
    void SetUp() override;
    void TearDown() override;

    Ref<ID3D10Blob> Compile(const char* entry, const char* profile);
    // Keeps the vertex shader's blob in `blob` (for CreateInputLayout).
    Ref<ID3D11VertexShader> VertexShader(const char* entry, Ref<ID3D10Blob>& blob);
    Ref<ID3D11PixelShader> PixelShader(const char* entry);
    Ref<ID3D11GeometryShader> GeometryShader(const char* entry);
    Ref<ID3D11Buffer> VertexBuffer(std::initializer_list<float> floats);
    // A default-usage constant buffer with `color` and `offset` (the Params block).
    Ref<ID3D11Buffer> Params(const float color[4], float dx = 0, float dy = 0);
    // Binds the POSITION-only pipeline: VS_Pos, PS_Color (or no pixel shader), its layout, a
    // position buffer, triangle list, whole-target viewport and the test's targets.
    void BindPositionPipeline(ID3D11Buffer* positions, ID3D11Buffer* params, bool withPixelShader = true);
    Ref<ID3D11RasterizerState> Rasterizer(D3D11_CULL_MODE cull, BOOL frontCounterClockwise, BOOL depthClip = TRUE);
    Ref<ID3D11DepthStencilState> DepthStencil(const D3D11_DEPTH_STENCIL_DESC& desc);
    std::vector<uint8_t> Stencil();

    Ref<ID3D11Texture2D> target;
    Ref<ID3D11RenderTargetView> rtv;
    Ref<ID3D11Texture2D> depth;
    Ref<ID3D11DepthStencilView> dsv;
    Ref<ID3D11VertexShader> posVs;
    Ref<ID3D11PixelShader> colorPs;
    Ref<ID3D11InputLayout> posLayout;
};

// Full-target triangles in clip space: clockwise on screen (front by default) and its mirror.
#define QV_CLOCKWISE_FULL(z) -1.f, -1.f, z, -1.f, 3.f, z, 3.f, -1.f, z
#define QV_COUNTER_CLOCKWISE_FULL(z) -1.f, -1.f, z, 3.f, -1.f, z, -1.f, 3.f, z
