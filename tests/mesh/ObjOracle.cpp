// Reference implementations, transcribed loop for loop from the model rules.
#include "ObjOracle.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace oracle {
namespace {

float Positions[65536][3];
float Texcoords[65536][2];
float Normals[65536][3];
ObjCorner Corners[65536];
ObjCorner Distinct[65535];
char Line[1024];
char Tokens[4][256];
int Written[3];  // how far the position, texture-coordinate and normal tables may have been written

float Length(float dx, float dy, float dz)
{
    return sqrtf((dx * dx + dy * dy) + dz * dz);
}

// Degenerate-test edge: a reference without a position read so far gives NaN.
float Edge(int a, int b, int positionsRead)
{
    if (a < 1 || a > positionsRead || b < 1 || b > positionsRead) return NAN;
    return Length(Positions[a - 1][0] - Positions[b - 1][0], Positions[a - 1][1] - Positions[b - 1][1],
                  Positions[a - 1][2] - Positions[b - 1][2]);
}

}  // namespace

void ResetTables()
{
    memset(Positions, 0, sizeof Positions[0] * Written[0]);
    memset(Texcoords, 0, sizeof Texcoords[0] * Written[1]);
    memset(Normals, 0, sizeof Normals[0] * Written[2]);
    Written[0] = Written[1] = Written[2] = 0;
}

bool ReadObj(FILE* file, MeshVertex* vertices, int& vertexCount, uint32_t* indices, int& indexCount, MeshGroup* groups,
             int& groupCount, char* mtllibName)
{
    vertexCount = 0;
    indexCount = 0;
    groupCount = 1;
    groups[0].name[0] = 0;
    groups[0].materialName[0] = 0;
    groups[0].startIndex = 0;
    groups[0].indexCount = 0;
    mtllibName[0] = 0;
    int positions = 0, texcoords = 0, normals = 0, corners = 0;

    while (fgets(Line, 1024, file)) {
        Written[0] = std::max(Written[0], positions + 1);
        Written[1] = std::max(Written[1], texcoords + 1);
        Written[2] = std::max(Written[2], normals + 1);
        char name[80];
        if (sscanf(Line, "v %f %f %f", &Positions[positions][0], &Positions[positions][1], &Positions[positions][2]) >=
            1) {
            if (positions == 65535) return false;
            ++positions;
        } else if (sscanf(Line, "vt %f %f", &Texcoords[texcoords][0], &Texcoords[texcoords][1]) >= 1) {
            if (texcoords == 65535) return false;
            ++texcoords;
        } else if (sscanf(Line, "vn %f %f %f", &Normals[normals][0], &Normals[normals][1], &Normals[normals][2]) >= 1) {
            if (normals == 65535) return false;
            ++normals;
        } else if (sscanf(Line, "g %79s", name) >= 1) {
            if (groupCount == 255) return false;
            strcpy(groups[groupCount].name, name);
            groups[groupCount].materialName[0] = 0;
            groups[groupCount].startIndex = corners;
            groups[groupCount].indexCount = 0;
            ++groupCount;
        } else if (sscanf(Line, "usemtl %79s", name) >= 1) {
            strcpy(groups[groupCount - 1].materialName, name);
        } else if (sscanf(Line, "mtllib %79s", name) >= 1) {
            strcpy(mtllibName, name);
        } else if (Line[0] == 'f') {
            // "f %s %s %s %s", each token cut to 255 characters with the rest of it skipped.
            int count = 0;
            const char* p = Line + 1;
            while (count < 4) {
                int used = 0;
                if (sscanf(p, " %255s%n", Tokens[count], &used) < 1) break;
                p += used;
                while (*p && !isspace((unsigned char)*p)) ++p;
                ++count;
            }
            if (count < 3) return false;
            ObjCorner c[4];
            for (int i = 0; i < count; ++i) {
                int v[3] = {0, 0, 0};
                if (sscanf(Tokens[i], "%i/%i/%i", &v[0], &v[1], &v[2]) == 1) sscanf(Tokens[i], "%i//%i", &v[0], &v[2]);
                if (v[0] < 0) v[0] = positions + v[0] + 1;
                if (v[1] < 0) v[1] = texcoords + v[1] + 1;
                if (v[2] < 0) v[2] = normals + v[2] + 1;
                c[i] = {v[0], v[1], v[2]};
            }
            for (int t = 0; t < count - 2; ++t) {
                ObjCorner tri[3] = {c[0], c[t + 1], c[t + 2]};
                if (corners > 65532) return false;
                if (Edge(tri[0].position, tri[1].position, positions) < 0.00001f ||
                    Edge(tri[0].position, tri[2].position, positions) < 0.00001f ||
                    Edge(tri[1].position, tri[2].position, positions) < 0.00001f)
                    continue;
                for (int k = 0; k < 3; ++k) Corners[corners++] = tri[k];
                groups[groupCount - 1].indexCount += 3;
            }
        }
    }

    // Merging, all pairs, in the stated loop order.
    for (int a = 1; a <= positions - 1; ++a)
        for (int j = a + 1; j <= positions; ++j) {
            float d = Length(Positions[a - 1][0] - Positions[j - 1][0], Positions[a - 1][1] - Positions[j - 1][1],
                             Positions[a - 1][2] - Positions[j - 1][2]);
            if (d < 0.0001f || std::isnan(d))
                for (int i = 0; i < corners; ++i)
                    if (Corners[i].position == j) Corners[i].position = a;
        }

    // Indexing, linear search.
    int distinct = 0;
    for (int i = 0; i < corners; ++i) {
        int found = -1;
        for (int u = 0; u < distinct; ++u)
            if (Distinct[u].position == Corners[i].position && Distinct[u].texcoord == Corners[i].texcoord &&
                Distinct[u].normal == Corners[i].normal) {
                found = u;
                break;
            }
        if (found < 0) {
            found = distinct;
            Distinct[distinct++] = Corners[i];
        }
        indices[indexCount++] = (uint32_t)found;
        if (indexCount == 65535) return false;
    }

    for (int u = 0; u < distinct; ++u) {
        Distinct[u].position -= 1;
        Distinct[u].texcoord -= 1;
        Distinct[u].normal -= 1;
    }
    for (int u = 0; u < distinct; ++u) {
        int p = Distinct[u].position, t = Distinct[u].texcoord, n = Distinct[u].normal;
        MeshVertex& v = vertices[u];
        v.position =
            (p >= 0 && p < positions) ? Float3{Positions[p][0], Positions[p][1], Positions[p][2]} : Float3{0, 0, 0};
        v.texcoord = (t >= 0 && t < texcoords) ? Float2{Texcoords[t][0], Texcoords[t][1]} : Float2{0, 0};
        v.normal = (n >= 0 && n < normals) ? Float3{Normals[n][0], Normals[n][1], Normals[n][2]} : Float3{1, 1, 1};
    }
    vertexCount = distinct;
    return true;
}

