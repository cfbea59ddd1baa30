// Quenvale.sh: the shaders of the three passes of a frame.
//   Pass 1 ("VS", "PS"): the model, textured and lit by a point light.
//   Pass 2 ("VS_SV", "GS_SV_1" or "GS_SV_2"): the model's shadow volumes, counted into the
//     stencil buffer in front of the visible surface (+1 for a face turned towards the viewer,
//     -1 for one turned away), so that a pixel ends non-zero exactly when its surface lies inside
//     a volume. The camera always sits outside every volume, so counting in front of the surface
//     is enough, provided each volume is closed and its faces are wound consistently outwards.
//   Pass 3 ("VS_S", "PS_S"): a strip over the whole target at depth 1 that darkens every model
//     pixel whose count is not zero.
// All positions are row vectors: p' = mul(p, M).

cbuffer FrameConstants : register(b0)
{
    float4x4 world;
    float4x4 view;
    float4x4 projection;
    float4 diffuse;            // Kd and d of the group being drawn
    float3 viewLightPosition;  // the point light, in view space
    float reserved;
};

Texture2D DiffuseTexture : register(t0);
SamplerState LinearWrapSampler : register(s0);

// ---------------------------------------------------------------------------------------------
// Pass 1: the lit, textured model.

struct SceneVertex
{
    float3 position : POSITION;
    float3 normal : NORMAL;
    float2 texcoord : TEXTURE;
};

struct ScenePixel
{
    float4 position : SV_Position;
    float3 viewPosition : VIEWPOSITION;
    float3 viewNormal : NORMAL;
    float2 texcoord : TEXTURE;
};

// Light that reaches every surface whatever its direction, so that the sides turned away from
// the light keep their texture and colour instead of going black; the rest is the point light.
static const float Ambient = 0.3f;

ScenePixel VS(SceneVertex input)
{
    ScenePixel output;
    // The same products, in the same order, as the shadow-volume pass: both see one surface.
    float4 viewPosition = mul(mul(float4(input.position, 1.0f), world), view);
    output.position = mul(viewPosition, projection);
    output.viewPosition = viewPosition.xyz;
    // World and view scale uniformly, so their upper 3x3 turns normals correctly up to length.
    output.viewNormal = mul(mul(input.normal, (float3x3)world), (float3x3)view);
    output.texcoord = input.texcoord;
    return output;
}

float4 PS(ScenePixel input) : SV_Target
{
    float3 toLight = normalize(viewLightPosition - input.viewPosition);
    // A model without normals (all zero) is shown fully lit rather than with undefined colour.
    float normalLengthSquared = dot(input.viewNormal, input.viewNormal);
    float lambert = 1.0f;
    if (normalLengthSquared > 0.0f)
        lambert = saturate(dot(input.viewNormal * rsqrt(normalLengthSquared), toLight));
    float4 texel = DiffuseTexture.Sample(LinearWrapSampler, input.texcoord);
    float3 colour = texel.rgb * diffuse.rgb * (Ambient + (1.0f - Ambient) * lambert);
    return float4(colour, diffuse.a);
}

// ---------------------------------------------------------------------------------------------
// Pass 2: shadow volumes.

struct VolumeVertex
{
    float3 viewPosition : VIEWPOSITION;
    // The index the vertex was fetched with: 0xFFFFFFFF marks the missing neighbour of an open
    // edge in the adjacency list.
    nointerpolation uint vertexId : VERTEXID;
};

struct VolumePoint
{
    float4 position : SV_Position;
};

static const uint OpenEdge = 0xFFFFFFFFu;

// The world matrix fits the model into the unit sphere about the world origin. Every volume
// vertex is moved along its ray from the light onto one plane, square to the line from the
// light through the sphere's centre and just beyond the sphere's far side (centre distance + 1 +
// margin from the light). All back caps then lie in that one plane, so no part of a cap, however
// large its triangle, dips back into the sphere: every volume reaches past every surface it can
// shadow. Ending each vertex on the sphere itself instead leaves the flat cap between far-apart
// corners inside it, and what lies behind is counted out again. The plane is the nearest that
// clears the whole sphere, so the walls stay short: walls run out to the far plane cost a great
// deal of fill rate for nothing (about 20 times the frame time on a software rasteriser). With
// the light 5.196 from the centre, a ray through the sphere meets the plane at most
// 6.25 / cos(asin(1 / 5.196)) = 6.37 from the light. The margin covers the rounding of the fitted
// sphere and of the view-space positions, both near 1e-6.
static const float ModelRadius = 1.0f;
static const float ExtrusionMargin = 0.05f;

