// Pipelines.cpp: compiles the seven entry points of the shader source file and creates the input
// layout and the blend, rasterizer and depth-stencil states of the three passes.
#include "Pipelines.h"

#include <d3dx11.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "StartupFailure.h"

const wchar_t ShaderSourceFile[] = L"..\\misc\\Quenvale.sh";

ID3D11VertexShader* SceneVertexShader = nullptr;
ID3D11InputLayout* SceneInputLayout = nullptr;
ID3D11PixelShader* ScenePixelShader = nullptr;
ID3D11BlendState* SceneBlendState = nullptr;
ID3D11RasterizerState* SceneRasterizerState = nullptr;
ID3D11DepthStencilState* SceneDepthStencilState = nullptr;

ID3D11VertexShader* ShadowVolumeVertexShader = nullptr;
ID3D11GeometryShader* ShadowVolumeGeometryShaderAdj = nullptr;
ID3D11GeometryShader* ShadowVolumeGeometryShader = nullptr;
ID3D11BlendState* ShadowVolumeBlendState = nullptr;
ID3D11RasterizerState* ShadowVolumeRasterizerState = nullptr;
ID3D11DepthStencilState* ShadowVolumeDepthStencilState = nullptr;

ID3D11VertexShader* ShadowVertexShader = nullptr;
ID3D11PixelShader* ShadowPixelShader = nullptr;
ID3D11BlendState* ShadowBlendState = nullptr;
ID3D11DepthStencilState* ShadowDepthStencilState = nullptr;

namespace {

// Strict syntax, and matrices packed by columns: FrameConstants stores each matrix transposed, so
// every register the shaders read is one column and they see the row-vector matrix itself.
constexpr UINT CompileFlags = D3D10_SHADER_ENABLE_STRICTNESS | D3D10_SHADER_PACK_MATRIX_COLUMN_MAJOR;
static_assert(CompileFlags == 0x810);

const char ShaderSourceName[] = "..\\misc\\Quenvale.sh";

// Compiles one entry point into *blob. A failed compile leaves no blob; its code is returned and
// the compiler's message is kept for the start-up diagnostic (then dropped with its blob).
HRESULT CompileEntryPoint(const char* entryPoint, const char* profile, ID3D10Blob** blob)
{
    *blob = nullptr;
    ID3D10Blob* messages = nullptr;
    const HRESULT hr = D3DX11CompileFromFileW(ShaderSourceFile, nullptr, nullptr, entryPoint, profile, CompileFlags,
                                              0, nullptr, blob, &messages, nullptr);
    if (FAILED(hr))
    {
        // The compiler's log keeps its line breaks (the failure report puts it on one line), but
        // not the ones that close it, so that the code noted after it follows its last word.
        char text[768] = "no message";
        if (hr == D3D11_ERROR_FILE_NOT_FOUND)
            std::snprintf(text, sizeof text, "the file is missing");
        if (messages)
        {
            const char* bytes = static_cast<const char*>(messages->GetBufferPointer());
            size_t length = strnlen(bytes, std::min<size_t>(messages->GetBufferSize(), sizeof text - 1));
            while (length > 0 && static_cast<unsigned char>(bytes[length - 1]) <= ' ')
                --length;
            std::snprintf(text, sizeof text, "%.*s", static_cast<int>(length), bytes);
        }
        NoteStartupFailure(hr, "compiling \"%s\" (%s) from %s failed: %s", entryPoint, profile, ShaderSourceName,
                           text);
        if (*blob)
        {
            (*blob)->Release();
            *blob = nullptr;
        }
    }
    if (messages)
        messages->Release();
    return hr;
}

HRESULT CheckCreated(HRESULT hr, const char* what)
{
    if (FAILED(hr))
        NoteStartupFailure(hr, "%s failed", what);
    return hr;
}

const D3D11_INPUT_ELEMENT_DESC SceneInputElements[3] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"TEXTURE", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D11_INPUT_PER_VERTEX_DATA, 0},
};

// Blend description with render target 0 as given and everything else zero.
D3D11_BLEND_DESC BlendDescription(BOOL enable, D3D11_BLEND source, D3D11_BLEND destination, D3D11_BLEND_OP op,
                                  D3D11_BLEND sourceAlpha, D3D11_BLEND destinationAlpha, D3D11_BLEND_OP opAlpha)
{
    D3D11_BLEND_DESC desc = {};
    desc.AlphaToCoverageEnable = FALSE;
    desc.IndependentBlendEnable = FALSE;
    desc.RenderTarget[0].BlendEnable = enable;
    desc.RenderTarget[0].SrcBlend = source;
    desc.RenderTarget[0].DestBlend = destination;
    desc.RenderTarget[0].BlendOp = op;
    desc.RenderTarget[0].SrcBlendAlpha = sourceAlpha;
    desc.RenderTarget[0].DestBlendAlpha = destinationAlpha;
    desc.RenderTarget[0].BlendOpAlpha = opAlpha;
    desc.RenderTarget[0].RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_ALL;
    return desc;
}

