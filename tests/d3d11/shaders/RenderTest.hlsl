// Shaders for the Direct3D 11 layer's rendering tests.

cbuffer Params : register(b0)
{
    float4 color;
    float4 offset;
};

// Positions straight through, moved by `offset`; one colour from the constant buffer.
float4 VS_Pos(float3 pos : POSITION) : SV_Position
{
    return float4(pos.xy + offset.xy, pos.z, 1.0);
}

float4 PS_Color(float4 pos : SV_Position) : SV_Target
{
    return color;
}

// Textured quad: the texture coordinate semantic is "TEXTURE", as in the program.
Texture2D tex : register(t0);
SamplerState samp : register(s0);

struct TexVertex
{
    float4 pos : SV_Position;
    float2 uv : TEXTURE;
};

TexVertex VS_Tex(float3 pos : POSITION, float2 uv : TEXTURE)
{
    TexVertex v;
    v.pos = float4(pos, 1.0);
    v.uv = uv;
    return v;
}

float4 PS_Tex(TexVertex v) : SV_Target
{
    return tex.Sample(samp, v.uv);
}

// An integer texture read with Load: its texel (0, 0) scaled back to 0..1.
Texture2D<uint4> integers : register(t1);

float4 PS_IntegerLoad(float4 pos : SV_Position) : SV_Target
{
    return float4(integers.Load(int3(0, 0, 0))) / 255.0;
}

// The program's constant-buffer layout: row-vector matrices stored transposed, read with
// column-major packing, so mul(p, M) is the row-vector product.
cbuffer FrameConstants : register(b1)
{
    float4x4 world;
    float4x4 view;
    float4x4 projection;
    float4 diffuse;
    float3 viewLightPosition;
    float reserved;
};

float4 VS_Frame(float3 pos : POSITION) : SV_Position
{
    return mul(mul(mul(float4(pos, 1.0), world), view), projection);
}

float4 PS_Frame(float4 pos : SV_Position) : SV_Target
{
    return diffuse;
}

// Triangles with adjacency: the geometry shader reports which neighbours carry the open-edge
// index 0xFFFFFFFF (as SV_VertexID) and passes the triangle's own corners on.
struct IdVertex
{
    float4 pos : SV_Position;
    uint id : VERTEXID;
};

IdVertex VS_Id(float3 pos : POSITION, uint id : SV_VertexID)
{
    IdVertex v;
    v.pos = float4(pos, 1.0);
    v.id = id;
    return v;
}

struct ColorVertex
{
    float4 pos : SV_Position;
    float4 color : COLOR;
};

[maxvertexcount(3)]
void GS_Adj(triangleadj IdVertex v[6], inout TriangleStream<ColorVertex> stream)
{
    float4 c = float4(v[1].id == 0xFFFFFFFF ? 1.0 : 0.0, v[3].id == 0xFFFFFFFF ? 1.0 : 0.0,
                      v[5].id == 3 ? 1.0 : 0.0, 1.0);
    for (int i = 0; i < 6; i += 2) {
        ColorVertex o;
        o.pos = v[i].pos;
        o.color = c;
        stream.Append(o);
    }
}

float4 PS_VertexColor(ColorVertex v) : SV_Target
{
    return v.color;
}