// A volume's front cap lies exactly on its light-facing triangle, which pass 1 has drawn. Pushed
// back by this much depth it never counts against that same triangle's surface through rounding;
// it only matters where the back of a triangle can be seen, through an open edge. 1e-5 is a
// hundred times the depth rounding near 1.0 and at most about 0.01 model units deep at the
// farthest camera distance (depth there changes by about 1 / z^2 = 1 / 800 per unit).
static const float FrontCapDepthOffset = 1.0e-5f;

VolumeVertex VS_SV(SceneVertex input, uint vertexId : SV_VertexID)
{
    VolumeVertex output;
    output.viewPosition = mul(mul(float4(input.position, 1.0f), world), view).xyz;
    output.vertexId = vertexId;
    return output;
}

// A strict order of positions. Every computation that more than one invocation makes about the
// same edge or triangle starts from the smaller corner, so that all of them round alike.
bool Precedes(float3 a, float3 b)
{
    if (a.x != b.x)
        return a.x < b.x;
    if (a.y != b.y)
        return a.y < b.y;
    return a.z < b.z;
}

// Which side of the triangle (p0, p1, p2), wound clockwise as seen from outside, the light is on:
// 1 in front, -1 behind, 0 in its plane. The triangle is first turned to start from its smallest
// corner: its own invocation and a neighbour's (in GS_SV_1) then decide alike even for a triangle
// edge-on to the light.
int LightSide(float3 p0, float3 p1, float3 p2)
{
    float3 first = p0, second = p1, third = p2;
    if (Precedes(p1, p0) && Precedes(p1, p2))
    {
        first = p1;
        second = p2;
        third = p0;
    }
    else if (Precedes(p2, p0) && Precedes(p2, p1))
    {
        first = p2;
        second = p0;
        third = p1;
    }
    float3 outward = cross(second - first, third - first);
    float towardsLight = dot(outward, viewLightPosition - first);
    return towardsLight > 0.0f ? 1 : (towardsLight < 0.0f ? -1 : 0);
}

// The far end of p's volume edge: along the ray from the light, on the plane beyond the sphere.
float3 Extrude(float3 p)
{
    float3 centre = mul(float4(0.0f, 0.0f, 0.0f, 1.0f), view).xyz;
    float3 axis = centre - viewLightPosition;
    float centreDistance = length(axis);
    float capDistance = centreDistance + ModelRadius + ExtrusionMargin;
    // How far p lies along the axis; at least centreDistance - 1 > 0 for a point in the sphere,
    // since the light stays outside it.
    float along = dot(p - viewLightPosition, axis) / centreDistance;
    return viewLightPosition + (p - viewLightPosition) * (capDistance / along);
}

float4 Project(float3 p)
{
    return mul(float4(p, 1.0f), projection);
}

void EmitTriangle(float4 a, float4 b, float4 c, inout TriangleStream<VolumePoint> stream)
{
    VolumePoint emitted;
    emitted.position = a;
    stream.Append(emitted);
    emitted.position = b;
    stream.Append(emitted);
    emitted.position = c;
    stream.Append(emitted);
    stream.RestartStrip();
}

// Front cap (the triangle itself, facing the light) and back cap (its far end, facing away).
void EmitCaps(float3 a, float3 b, float3 c, inout TriangleStream<VolumePoint> stream)
{
    float4 front[3] = {Project(a), Project(b), Project(c)};
    for (int i = 0; i < 3; ++i)
        front[i].z += FrontCapDepthOffset * front[i].w;
    EmitTriangle(front[0], front[1], front[2], stream);
    EmitTriangle(Project(Extrude(a)), Project(Extrude(c)), Project(Extrude(b)), stream);
}

