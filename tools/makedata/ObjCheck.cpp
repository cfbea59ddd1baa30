// ObjCheck.cpp: re-reads a written OBJ model with the same scan patterns as the program's
// reader (floats read straight into single precision) and checks that it loads whole and that
// its shells are closed, wound outwards, and free of near-coincident positions and short edges.
#include "MakeData.h"
#include "ObjLimits.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <tuple>

namespace makedata
{
namespace
{
struct Float3
{
    float x, y, z;
};

struct Face
{
    int group;
    std::array<std::array<int, 3>, 3> corners;  // 0-based position, texcoord, normal
};

// Exact position key: the float bits, with -0 read as +0 (they compare equal).
std::array<std::uint32_t, 3> PositionKey(const Float3& p)
{
    return {std::bit_cast<std::uint32_t>(p.x + 0.0f), std::bit_cast<std::uint32_t>(p.y + 0.0f),
            std::bit_cast<std::uint32_t>(p.z + 0.0f)};
}

double Distance(const Float3& a, const Float3& b)
{
    const double dx = double(a.x) - b.x, dy = double(a.y) - b.y, dz = double(a.z) - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

std::string Where(int line) { return "line " + std::to_string(line) + ": "; }

// The program's OBJ reader reads a line in one piece when it holds at most this many
// characters and its line feed; a name keeps at most this many characters.
constexpr size_t MaxLineLength = kObjLineRoom - 2;
constexpr size_t MaxNameLength = kObjNameRoom - 1;

std::string NameTooLong(int line, const char* what)
{
    return Where(line) + what + " name longer than " + std::to_string(MaxNameLength) + " characters";
}
}  // namespace

std::string CheckObjFile(const std::string& path, const ObjRules& rules, ObjStats* stats)
{
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f)
        return "cannot open " + path;

    std::vector<Float3> positions, normals;
    int texcoordCount = 0;
    std::vector<Face> faces;
    std::vector<std::string> groups;
    std::vector<bool> groupHasMaterial;
    std::string mtllib;
    static char line[65536];
    char name[sizeof line];
    int lineNumber = 0;
    while (std::fgets(line, sizeof line, f.get()))
    {
        ++lineNumber;
        size_t length = std::strlen(line);
        if (length > 0 && line[length - 1] == '\n')
            line[--length] = '\0';
        else if (!std::feof(f.get()))
            return Where(lineNumber) + "line too long";
        if (length > MaxLineLength)
            return Where(lineNumber) + "line longer than " + std::to_string(MaxLineLength) + " characters";
        int end = 0;
        if (length == 0 || line[0] == '#')
            continue;
        if (std::strncmp(line, "v ", 2) == 0)
        {
            Float3 p;
            if (std::sscanf(line, "v %f %f %f %n", &p.x, &p.y, &p.z, &end) != 3 || line[end] != '\0')
                return Where(lineNumber) + "malformed position";
            positions.push_back(p);
        }
        else if (std::strncmp(line, "vt ", 3) == 0)
        {
            float u, v;
            if (std::sscanf(line, "vt %f %f %n", &u, &v, &end) != 2 || line[end] != '\0')
                return Where(lineNumber) + "malformed texture coordinate";
            ++texcoordCount;
        }
        else if (std::strncmp(line, "vn ", 3) == 0)
        {
            Float3 n;
            if (std::sscanf(line, "vn %f %f %f %n", &n.x, &n.y, &n.z, &end) != 3 || line[end] != '\0')
                return Where(lineNumber) + "malformed normal";
            normals.push_back(n);
        }
        else if (std::sscanf(line, "g %s %n", name, &end) == 1 && line[end] == '\0')
        {
            if (std::strlen(name) > MaxNameLength)
                return NameTooLong(lineNumber, "group");
            groups.push_back(name);
            groupHasMaterial.push_back(false);
        }
        else if (std::sscanf(line, "usemtl %s %n", name, &end) == 1 && line[end] == '\0')
        {
            if (std::strlen(name) > MaxNameLength)
                return NameTooLong(lineNumber, "material");
            if (groups.empty())
                return Where(lineNumber) + "usemtl before the first group";
            groupHasMaterial.back() = true;
        }
        else if (std::sscanf(line, "mtllib %s %n", name, &end) == 1 && line[end] == '\0')
        {
            if (std::strlen(name) > MaxNameLength)
                return NameTooLong(lineNumber, "library");
            mtllib = name;
        }
        else if (std::strncmp(line, "f ", 2) == 0)
        {
            Face face{static_cast<int>(groups.size()) - 1, {}};
            auto& c = face.corners;
            if (std::sscanf(line, "f %d/%d/%d %d/%d/%d %d/%d/%d %n", &c[0][0], &c[0][1], &c[0][2], &c[1][0],
                            &c[1][1], &c[1][2], &c[2][0], &c[2][1], &c[2][2], &end) != 9 ||
                line[end] != '\0')
                return Where(lineNumber) + "face is not a triangle of p/t/n corners";
            if (face.group < 0 || !groupHasMaterial[face.group])
                return Where(lineNumber) + "face outside a group with a material";
            const int counts[3] = {static_cast<int>(positions.size()), texcoordCount,
                                   static_cast<int>(normals.size())};
            for (auto& corner : c)
                for (int k = 0; k < 3; ++k)
                {
                    if (corner[k] < 1 || corner[k] > counts[k])
                        return Where(lineNumber) + "reference outside the elements read so far";
                    --corner[k];
                }
            faces.push_back(face);
        }
        else
            return Where(lineNumber) + "unexpected statement";
    }
    if (std::ferror(f.get()))
        return "read error in " + path;

