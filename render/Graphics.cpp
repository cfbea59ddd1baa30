// Graphics.cpp: creates, rebuilds and releases every graphics object of the program.
#include "Graphics.h"

#include <windows.h>

#include <cfloat>

#include "DataFiles.h"
#include "Frame.h"
#include "ModelObjects.h"
#include "Pipelines.h"
#include "ReleaseSlot.h"
#include "SharedState.h"
#include "StartupFailure.h"
#include "TransformMath.h"

ID3D11Device* Device = nullptr;
ID3D11DeviceContext* ImmediateContext = nullptr;
IDXGISwapChain* SwapChain = nullptr;
ID3D11RenderTargetView* BackBufferView = nullptr;
ID3D11Texture2D* DepthStencilTexture = nullptr;
ID3D11DepthStencilView* DepthStencilView = nullptr;
ID3D11Buffer* FrameConstantBuffer = nullptr;
ID3D11SamplerState* LinearWrapSampler = nullptr;
D3D11_VIEWPORT Viewport = {};
ID3D11Texture2D* OffscreenTarget = nullptr;

namespace {

// The size the render targets were last built at. A minimised window has an empty client area;
// a device rebuilt then keeps this size, and restoring the window resizes to the restored one.
UINT LastTargetWidth = 0;
UINT LastTargetHeight = 0;

const D3D_FEATURE_LEVEL FeatureLevels[3] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1, D3D_FEATURE_LEVEL_10_0};
const D3D_DRIVER_TYPE DriverTypes[3] = {D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP, D3D_DRIVER_TYPE_REFERENCE};

// The material library that the model file names, from LoadMesh to LoadMaterials.
char MaterialLibraryName[ObjNameRoom] = "";

// Steps 4 to 8 of CreateGraphics: everything between the device and the render targets.
HRESULT CreateDeviceObjects()
{
    HRESULT hr = CreatePipelines();
    if (FAILED(hr)) return hr;
    hr = CreateFrameConstantBuffer();
    if (FAILED(hr)) return hr;
    hr = LoadMesh();
    if (FAILED(hr)) return hr;
    hr = LoadMaterials();
    if (FAILED(hr)) return hr;
    return CreateLinearWrapSampler();
}

// Buffer 0 of the swap chain, or the offscreen target that stands in for it; one reference.
HRESULT GetBackBuffer(ID3D11Texture2D** buffer)
{
    if (SwapChain) return SwapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(buffer));
    if (!OffscreenTarget) return DXGI_ERROR_INVALID_CALL;
    OffscreenTarget->AddRef();
    *buffer = OffscreenTarget;
    return S_OK;
}

}  // namespace

HRESULT CreateGraphics()
{
    ClearStartupFailure();
    HRESULT hr = CreateDeviceAndSwapChain();
    if (FAILED(hr)) return hr;
    hr = CreateDeviceObjects();
    if (FAILED(hr)) return hr;
    return CreateRenderTargets();
}

HRESULT CreateDeviceAndSwapChain()
{
    RECT client = {};
    GetClientRect(MainWindow, &client);
    UINT width = static_cast<UINT>(client.right - client.left);
    UINT height = static_cast<UINT>(client.bottom - client.top);
    if ((width == 0 || height == 0) && LastTargetWidth != 0) {
        width = LastTargetWidth;
        height = LastTargetHeight;
    }

    DXGI_SWAP_CHAIN_DESC desc = {};
    desc.BufferDesc.Width = width;
    desc.BufferDesc.Height = height;
    desc.BufferDesc.RefreshRate.Numerator = 60;
    desc.BufferDesc.RefreshRate.Denominator = 1;
    desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.BufferDesc.ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_PROGRESSIVE;
    desc.BufferDesc.Scaling = DXGI_MODE_SCALING_CENTERED;
    desc.SampleDesc.Count = 1;
    desc.SampleDesc.Quality = 0;
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 3;
    desc.OutputWindow = MainWindow;
    desc.Windowed = TRUE;
    desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
    desc.Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;

    HRESULT hr = E_FAIL;
    for (const D3D_DRIVER_TYPE driverType : DriverTypes) {
        hr = D3D11CreateDeviceAndSwapChain(nullptr, driverType, nullptr, 0, FeatureLevels, 3, D3D11_SDK_VERSION, &desc,
                                           &SwapChain, &Device, nullptr, &ImmediateContext);
        if (SUCCEEDED(hr)) break;
    }
    if (FAILED(hr)) NoteStartupFailure(hr, "creating a Direct3D 11 device and swap chain (OpenGL 4.5) failed");
    return hr;
}

