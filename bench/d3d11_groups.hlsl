// The benchmark's shaders: the program's scene pass in miniature (transform, texture × diffuse).

cbuffer FrameConstants : register(b0)
{
    float4x4 world;
    float4x4 view;
    float4x4 projection;
    float4 diffuse;
    float3 viewLightPosition;
    float reserved;
};

Texture2D diffuseTexture : register(t0);
SamplerState linearWrap : register(s0);

struct VOut
{
    float4 pos : SV_Position;
    float2 uv : TEXTURE;
};

VOut VS(float3 pos : POSITION, float3 normal : NORMAL, float2 uv : TEXTURE)
{
    VOut o;
    o.pos = mul(mul(mul(float4(pos, 1.0), world), view), projection);
    o.uv = uv;
    return o;
}

float4 PS(VOut v) : SV_Target
{
    return diffuseTexture.Sample(linearWrap, v.uv) * diffuse;
}