    // Reader limits.
    if (positions.size() > kObjMaxElements || normals.size() > kObjMaxElements || texcoordCount > kObjMaxElements)
        return "more than " + std::to_string(kObjMaxElements) + " v, vt or vn lines";
    if (groups.size() > kObjMaxGroupLines)
        return "more than " + std::to_string(kObjMaxGroupLines) + " groups";
    if (mtllib.empty())
        return "no mtllib line";
    const int triangles = static_cast<int>(faces.size());
    if (triangles > kObjMaxTriangles)
        return "more than " + std::to_string(kObjMaxTriangles) + " triangles";
    if (triangles < rules.minTriangles || triangles > rules.maxTriangles)
        return std::to_string(triangles) + " triangles, outside " + std::to_string(rules.minTriangles) + " to " +
               std::to_string(rules.maxTriangles);
    std::set<std::array<int, 3>> distinctCorners;
    for (const Face& face : faces)
        distinctCorners.insert(face.corners.begin(), face.corners.end());
    if (distinctCorners.size() > kObjMaxVertices)
        return "more than " + std::to_string(kObjMaxVertices) + " distinct vertices";
    std::vector<int> groupFaces(groups.size(), 0);
    for (const Face& face : faces)
        ++groupFaces[face.group];
    for (size_t g = 0; g < groups.size(); ++g)
        if (groupFaces[g] == 0)
            return "group " + groups[g] + " has no triangles";

    // No two positions close enough for the reader to merge them, none repeated.
    double minDistance = INFINITY;
    for (size_t a = 0; a < positions.size(); ++a)
        for (size_t b = a + 1; b < positions.size(); ++b)
        {
            const double d = Distance(positions[a], positions[b]);
            if (d < minDistance)
                minDistance = d;
            if (d < rules.minPositionDistance)
                return "positions " + std::to_string(a + 1) + " and " + std::to_string(b + 1) + " lie " +
                       std::to_string(d) + " apart";
        }

    // Edge lengths, outward winding (positive enclosed volume per group), normals on the
    // outer side, and every directed edge matched by exactly one reverse edge of its group.
    std::map<std::array<std::uint32_t, 3>, int> positionIds;
    auto positionId = [&](int p) {
        return positionIds.emplace(PositionKey(positions[p]), static_cast<int>(positionIds.size())).first->second;
    };
    std::map<std::pair<int, int>, std::pair<int, int>> edges;  // directed edge -> (count, group)
    std::vector<double> volume(groups.size(), 0.0);
    std::vector<std::array<double, 3>> faceNormals;
    double minEdge = INFINITY;
    for (size_t t = 0; t < faces.size(); ++t)
    {
        const Face& face = faces[t];
        const Float3* p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = &positions[face.corners[k][0]];
        for (int k = 0; k < 3; ++k)
        {
            const double e = Distance(*p[k], *p[(k + 1) % 3]);
            minEdge = std::fmin(minEdge, e);
            if (e < rules.minEdgeLength)
                return "triangle " + std::to_string(t + 1) + " has an edge of length " + std::to_string(e);
        }
        const double e1[3] = {double(p[1]->x) - p[0]->x, double(p[1]->y) - p[0]->y, double(p[1]->z) - p[0]->z};
        const double e2[3] = {double(p[2]->x) - p[0]->x, double(p[2]->y) - p[0]->y, double(p[2]->z) - p[0]->z};
        const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                             e1[0] * e2[1] - e1[1] * e2[0]};
        volume[face.group] += (p[0]->x * n[0] + p[0]->y * n[1] + p[0]->z * n[2]) / 6.0;
        faceNormals.push_back({n[0], n[1], n[2]});
        for (int k = 0; k < 3; ++k)
        {
            auto& edge = edges[{positionId(face.corners[k][0]), positionId(face.corners[(k + 1) % 3][0])}];
            ++edge.first;
            edge.second = face.group;
        }
    }
    for (const auto& [edge, use] : edges)
    {
        const auto reverse = edges.find({edge.second, edge.first});
        if (use.first != 1)
            return "an edge of group " + groups[use.second] + " is run " + std::to_string(use.first) +
                   " times in one direction";
        if (reverse == edges.end())
            return "group " + groups[use.second] + " has an open edge";
        if (reverse->second.second != use.second)
            return "groups " + groups[use.second] + " and " + groups[reverse->second.second] + " share an edge";
    }
    for (size_t g = 0; g < groups.size(); ++g)
        if (!(volume[g] > 0.0))
            return "group " + groups[g] + " is wound inwards";

    for (size_t t = 0; t < faces.size(); ++t)
    {
        const auto& n = faceNormals[t];
        for (const auto& corner : faces[t].corners)
        {
            const Float3& vn = normals[corner[2]];
            const double length = std::sqrt(double(vn.x) * vn.x + double(vn.y) * vn.y + double(vn.z) * vn.z);
            if (std::fabs(length - 1.0) > 1e-3 || vn.x * n[0] + vn.y * n[1] + vn.z * n[2] <= 0.0)
                return "triangle " + std::to_string(t + 1) + " has a normal that is not a unit vector on its outer side";
        }
    }

    if (stats)
    {
        stats->positions = static_cast<int>(positions.size());
        stats->texcoords = texcoordCount;
        stats->normals = static_cast<int>(normals.size());
        stats->triangles = triangles;
        stats->vertices = static_cast<int>(distinctCorners.size());
        stats->minPositionDistance = minDistance;
        stats->minEdgeLength = minEdge;
        stats->groups = groups;
    }
    return {};
}
}  // namespace makedata
