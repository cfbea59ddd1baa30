// Pipelines.cpp: compiles the seven entry points of the shader source file and creates the input
// layout and the blend, rasterizer and depth-stencil states of the three passes.
#include "Pipelines.h"

#include <d3dx11.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "StartupFailure.h"

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

// Compiles one entry point into *blob. A failed compile leaves no blob; its code is returned and
// the compiler's message is kept for the start-up diagnostic (then dropped with its blob).
HRESULT CompileEntryPoint(const char* entryPoint, const char* profile, ID3D10Blob** blob)
{
    *blob = nullptr;
    ID3D10Blob* messages = nullptr;
    const HRESULT hr = D3DX11CompileFromFileW(ShaderSourceFile, nullptr, nullptr, entryPoint, profile, CompileFlags, 0,
                                              nullptr, blob, &messages, nullptr);
    if (FAILED(hr)) {
        // The compiler's log keeps its line breaks (the failure report puts it on one line), but
        // not the ones that close it, so that the code noted after it follows its last word.
        char text[768] = "no message";
        if (hr == D3D11_ERROR_FILE_NOT_FOUND) std::snprintf(text, sizeof text, "the file is missing");
        if (messages) {
            const char* bytes = static_cast<const char*>(messages->GetBufferPointer());
            size_t length = strnlen(bytes, std::min<size_t>(messages->GetBufferSize(), sizeof text - 1));
            while (length > 0 && static_cast<unsigned char>(bytes[length - 1]) <= ' ') --length;
            std::snprintf(text, sizeof text, "%.*s", static_cast<int>(length), bytes);
        }
        NoteStartupFailure(hr, "compiling \"%s\" (%s) from %s failed: %s", entryPoint, profile, ShaderSourceName, text);
        if (*blob) {
            (*blob)->Release();
            *blob = nullptr;
        }
    }
    if (messages) messages->Release();
    return hr;
}

// Notes a failed step that made an object of the code of one entry point.
HRESULT CheckCreated(HRESULT hr, const char* what, const char* entryPoint)
{
    if (FAILED(hr)) NoteStartupFailure(hr, "%s \"%s\" failed", what, entryPoint);
    return hr;
}

// Compiles one entry point and hands its code to create(code, size), which makes the pipeline
// objects of it; the compiled code is released afterwards, whether they were made or not.
template <typename Create>
HRESULT WithCompiledCode(const char* entryPoint, const char* profile, Create create)
{
    ID3D10Blob* blob = nullptr;
    HRESULT hr = CompileEntryPoint(entryPoint, profile, &blob);
    if (FAILED(hr)) return hr;
    hr = create(blob->GetBufferPointer(), blob->GetBufferSize());
    blob->Release();
    return hr;
}

const D3D11_INPUT_ELEMENT_DESC SceneInputElements[3] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"TEXTURE", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D11_INPUT_PER_VERTEX_DATA, 0},
};

// A vertex shader of one entry point and, where `layout` is given, the scene's input layout
// checked against that shader's inputs. The layout is only tried once the shader exists.
HRESULT CreateVertexStage(ID3D11Device* device, const char* entryPoint, ID3D11VertexShader** shader,
                          ID3D11InputLayout** layout = nullptr)
{
    return WithCompiledCode(entryPoint, "vs_4_0", [&](const void* code, SIZE_T size) {
        const HRESULT hr =
            CheckCreated(device->CreateVertexShader(code, size, nullptr, shader), "CreateVertexShader for", entryPoint);
        if (FAILED(hr) || !layout) return hr;
        return CheckCreated(device->CreateInputLayout(SceneInputElements, 3, code, size, layout),
                            "CreateInputLayout (POSITION, NORMAL, TEXTURE) against", entryPoint);
    });
}

HRESULT CreateGeometryStage(ID3D11Device* device, const char* entryPoint, ID3D11GeometryShader** shader)
{
    return WithCompiledCode(entryPoint, "gs_4_0", [&](const void* code, SIZE_T size) {
        return CheckCreated(device->CreateGeometryShader(code, size, nullptr, shader), "CreateGeometryShader for",
                            entryPoint);
    });
}

HRESULT CreatePixelStage(ID3D11Device* device, const char* entryPoint, ID3D11PixelShader** shader)
{
    return WithCompiledCode(entryPoint, "ps_4_0", [&](const void* code, SIZE_T size) {
        return CheckCreated(device->CreatePixelShader(code, size, nullptr, shader), "CreatePixelShader for",
                            entryPoint);
    });
}

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
                                                 BOOL stencil, UINT8 stencilWriteMask, D3D11_DEPTH_STENCILOP_DESC front,
                                                 D3D11_DEPTH_STENCILOP_DESC back)
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

