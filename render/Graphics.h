// Graphics.h: the device, its swap chain and the size-dependent render targets; bringing the
// whole renderer up in one fixed order, rebuilding the targets, and tearing it all down.
#pragma once

#include <d3d11.h>
#include <dxgi.h>

extern ID3D11Device* Device;
extern ID3D11DeviceContext* ImmediateContext;
extern IDXGISwapChain* SwapChain;
extern ID3D11RenderTargetView* BackBufferView;
extern ID3D11Texture2D* DepthStencilTexture;
extern ID3D11DepthStencilView* DepthStencilView;
extern ID3D11Buffer* FrameConstantBuffer;      // the 224-byte FrameConstants, rewritten before every draw
extern ID3D11SamplerState* LinearWrapSampler;  // sampler slot 0 of the pixel stage
extern D3D11_VIEWPORT Viewport;                // the whole back buffer, depth 0 to 1

// Device and swap chain for MainWindow's client area, the three pipelines, the constant buffer,
// the mesh, its materials, the sampler and the render targets, in that order. Stops at the first
// failure and returns its code (E_FAIL for the model or its materials); what was made stays in
// its slot for ReleaseGraphics. StartupFailureText then says which step failed.
HRESULT CreateGraphics();

// The steps of CreateGraphics, in its order, each also callable on its own so that start-up can
// be timed step by step. Each needs the steps before it, notes its failure for
// StartupFailureText, and returns its code (E_FAIL for the model or its materials).
HRESULT CreateDeviceAndSwapChain();   // for MainWindow's client area: hardware, then WARP, then reference
HRESULT CreatePipelines();            // scene, shadow-volume and shadow pipelines (Pipelines.h)
HRESULT CreateFrameConstantBuffer();  // FrameConstantBuffer
HRESULT LoadMesh();                   // Mesh, and the name of the material library its file gives
HRESULT LoadMaterials();              // Materials, from that library
HRESULT CreateLinearWrapSampler();    // LinearWrapSampler
// ... and CreateRenderTargets, below, last.

// Back-buffer view, depth-stencil texture and view for the current back-buffer size, the
// viewport, and the projection in FrameConstants. The caller has released the previous ones.
HRESULT CreateRenderTargets();

// Releases every graphics object in a fixed order. Safe with any slot empty, and repeatable.
void ReleaseGraphics();

// For tests and tools: the renderer without a window. The device comes from D3D11CreateDevice
// (hardware, then WARP, then reference) and a width x height R8G8B8A8_UNORM texture,
// OffscreenTarget, stands in for the swap chain's buffer 0; every later step is CreateGraphics'
// own. There is no swap chain, so frames are drawn with DrawFrame rather than RenderFrame.
HRESULT CreateGraphicsOffscreen(UINT width, UINT height);
extern ID3D11Texture2D* OffscreenTarget;