void BuildAdjacency(const MeshVertex* vertices, const uint32_t* indices, int indexCount, uint32_t* adjacency)
{
    auto same = [](const Float3& a, const Float3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; };
    int triangles = indexCount / 3;
    for (int t = 0; t < triangles; ++t) {
        const uint32_t* c = indices + 3 * t;
        uint32_t* out = adjacency + 6 * t;
        Float3 P[3] = {vertices[c[0]].position, vertices[c[1]].position, vertices[c[2]].position};
        for (int e = 0; e < 3; ++e) {
            out[2 * e] = c[e];
            out[2 * e + 1] = 0xFFFFFFFF;
        }
        for (int u = 0; u < triangles; ++u) {
            if (u == t) continue;
            const uint32_t* uc = indices + 3 * u;
            Float3 Q[3] = {vertices[uc[0]].position, vertices[uc[1]].position, vertices[uc[2]].position};
            for (int e = 0; e < 3; ++e) {
                if (out[2 * e + 1] != 0xFFFFFFFF) continue;
                int e2 = (e + 1) % 3;
                if (same(Q[1], P[e]) && same(Q[0], P[e2]))
                    out[2 * e + 1] = uc[2];
                else if (same(Q[2], P[e]) && same(Q[1], P[e2]))
                    out[2 * e + 1] = uc[0];
                else if (same(Q[0], P[e]) && same(Q[2], P[e2]))
                    out[2 * e + 1] = uc[1];
            }
            if (out[1] != 0xFFFFFFFF && out[3] != 0xFFFFFFFF && out[5] != 0xFFFFFFFF) break;
        }
    }
    for (int i = triangles * 3; i < indexCount; ++i) {
        adjacency[2 * i] = indices[i];
        adjacency[2 * i + 1] = 0xFFFFFFFF;
    }
}

void ComputeBoundingSphere(const MeshVertex* vertices, uint32_t vertexCount, BoundingSphere& sphere)
{
    Float3 lo[3], hi[3];
    for (int k = 0; k < 3; ++k) lo[k] = hi[k] = vertices[0].position;
    for (uint32_t i = 1; i < vertexCount; ++i) {
        Float3 p = vertices[i].position;
        if (lo[0].x > p.x) lo[0] = p;
        if (hi[0].x < p.x) hi[0] = p;
        if (lo[1].y > p.y) lo[1] = p;
        if (hi[1].y < p.y) hi[1] = p;
        if (lo[2].z > p.z) lo[2] = p;
        if (hi[2].z < p.z) hi[2] = p;
    }
    float d[3];
    for (int k = 0; k < 3; ++k) d[k] = Length(hi[k].x - lo[k].x, hi[k].y - lo[k].y, hi[k].z - lo[k].z);
    int pick = (d[1] < d[0] && d[2] < d[0]) ? 0 : (d[0] <= d[1] && d[2] < d[1]) ? 1 : 2;
    Float3 a = lo[pick], b = hi[pick];
    Float3 c = {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f, (a.z + b.z) * 0.5f};
    float r = 0.5f * Length(b.x - a.x, b.y - a.y, b.z - a.z);
    for (uint32_t i = 0; i < vertexCount; ++i) {
        Float3 p = vertices[i].position;
        float dist = Length(p.x - c.x, p.y - c.y, p.z - c.z);
        if (r < dist) {
            float r2 = (r + dist) * 0.5f;
            float s = 1.0f - r2 * (1.0f / dist);
            c.x = c.x + s * (p.x - c.x);
            c.y = c.y + s * (p.y - c.y);
            c.z = c.z + s * (p.z - c.z);
            r = r2;
        }
    }
    sphere = {c, r};
}

}  // namespace oracle
