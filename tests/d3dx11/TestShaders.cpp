// The shared test shader sources.
#include "TestShaders.h"

#include "TestFiles.h"

BlobPtr CompileSource(const std::string& source, const char* entry, const char* profile, UINT flags,
                      std::string* errors, HRESULT* result, const std::string& fileName)
{
    const std::wstring path = Wide(WriteScratchFile(fileName, source));
    ID3D10Blob* code = nullptr;
    ID3D10Blob* messages = nullptr;
    const HRESULT hr = D3DX11CompileFromFileW(path.c_str(), nullptr, nullptr, entry, profile, flags, 0, nullptr, &code,
                                              &messages, nullptr);
    if (result) *result = hr;
    if (errors) *errors = messages ? static_cast<const char*>(messages->GetBufferPointer()) : "";
    if (messages) messages->Release();
    return BlobPtr(code);
}

const EntryPoint SevenEntryPoints[7] = {{"VS", "vs_4_0"},      {"PS", "ps_4_0"},      {"VS_SV", "vs_4_0"},
                                        {"GS_SV_1", "gs_4_0"}, {"GS_SV_2", "gs_4_0"}, {"VS_S", "vs_4_0"},
                                        {"PS_S", "ps_4_0"}};

const char* const SevenEntryPointSource = R"(
cbuffer FrameConstants : register(b0)
{
    float4x4 World;
    float4x4 View;
    float4x4 Projection;
    float4 LightPosition;
    float4 Diffuse;
};

Texture2D DiffuseTexture : register(t0);
SamplerState LinearSampler : register(s0);

struct VS_INPUT { float3 pos : POSITION; float3 normal : NORMAL; float2 uv : TEXTURE; };
struct PS_INPUT { float4 pos : SV_Position; float3 normal : NORMAL; float2 uv : TEXCOORD0; };
struct PS_INPUT_SWAPPED { float2 uv : TEXCOORD0; float4 pos : SV_Position; float3 normal : NORMAL; };

PS_INPUT VS(VS_INPUT input)
{
    PS_INPUT o;
    float4 p = mul(float4(input.pos, 1), World);
    o.pos = mul(mul(p, View), Projection);
    o.normal = mul(input.normal, (float3x3)World);
    o.uv = input.uv;
    return o;
}

float4 PS(PS_INPUT_SWAPPED input) : SV_Target
{
    float l = saturate(dot(normalize(input.normal), normalize(LightPosition.xyz)));
    return DiffuseTexture.Sample(LinearSampler, input.uv) * Diffuse * (0.2 + l);
}

struct SV_VSOUT { float4 pos : POSITION; uint id : VERTEXID; };
SV_VSOUT VS_SV(VS_INPUT input, uint id : SV_VertexID)
{
    SV_VSOUT o;
    o.pos = mul(float4(input.pos, 1), World);
    o.id = id;
    return o;
}

struct GS_OUT { float4 pos : SV_Position; };

void Emit(float4 a, float4 b, float4 c, inout TriangleStream<GS_OUT> stream)
{
    GS_OUT o;
    o.pos = mul(mul(a, View), Projection); stream.Append(o);
    o.pos = mul(mul(b, View), Projection); stream.Append(o);
    o.pos = mul(mul(c, View), Projection); stream.Append(o);
    stream.RestartStrip();
}

[maxvertexcount(18)]
void GS_SV_1(triangleadj SV_VSOUT input[6], inout TriangleStream<GS_OUT> stream)
{
    Emit(input[0].pos, input[2].pos, input[4].pos, stream);
    for (int i = 0; i < 6; i += 2) {
        if (input[i + 1].id == 0xFFFFFFFF) {
            float4 far0 = float4(input[i].pos.xyz - LightPosition.xyz, 0);
            Emit(input[i].pos, far0, input[(i + 2) % 6].pos, stream);
        }
    }
}

[maxvertexcount(9)]
void GS_SV_2(triangle SV_VSOUT input[3], inout TriangleStream<GS_OUT> stream)
{
    Emit(input[0].pos, input[1].pos, input[2].pos, stream);
}

float4 VS_S(uint id : SV_VertexID) : SV_Position
{
    float2 corner = float2((id & 1) ? 1.0 : -1.0, (id & 2) ? -1.0 : 1.0);
    return float4(corner, 1, 1);
}

float4 PS_S(float4 pos : SV_Position) : SV_Target
{
    return float4(0, 0, 0, 0.5 + 0.0 * pos.y);
}
)";