// The wall that the edge p -> q of a light-facing triangle sweeps away from the light, wound
// outwards: the quad q, p, p', q'. It is split along the diagonal from the larger end to the far
// end of the smaller one, whichever triangle emits it, and each half starts from the same corner:
// the two walls that neighbouring light-facing triangles emit on their shared edge (in GS_SV_2)
// are then the same triangles in opposite windings, and cancel pixel for pixel.
void EmitWall(float3 p, float3 q, inout TriangleStream<VolumePoint> stream)
{
    float4 near0 = Project(p), near1 = Project(q);
    float4 far0 = Project(Extrude(p)), far1 = Project(Extrude(q));
    if (Precedes(q, p))
    {
        EmitTriangle(near1, near0, far1, stream);
        EmitTriangle(far1, near0, far0, stream);
    }
    else
    {
        EmitTriangle(near0, far0, near1, stream);
        EmitTriangle(far0, far1, near1, stream);
    }
}

// A surface blocks the light whichever side it turns towards it, so every triangle that is not
// edge-on to the light makes a volume: one turned away is taken with its winding reversed, which
// turns it towards the light (caps and walls below are for a triangle facing the light). On a
// closed model this changes no decision: along any ray from the light the first surface crossed
// faces the light, so a point has some triangle between it and the light exactly when it has one
// facing the light, and the count is zero exactly where it was (the counts themselves double, so
// 8-bit wrapping would now need 128 layers of the model in front of one point instead of 256).
// An open sheet, though, keeps its shadow when it turns its back to the light.

// Six vertices per triangle: corners 0, 2, 4 and the neighbours' outer vertices 1, 3, 5 beyond
// the edges 0 -> 2, 2 -> 4 and 4 -> 0. Each triangle emits its two caps and the walls of the
// edges where the surface's volume ends: an open edge, or a neighbour on the other side of the
// light from it (or edge-on). Two neighbours on the same side would emit walls that cancel. An
// edge shared by more than two triangles arrives here as open (the mesh marks it so when it
// uploads the list), so that each of those triangles walls it itself.
[maxvertexcount(24)]
void GS_SV_1(triangleadj VolumeVertex input[6], inout TriangleStream<VolumePoint> stream)
{
    float3 a = input[0].viewPosition;
    float3 b = input[2].viewPosition;
    float3 c = input[4].viewPosition;
    int side = LightSide(a, b, c);
    if (side == 0)
        return;
    if (side > 0)
        EmitCaps(a, b, c, stream);
    else
        EmitCaps(a, c, b, stream);
    float3 corner[3] = {a, b, c};
    for (int e = 0; e < 3; ++e)
    {
        float3 p = corner[e];
        float3 q = corner[(e + 1) % 3];
        VolumeVertex outer = input[2 * e + 1];
        // The neighbour runs q -> p.
        if (outer.vertexId != OpenEdge && LightSide(p, outer.viewPosition, q) == side)
            continue;
        if (side > 0)
            EmitWall(p, q, stream);
        else
            EmitWall(q, p, stream);
    }
}

// Plain triangles: each triangle not edge-on to the light emits a closed prism of its own, both
// caps and all three walls.
[maxvertexcount(24)]
void GS_SV_2(triangle VolumeVertex input[3], inout TriangleStream<VolumePoint> stream)
{
    float3 a = input[0].viewPosition;
    float3 b = input[1].viewPosition;
    float3 c = input[2].viewPosition;
    int side = LightSide(a, b, c);
    if (side == 0)
        return;
    if (side < 0)
    {
        float3 swap = b;
        b = c;
        c = swap;
    }
    EmitCaps(a, b, c, stream);
    EmitWall(a, b, stream);
    EmitWall(b, c, stream);
    EmitWall(c, a, stream);
}

// ---------------------------------------------------------------------------------------------
// Pass 3: darken the counted pixels.

struct ShadowPoint
{
    float4 position : SV_Position;
};

// Vertices 0 to 3 become the corners (-1, -1), (-1, 1), (1, -1), (1, 1): as a strip, two
// triangles clockwise on screen, covering the whole target. z = w = 1 puts the strip exactly at
// depth 1, behind every drawn surface and level with the cleared background, which the depth
// test GREATER therefore leaves alone.
ShadowPoint VS_S(uint vertexId : SV_VertexID)
{
    ShadowPoint output;
    float x = (vertexId & 2u) != 0u ? 1.0f : -1.0f;
    float y = (vertexId & 1u) != 0u ? 1.0f : -1.0f;
    output.position = float4(x, y, 1.0f, 1.0f);
    return output;
}

// Black at half opacity: the shadowed surface keeps half its colour, so it is clearly darker
// while its texture still shows.
float4 PS_S(ShadowPoint input) : SV_Target
{
    return float4(0.0f, 0.0f, 0.0f, 0.5f);
}
