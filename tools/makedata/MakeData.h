// MakeData.h: the pieces of the misc/ data generator: the bear's closed shells, the OBJ and MTL
// writers, the checker that re-reads the written model, and the procedural textures.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace makedata {
struct Vec3 {
    double x, y, z;
};

struct Vec2 {
    double u, v;
};

// One corner of a shell triangle: a position and a texture coordinate of that shell.
struct Corner {
    int position;
    int texcoord;
};

// A closed surface drawn as one group with one material. Each position is stored once and
// referenced by every triangle that touches it; texture seams duplicate only the coordinates.
struct Shell {
    std::string group;
    std::string material;
    std::vector<Vec3> positions;
    std::vector<Vec2> texcoords;
    std::vector<std::array<Corner, 3>> triangles;  // (b - a) x (c - a) points out of the solid
};

// The bear: +y up, standing on y = 0, facing -z.
std::vector<Shell> BuildBear();

// Smooth per-position normals: area-weighted face normals, normalised.
std::vector<Vec3> ShellNormals(const Shell& shell);

// Writes the model (naming the library mtllibName) and its material library; false on an I/O error.
bool WriteObj(const std::string& path, const std::vector<Shell>& shells, const std::string& mtllibName);
bool WriteMtl(const std::string& path);

// Limits and quality bounds that a written model must meet.
struct ObjRules {
    int minTriangles = 5000;
    int maxTriangles = 20000;
    double minPositionDistance = 0.001;  // far above the reader's 0.0001 merge distance
    double minEdgeLength = 0.001;        // far above the reader's 0.00001 degenerate edge
};

// Statistics of a checked model.
struct ObjStats {
    int positions = 0, texcoords = 0, normals = 0, triangles = 0, vertices = 0;
    double minPositionDistance = 0.0, minEdgeLength = 0.0;
    std::vector<std::string> groups;
};

// Re-reads an OBJ file as the program's reader would and checks it: reader limits, closed
// and consistently outward-wound shells, no near-coincident positions, no short edges.
// Returns an empty string when the file passes, otherwise the first reason it fails.
std::string CheckObjFile(const std::string& path, const ObjRules& rules = {}, ObjStats* stats = nullptr);

// 24-bit uncompressed BMP, rows of rgb bytes top row first; false on an I/O error.
bool WriteBmp(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb);
std::vector<unsigned char> MakeFurTexture(int size);
std::vector<unsigned char> MakeMuzzleTexture(int size);
}  // namespace makedata