D3D11_RASTERIZER_DESC RasterizerDescription(D3D11_CULL_MODE cull)
{
    D3D11_RASTERIZER_DESC desc;
    desc.FillMode = D3D11_FILL_SOLID;
    desc.CullMode = cull;
    desc.FrontCounterClockwise = FALSE;  // clockwise on screen is the front
    desc.DepthBias = 0;
    desc.DepthBiasClamp = 0.0f;
    desc.SlopeScaledDepthBias = 0.0f;
    desc.DepthClipEnable = TRUE;
    desc.ScissorEnable = FALSE;
    desc.MultisampleEnable = FALSE;
    desc.AntialiasedLineEnable = FALSE;
    return desc;
}

D3D11_DEPTH_STENCILOP_DESC StencilOps(D3D11_STENCIL_OP pass, D3D11_COMPARISON_FUNC func)
{
    return {D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_KEEP, pass, func};
}

D3D11_DEPTH_STENCIL_DESC DepthStencilDescription(D3D11_DEPTH_WRITE_MASK depthWrite, D3D11_COMPARISON_FUNC depthFunc,
                                                 BOOL stencil, UINT8 stencilWriteMask,
                                                 D3D11_DEPTH_STENCILOP_DESC front, D3D11_DEPTH_STENCILOP_DESC back)
{
    D3D11_DEPTH_STENCIL_DESC desc;
    desc.DepthEnable = TRUE;
    desc.DepthWriteMask = depthWrite;
    desc.DepthFunc = depthFunc;
    desc.StencilEnable = stencil;
    desc.StencilReadMask = 0xFF;
    desc.StencilWriteMask = stencilWriteMask;
    desc.FrontFace = front;
    desc.BackFace = back;
    return desc;
}

}  // namespace

HRESULT CreateScenePipeline(ID3D11Device* device)
{
    ID3D10Blob* blob = nullptr;
    HRESULT hr = CompileEntryPoint("VS", "vs_4_0", &blob);
    if (FAILED(hr))
        return hr;
    hr = CheckCreated(device->CreateVertexShader(blob->GetBufferPointer(), blob->GetBufferSize(), nullptr,
                                                 &SceneVertexShader),
                      "CreateVertexShader for \"VS\"");
    if (FAILED(hr))
    {
        blob->Release();
        return hr;
    }
    hr = CheckCreated(device->CreateInputLayout(SceneInputElements, 3, blob->GetBufferPointer(),
                                                blob->GetBufferSize(), &SceneInputLayout),
                      "CreateInputLayout (POSITION, NORMAL, TEXTURE) against \"VS\"");
    blob->Release();
    if (FAILED(hr))
        return hr;

    hr = CompileEntryPoint("PS", "ps_4_0", &blob);
    if (FAILED(hr))
        return hr;
    hr = CheckCreated(device->CreatePixelShader(blob->GetBufferPointer(), blob->GetBufferSize(), nullptr,
                                                &ScenePixelShader),
                      "CreatePixelShader for \"PS\"");
    blob->Release();
    if (FAILED(hr))
        return hr;

    const D3D11_BLEND_DESC blend = BlendDescription(FALSE, D3D11_BLEND(0), D3D11_BLEND(0), D3D11_BLEND_OP(0),
                                                    D3D11_BLEND(0), D3D11_BLEND(0), D3D11_BLEND_OP(0));
    hr = CheckCreated(device->CreateBlendState(&blend, &SceneBlendState), "CreateBlendState for pass 1");
    if (FAILED(hr))
        return hr;
    const D3D11_RASTERIZER_DESC rasterizer = RasterizerDescription(D3D11_CULL_BACK);
    hr = CheckCreated(device->CreateRasterizerState(&rasterizer, &SceneRasterizerState),
                      "CreateRasterizerState for pass 1");
    if (FAILED(hr))
        return hr;
    const D3D11_DEPTH_STENCILOP_DESC keep = StencilOps(D3D11_STENCIL_OP_KEEP, D3D11_COMPARISON_ALWAYS);
    const D3D11_DEPTH_STENCIL_DESC depthStencil =
        DepthStencilDescription(D3D11_DEPTH_WRITE_MASK_ALL, D3D11_COMPARISON_LESS, FALSE, 0xFF, keep, keep);
    return CheckCreated(device->CreateDepthStencilState(&depthStencil, &SceneDepthStencilState),
                        "CreateDepthStencilState for pass 1");
}

