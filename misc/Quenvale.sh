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
    // Which triangles of the group make shadow volumes: 0 every one, 1 only those facing the
    // light, -1 only those facing away (a group whose shells are all closed needs one side only).
    float volumeSides;
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

// The world matrix fits the model into the unit sphere about the world origin, so a volume needs
// to reach only just past that sphere to cover every surface it can shadow. Walls run out to the
// far plane cost a great deal of fill rate for nothing (about 20 times the frame time on a
// software rasteriser), so each volume vertex is moved along its ray from the light onto a
// plane that just clears the sphere (radius 1 + margin) on its far side. The sphere lies wholly
// on the light's side of the plane, so a flat back cap in it never dips back into the sphere,
// however large its triangle: ending each vertex on the sphere itself instead leaves the cap
// between far-apart corners inside it, and what lies behind is counted out again. The margin
// covers the rounding of the fitted sphere and of the view-space positions, both near 1e-6.
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

// A plane as its unit normal (xyz, pointing away from the light) and its distance from the
// light along that normal (w).

// The one plane that every volume of the adjacency method shares, so that neighbouring volumes
// meet edge to edge (the plain method's large triangles end on it too): square to the line from
// the light through the sphere's centre, just beyond the sphere. With the light 5.196 from the centre, a ray through the sphere meets it at most
// 6.25 / cos(asin(1 / 5.196)) = 6.37 from the light. The camera never comes as far from the
// light along that line as the plane (at most 2.31 of the 6.25 at the nearest camera distance,
// and less farther out), so a back cap on it never lies in front of a surface the camera sees,
// and the adjacency method leaves the back caps out: they could only ever fail the depth test.
float4 SharedFarPlane()
{
    float3 centre = mul(float4(0.0f, 0.0f, 0.0f, 1.0f), view).xyz;
    float3 axis = centre - viewLightPosition;
    float centreDistance = length(axis);
    return float4(axis / centreDistance, centreDistance + ModelRadius + ExtrusionMargin);
}

float3 RayFromLight(float3 p)
{
    return normalize(p - viewLightPosition);
}

// Where p's ray from the light leaves the sphere (radius 1 + margin): a point that depends on p
// alone, so every prism that has p as a corner finds the same one.
float3 SphereExit(float3 p)
{
    float3 centre = mul(float4(0.0f, 0.0f, 0.0f, 1.0f), view).xyz;
    float3 direction = RayFromLight(p);
    float3 fromCentre = p - centre;
    float along = dot(direction, fromCentre);
    float radius = ModelRadius + ExtrusionMargin;
    float beyond = dot(fromCentre, fromCentre) - radius * radius;
    return p + direction * max(-along + sqrt(max(along * along - beyond, 0.0f)), 0.0f);
}