HRESULT CreatePipelines()
{
    HRESULT hr = CreateScenePipeline(Device);
    if (FAILED(hr)) return hr;
    hr = CreateShadowVolumePipeline(Device);
    if (FAILED(hr)) return hr;
    return CreateShadowPipeline(Device);
}

HRESULT CreateFrameConstantBuffer()
{
    D3D11_BUFFER_DESC constants;
    constants.ByteWidth = sizeof(FrameConstants);
    constants.Usage = D3D11_USAGE_DYNAMIC;
    constants.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
    constants.CPUAccessFlags = D3D11_CPU_ACCESS_WRITE;
    constants.MiscFlags = 0;
    constants.StructureByteStride = 0;
    const HRESULT hr = Device->CreateBuffer(&constants, nullptr, &FrameConstantBuffer);
    if (FAILED(hr)) NoteStartupFailure(hr, "creating the constant buffer failed");
    return hr;
}

HRESULT LoadMesh()
{
    MaterialLibraryName[0] = '\0';
    if (!Mesh.Load(Device, ImmediateContext, MaterialLibraryName)) {
        NoteStartupFailure(E_FAIL, "loading the model %s failed: %s", ModelFile, Mesh.GetLoadFailure());
        return E_FAIL;
    }
    return S_OK;
}