HRESULT CreateShadowVolumePipeline(ID3D11Device* device)
{
    ID3D10Blob* blob = nullptr;
    HRESULT hr = CompileEntryPoint("VS_SV", "vs_4_0", &blob);
    if (FAILED(hr))
        return hr;
    hr = CheckCreated(device->CreateVertexShader(blob->GetBufferPointer(), blob->GetBufferSize(), nullptr,
                                                 &ShadowVolumeVertexShader),
                      "CreateVertexShader for \"VS_SV\"");
    blob->Release();
    if (FAILED(hr))
        return hr;

    hr = CompileEntryPoint("GS_SV_1", "gs_4_0", &blob);
    if (FAILED(hr))
        return hr;
    hr = CheckCreated(device->CreateGeometryShader(blob->GetBufferPointer(), blob->GetBufferSize(), nullptr,
                                                   &ShadowVolumeGeometryShaderAdj),
                      "CreateGeometryShader for \"GS_SV_1\"");
    blob->Release();
    if (FAILED(hr))
        return hr;

    hr = CompileEntryPoint("GS_SV_2", "gs_4_0", &blob);
    if (FAILED(hr))
        return hr;
    hr = CheckCreated(device->CreateGeometryShader(blob->GetBufferPointer(), blob->GetBufferSize(), nullptr,
                                                   &ShadowVolumeGeometryShader),
                      "CreateGeometryShader for \"GS_SV_2\"");
    blob->Release();
    if (FAILED(hr))
        return hr;

    // Volume faces leave colour untouched: no pixel shader runs, and the blend adds nothing.
    const D3D11_BLEND_DESC blend = BlendDescription(TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD,
                                                    D3D11_BLEND_ONE, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD);
    hr = CheckCreated(device->CreateBlendState(&blend, &ShadowVolumeBlendState), "CreateBlendState for pass 2");
    if (FAILED(hr))
        return hr;
    const D3D11_RASTERIZER_DESC rasterizer = RasterizerDescription(D3D11_CULL_NONE);
    hr = CheckCreated(device->CreateRasterizerState(&rasterizer, &ShadowVolumeRasterizerState),
                      "CreateRasterizerState for pass 2");
    if (FAILED(hr))
        return hr;
    // Counting in front of the stored surface: +1 entering a volume (front face), -1 leaving it
    // (back face), wrapping so that the order of the faces does not matter.
    const D3D11_DEPTH_STENCIL_DESC depthStencil = DepthStencilDescription(
        D3D11_DEPTH_WRITE_MASK_ZERO, D3D11_COMPARISON_LESS, TRUE, 0xFF,
        StencilOps(D3D11_STENCIL_OP_INCR, D3D11_COMPARISON_ALWAYS),
        StencilOps(D3D11_STENCIL_OP_DECR, D3D11_COMPARISON_ALWAYS));
    return CheckCreated(device->CreateDepthStencilState(&depthStencil, &ShadowVolumeDepthStencilState),
                        "CreateDepthStencilState for pass 2");
}

HRESULT CreateShadowPipeline(ID3D11Device* device)
{
    ID3D10Blob* blob = nullptr;
    HRESULT hr = CompileEntryPoint("VS_S", "vs_4_0", &blob);
    if (FAILED(hr))
        return hr;
    hr = CheckCreated(device->CreateVertexShader(blob->GetBufferPointer(), blob->GetBufferSize(), nullptr,
                                                 &ShadowVertexShader),
                      "CreateVertexShader for \"VS_S\"");
    blob->Release();
    if (FAILED(hr))
        return hr;

    hr = CompileEntryPoint("PS_S", "ps_4_0", &blob);
    if (FAILED(hr))
        return hr;
    hr = CheckCreated(device->CreatePixelShader(blob->GetBufferPointer(), blob->GetBufferSize(), nullptr,
                                                &ShadowPixelShader),
                      "CreatePixelShader for \"PS_S\"");
    blob->Release();
    if (FAILED(hr))
        return hr;

    // source * source alpha + destination * (1 - source alpha): the shadow colour over the frame.
    const D3D11_BLEND_DESC blend =
        BlendDescription(TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD,
                         D3D11_BLEND_ONE, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD);
    hr = CheckCreated(device->CreateBlendState(&blend, &ShadowBlendState), "CreateBlendState for pass 3");
    if (FAILED(hr))
        return hr;
    // Only where the strip at depth 1 lies behind the model (GREATER) and the count is not 0
    // (NOT_EQUAL to reference 0); back faces never pass. Nothing is written to depth or stencil.
    const D3D11_DEPTH_STENCIL_DESC depthStencil = DepthStencilDescription(
        D3D11_DEPTH_WRITE_MASK_ZERO, D3D11_COMPARISON_GREATER, TRUE, 0x00,
        StencilOps(D3D11_STENCIL_OP_KEEP, D3D11_COMPARISON_NOT_EQUAL),
        StencilOps(D3D11_STENCIL_OP_KEEP, D3D11_COMPARISON_NEVER));
    return CheckCreated(device->CreateDepthStencilState(&depthStencil, &ShadowDepthStencilState),
                        "CreateDepthStencilState for pass 3");
}