// The fixed-function states of one pass, in the order blend, rasterizer (where the pass has one
// of its own; pass 3 reuses pass 1's), depth-stencil; the first failure ends it.
HRESULT CreatePassStates(ID3D11Device* device, int pass, const D3D11_BLEND_DESC& blend, ID3D11BlendState** blendState,
                         const D3D11_RASTERIZER_DESC* rasterizer, ID3D11RasterizerState** rasterizerState,
                         const D3D11_DEPTH_STENCIL_DESC& depthStencil, ID3D11DepthStencilState** depthStencilState)
{
    HRESULT hr = device->CreateBlendState(&blend, blendState);
    if (FAILED(hr)) {
        NoteStartupFailure(hr, "CreateBlendState for pass %d failed", pass);
        return hr;
    }
    if (rasterizer) {
        hr = device->CreateRasterizerState(rasterizer, rasterizerState);
        if (FAILED(hr)) {
            NoteStartupFailure(hr, "CreateRasterizerState for pass %d failed", pass);
            return hr;
        }
    }
    hr = device->CreateDepthStencilState(&depthStencil, depthStencilState);
    if (FAILED(hr)) NoteStartupFailure(hr, "CreateDepthStencilState for pass %d failed", pass);
    return hr;
}

}  // namespace

HRESULT CreateScenePipeline(ID3D11Device* device)
{
    HRESULT hr = CreateVertexStage(device, "VS", &SceneVertexShader, &SceneInputLayout);
    if (FAILED(hr)) return hr;
    hr = CreatePixelStage(device, "PS", &ScenePixelShader);
    if (FAILED(hr)) return hr;

    const D3D11_BLEND_DESC blend = BlendDescription(FALSE, D3D11_BLEND(0), D3D11_BLEND(0), D3D11_BLEND_OP(0),
                                                    D3D11_BLEND(0), D3D11_BLEND(0), D3D11_BLEND_OP(0));
    const D3D11_RASTERIZER_DESC rasterizer = RasterizerDescription(D3D11_CULL_BACK);
    const D3D11_DEPTH_STENCILOP_DESC keep = StencilOps(D3D11_STENCIL_OP_KEEP, D3D11_COMPARISON_ALWAYS);
    const D3D11_DEPTH_STENCIL_DESC depthStencil =
        DepthStencilDescription(D3D11_DEPTH_WRITE_MASK_ALL, D3D11_COMPARISON_LESS, FALSE, 0xFF, keep, keep);
    return CreatePassStates(device, 1, blend, &SceneBlendState, &rasterizer, &SceneRasterizerState, depthStencil,
                            &SceneDepthStencilState);
}

HRESULT CreateShadowVolumePipeline(ID3D11Device* device)
{
    HRESULT hr = CreateVertexStage(device, "VS_SV", &ShadowVolumeVertexShader);
    if (FAILED(hr)) return hr;
    hr = CreateGeometryStage(device, "GS_SV_1", &ShadowVolumeGeometryShaderAdj);
    if (FAILED(hr)) return hr;
    hr = CreateGeometryStage(device, "GS_SV_2", &ShadowVolumeGeometryShader);
    if (FAILED(hr)) return hr;

    // Volume faces leave colour untouched: no pixel shader runs, and the blend adds nothing.
    const D3D11_BLEND_DESC blend = BlendDescription(TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD,
                                                    D3D11_BLEND_ONE, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD);
    const D3D11_RASTERIZER_DESC rasterizer = RasterizerDescription(D3D11_CULL_NONE);
    // Counting in front of the stored surface: +1 entering a volume (front face), -1 leaving it
    // (back face), wrapping so that the order of the faces does not matter.
    const D3D11_DEPTH_STENCIL_DESC depthStencil =
        DepthStencilDescription(D3D11_DEPTH_WRITE_MASK_ZERO, D3D11_COMPARISON_LESS, TRUE, 0xFF,
                                StencilOps(D3D11_STENCIL_OP_INCR, D3D11_COMPARISON_ALWAYS),
                                StencilOps(D3D11_STENCIL_OP_DECR, D3D11_COMPARISON_ALWAYS));
    return CreatePassStates(device, 2, blend, &ShadowVolumeBlendState, &rasterizer, &ShadowVolumeRasterizerState,
                            depthStencil, &ShadowVolumeDepthStencilState);
}

HRESULT CreateShadowPipeline(ID3D11Device* device)
{
    HRESULT hr = CreateVertexStage(device, "VS_S", &ShadowVertexShader);
    if (FAILED(hr)) return hr;
    hr = CreatePixelStage(device, "PS_S", &ShadowPixelShader);
    if (FAILED(hr)) return hr;

    // source * source alpha + destination * (1 - source alpha): the shadow colour over the frame.
    const D3D11_BLEND_DESC blend =
        BlendDescription(TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE,
                         D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD);
    // Only where the strip at depth 1 lies behind the model (GREATER) and the count is not 0
    // (NOT_EQUAL to reference 0); back faces never pass. Nothing is written to depth or stencil.
    const D3D11_DEPTH_STENCIL_DESC depthStencil =
        DepthStencilDescription(D3D11_DEPTH_WRITE_MASK_ZERO, D3D11_COMPARISON_GREATER, TRUE, 0x00,
                                StencilOps(D3D11_STENCIL_OP_KEEP, D3D11_COMPARISON_NOT_EQUAL),
                                StencilOps(D3D11_STENCIL_OP_KEEP, D3D11_COMPARISON_NEVER));
    return CreatePassStates(device, 3, blend, &ShadowBlendState, nullptr, nullptr, depthStencil,
                            &ShadowDepthStencilState);
}