HRESULT LoadMaterials()
{
    if (!Materials.Load(MaterialLibraryName, Device)) {
        NoteStartupFailure(E_FAIL, "loading the materials failed: %s", Materials.GetLoadFailure());
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CreateLinearWrapSampler()
{
    // Trilinear filtering, repeating in every direction, over the whole mip chain.
    D3D11_SAMPLER_DESC sampler;
    sampler.Filter = D3D11_FILTER_MIN_MAG_MIP_LINEAR;
    sampler.AddressU = D3D11_TEXTURE_ADDRESS_WRAP;
    sampler.AddressV = D3D11_TEXTURE_ADDRESS_WRAP;
    sampler.AddressW = D3D11_TEXTURE_ADDRESS_WRAP;
    sampler.MipLODBias = 0.0f;
    sampler.MaxAnisotropy = 2;
    sampler.ComparisonFunc = D3D11_COMPARISON_NEVER;
    sampler.BorderColor[0] = sampler.BorderColor[1] = sampler.BorderColor[2] = sampler.BorderColor[3] = 0.0f;
    sampler.MinLOD = -FLT_MAX;
    sampler.MaxLOD = FLT_MAX;
    const HRESULT hr = Device->CreateSamplerState(&sampler, &LinearWrapSampler);
    if (FAILED(hr)) NoteStartupFailure(hr, "creating the texture sampler failed");
    return hr;
}

HRESULT CreateGraphicsOffscreen(UINT width, UINT height)
{
    ClearStartupFailure();

    HRESULT hr = E_FAIL;
    for (const D3D_DRIVER_TYPE driverType : DriverTypes) {
        hr = D3D11CreateDevice(nullptr, driverType, nullptr, 0, FeatureLevels, 3, D3D11_SDK_VERSION, &Device, nullptr,
                               &ImmediateContext);
        if (SUCCEEDED(hr)) break;
    }
    if (FAILED(hr)) {
        NoteStartupFailure(hr, "creating an offscreen Direct3D 11 device (OpenGL 4.5) failed");
        return hr;
    }

    D3D11_TEXTURE2D_DESC target = {};
    target.Width = width;
    target.Height = height;
    target.MipLevels = 1;
    target.ArraySize = 1;
    target.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    target.SampleDesc.Count = 1;
    target.Usage = D3D11_USAGE_DEFAULT;
    target.BindFlags = D3D11_BIND_RENDER_TARGET;
    hr = Device->CreateTexture2D(&target, nullptr, &OffscreenTarget);
    if (FAILED(hr)) {
        NoteStartupFailure(hr, "creating a %ux%u offscreen target failed", width, height);
        return hr;
    }

    hr = CreateDeviceObjects();
    if (FAILED(hr)) return hr;
    return CreateRenderTargets();
}

HRESULT CreateRenderTargets()
{
    ID3D11Texture2D* backBuffer = nullptr;
    HRESULT hr = GetBackBuffer(&backBuffer);
    if (FAILED(hr)) {
        NoteStartupFailure(hr, "getting the swap chain's back buffer failed");
        return hr;
    }
    D3D11_TEXTURE2D_DESC desc;
    backBuffer->GetDesc(&desc);
    hr = Device->CreateRenderTargetView(backBuffer, nullptr, &BackBufferView);
    backBuffer->Release();
    if (FAILED(hr)) {
        NoteStartupFailure(hr, "creating the back buffer's render-target view failed");
        return hr;
    }

    // Same size and sampling as the back buffer; 32-bit float depth with an 8-bit stencil.
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_D32_FLOAT_S8X24_UINT;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_DEPTH_STENCIL;
    desc.CPUAccessFlags = 0;
    desc.MiscFlags = 0;
    hr = Device->CreateTexture2D(&desc, nullptr, &DepthStencilTexture);
    if (FAILED(hr)) {
        NoteStartupFailure(hr, "creating the %ux%u depth-stencil buffer failed", desc.Width, desc.Height);
        return hr;
    }
    D3D11_DEPTH_STENCIL_VIEW_DESC view = {};
    view.Format = DXGI_FORMAT_D32_FLOAT_S8X24_UINT;
    view.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2D;
    view.Flags = 0;
    view.Texture2D.MipSlice = 0;
    hr = Device->CreateDepthStencilView(DepthStencilTexture, &view, &DepthStencilView);
    if (FAILED(hr)) {
        NoteStartupFailure(hr, "creating the depth-stencil view failed");
        return hr;
    }

    Viewport.TopLeftX = 0.0f;
    Viewport.TopLeftY = 0.0f;
    Viewport.Width = static_cast<float>(desc.Width);
    Viewport.Height = static_cast<float>(desc.Height);
    Viewport.MinDepth = 0.0f;
    Viewport.MaxDepth = 1.0f;

    FrameConstantsImage.projection = TransposeMatrix(TargetProjectionMatrix(desc.Width, desc.Height));
    LastTargetWidth = desc.Width;
    LastTargetHeight = desc.Height;
    return 0;
}

void ReleaseGraphics()
{
    if (ImmediateContext) ImmediateContext->ClearState();
    if (SwapChain) SwapChain->SetFullscreenState(FALSE, nullptr);

    Materials.Release();
    Mesh.Release();

    ReleaseSlot(LinearWrapSampler);
    ReleaseSlot(SceneVertexShader);
    ReleaseSlot(ScenePixelShader);
    ReleaseSlot(SceneBlendState);
    ReleaseSlot(SceneRasterizerState);
    ReleaseSlot(SceneDepthStencilState);
    ReleaseSlot(ShadowVolumeVertexShader);
    ReleaseSlot(ShadowVolumeGeometryShaderAdj);
    ReleaseSlot(ShadowVolumeGeometryShader);
    ReleaseSlot(ShadowVolumeBlendState);
    ReleaseSlot(ShadowVolumeRasterizerState);
    ReleaseSlot(ShadowVolumeDepthStencilState);
    ReleaseSlot(ShadowVertexShader);
    ReleaseSlot(ShadowPixelShader);
    ReleaseSlot(ShadowBlendState);
    ReleaseSlot(ShadowDepthStencilState);
    ReleaseSlot(FrameConstantBuffer);
    ReleaseSlot(SceneInputLayout);
    ReleaseSlot(DepthStencilView);
    ReleaseSlot(DepthStencilTexture);
    ReleaseSlot(BackBufferView);
    ReleaseSlot(OffscreenTarget);
    ReleaseSlot(SwapChain);
    ReleaseSlot(ImmediateContext);
    ReleaseSlot(Device);
}