// The far end of p's volume edge: along the ray from the light, on the plane.
float3 Extrude(float3 p, float4 plane)
{
    float3 fromLight = p - viewLightPosition;
    return viewLightPosition + fromLight * (plane.w / dot(fromLight, plane.xyz));
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

// The front cap: the triangle itself, facing the light.
void EmitFrontCap(float3 a, float3 b, float3 c, inout TriangleStream<VolumePoint> stream)
{
    float4 front[3] = {Project(a), Project(b), Project(c)};
    for (int i = 0; i < 3; ++i)
        front[i].z += FrontCapDepthOffset * front[i].w;
    EmitTriangle(front[0], front[1], front[2], stream);
}

// The wall that the edge p -> q of a light-facing triangle sweeps away from the light, wound
// outwards: the quad q, p, p', q'. It is split along the diagonal from the larger end to the far
// end of the smaller one, whichever triangle emits it, and each half starts from the same corner:
// two walls on one edge that end on the same plane are then the same triangles, and where they
// are wound oppositely they cancel pixel for pixel.
void EmitWall(float3 p, float3 q, float3 pFar, float3 qFar, inout TriangleStream<VolumePoint> stream)
{
    float4 near0 = Project(p), near1 = Project(q);
    float4 far0 = Project(pFar), far1 = Project(qFar);
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

// A flat triangle whose corners lie on the sphere of radius r and whose longest edge is l keeps
// at least sqrt(r^2 - l^2 / 3) from the centre. With r = 1.05, a back cap at the corners' sphere
// exits stays 0.01 clear of the model's sphere while its longest edge is at most
// sqrt(3 * (1.05^2 - 1.01^2)) = 0.497 (squared, 0.2472).
static const float ExitCapLongestEdgeSquared = 0.2472f;

// A surface blocks the light whichever side it turns towards it, so a triangle that is not
// edge-on to the light makes a volume whichever side it faces: one turned away is taken with its
// winding reversed, which turns it towards the light (caps and walls are for a triangle facing
// the light). An open sheet needs both sides. A closed shell does not: along any ray from the
// light it is entered through a triangle facing the light before it is left through one facing
// away, so every point behind the second is behind the first as well; the mesh marks such
// groups (volumeSides 1, or -1 for a shell wound inside out) and only their triangles on that
// side make volumes, half the fill of both. The counts never go below zero, so 8-bit wrapping
// needs 256 volumes (128 where both sides are drawn) around one point.

// Whether a triangle on this side of the light (LightSide) makes a volume in this group.
bool MakesVolume(int side)
{
    return side != 0 && side * volumeSides >= 0.0f;
}

// The wall on the edge p -> q of a triangle on this side of the light, unless the neighbour
// beyond it (outer, which runs q -> p) is on the same side, where the two volumes go on into
// each other.
void EmitSilhouetteWall(float3 p, float3 q, VolumeVertex outer, int side, float4 plane,
                        inout TriangleStream<VolumePoint> stream)
{
    if (outer.vertexId != OpenEdge && LightSide(p, outer.viewPosition, q) == side)
        return;
    float3 pFar = Extrude(p, plane), qFar = Extrude(q, plane);
    if (side > 0)
        EmitWall(p, q, pFar, qFar, stream);
    else
        EmitWall(q, p, qFar, pFar, stream);
}

// Six vertices per triangle: corners 0, 2, 4 and the neighbours' outer vertices 1, 3, 5 beyond
// the edges 0 -> 2, 2 -> 4 and 4 -> 0. Each triangle that makes a volume emits its front cap
// and the walls of the edges where the surface's volume ends: an open edge, or a neighbour on
// the other side of the light from it (or edge-on). Two neighbours on the same side would emit
// walls that cancel. An edge shared by more than two triangles arrives here as open (the mesh
// marks it so when it uploads the list), so that each of those triangles walls it itself.
[maxvertexcount(24)]
void GS_SV_1(triangleadj VolumeVertex input[6], inout TriangleStream<VolumePoint> stream)
{
    float3 a = input[0].viewPosition;
    float3 b = input[2].viewPosition;
    float3 c = input[4].viewPosition;
    int side = LightSide(a, b, c);
    if (!MakesVolume(side))
        return;
    float4 plane = SharedFarPlane();
    if (side > 0)
        EmitFrontCap(a, b, c, stream);
    else
        EmitFrontCap(a, c, b, stream);
    EmitSilhouetteWall(a, b, input[1], side, plane, stream);
    EmitSilhouetteWall(b, c, input[3], side, plane, stream);
    EmitSilhouetteWall(c, a, input[5], side, plane, stream);
}

// Plain triangles: each triangle that makes a volume emits a closed prism of its own, both caps
// and all three walls, which need not meet its neighbours' prisms.
[maxvertexcount(24)]
void GS_SV_2(triangle VolumeVertex input[3], inout TriangleStream<VolumePoint> stream)
{
    float3 a = input[0].viewPosition;
    float3 b = input[1].viewPosition;
    float3 c = input[2].viewPosition;
    int side = LightSide(a, b, c);
    if (!MakesVolume(side))
        return;
    if (side < 0)
    {
        float3 swap = b;
        b = c;
        c = swap;
    }
    // A small triangle's prism ends where its corners' rays leave the sphere: points of the
    // corners alone, so the two prisms on an edge draw the wall there as the same triangles in
    // opposite windings, and where it passes close to the surface next to the edge both halves
    // of the pair round alike and cancel pixel for pixel. A large triangle's cap between those
    // points could dip into the sphere, so its prism goes on to the plane the adjacency method
    // ends on, which clears it; its walls then end elsewhere than its neighbours', and next to
    // such an edge a pixel whose centre the surface all but touches may fall either way.
    float3 aFar = SphereExit(a), bFar = SphereExit(b), cFar = SphereExit(c);
    float3 ab = bFar - aFar, bc = cFar - bFar, ca = aFar - cFar;
    if (max(dot(ab, ab), max(dot(bc, bc), dot(ca, ca))) > ExitCapLongestEdgeSquared)
    {
        float4 plane = SharedFarPlane();
        aFar = Extrude(a, plane);
        bFar = Extrude(b, plane);
        cFar = Extrude(c, plane);
    }
    EmitFrontCap(a, b, c, stream);
    EmitTriangle(Project(aFar), Project(cFar), Project(bFar), stream);
    EmitWall(a, b, aFar, bFar, stream);
    EmitWall(b, c, bFar, cFar, stream);
    EmitWall(c, a, cFar, aFar, stream);
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
