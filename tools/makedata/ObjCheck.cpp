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

namespace makedata {
namespace {
struct Float3 {
    float x, y, z;
};

struct Face {
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

std::string Where(int line)
{
    return "line " + std::to_string(line) + ": ";
}

// The program's OBJ reader reads a line in one piece when it holds at most this many
// characters and its line feed; a name keeps at most this many characters.
constexpr size_t MaxLineLength = ObjLineRoom - 2;
constexpr size_t MaxNameLength = ObjNameRoom - 1;

std::string NameTooLong(int line, const char* what)
{
    return Where(line) + what + " name longer than " + std::to_string(MaxNameLength) + " characters";
}

// What the checker reads from the file.
struct Model {
    std::vector<Float3> positions, normals;
    int texcoordCount = 0;
    std::vector<Face> faces;
    std::vector<std::string> groups;
    std::vector<bool> groupHasMaterial;
    std::string mtllib;
};

// "f p/t/n p/t/n p/t/n": a triangle of the current group, which must have a material, whose
// references name elements read before it; stored 0-based.
std::string ReadFace(const char* line, int lineNumber, Model& m)
{
    int end = 0;
    Face face{static_cast<int>(m.groups.size()) - 1, {}};
    auto& c = face.corners;
    if (std::sscanf(line, "f %d/%d/%d %d/%d/%d %d/%d/%d %n", &c[0][0], &c[0][1], &c[0][2], &c[1][0], &c[1][1], &c[1][2],
                    &c[2][0], &c[2][1], &c[2][2], &end) != 9 ||
        line[end] != '\0')
        return Where(lineNumber) + "face is not a triangle of p/t/n corners";
    if (face.group < 0 || !m.groupHasMaterial[face.group])
        return Where(lineNumber) + "face outside a group with a material";
    const int counts[3] = {static_cast<int>(m.positions.size()), m.texcoordCount, static_cast<int>(m.normals.size())};
    for (auto& corner : c)
        for (int k = 0; k < 3; ++k) {
            if (corner[k] < 1 || corner[k] > counts[k])
                return Where(lineNumber) + "reference outside the elements read so far";
            --corner[k];
        }
    m.faces.push_back(face);
    return {};
}

// One line without its line feed: a comment, a blank line, or one statement in the exact form
// the generator writes.
std::string ReadStatement(const char* line, size_t length, int lineNumber, Model& m)
{
    char name[65536];
    int end = 0;
    if (length == 0 || line[0] == '#') return {};
    if (std::strncmp(line, "v ", 2) == 0) {
        Float3 p;
        if (std::sscanf(line, "v %f %f %f %n", &p.x, &p.y, &p.z, &end) != 3 || line[end] != '\0')
            return Where(lineNumber) + "malformed position";
        m.positions.push_back(p);
    } else if (std::strncmp(line, "vt ", 3) == 0) {
        float u, v;
        if (std::sscanf(line, "vt %f %f %n", &u, &v, &end) != 2 || line[end] != '\0')
            return Where(lineNumber) + "malformed texture coordinate";
        ++m.texcoordCount;
    } else if (std::strncmp(line, "vn ", 3) == 0) {
        Float3 n;
        if (std::sscanf(line, "vn %f %f %f %n", &n.x, &n.y, &n.z, &end) != 3 || line[end] != '\0')
            return Where(lineNumber) + "malformed normal";
        m.normals.push_back(n);
    } else if (std::sscanf(line, "g %s %n", name, &end) == 1 && line[end] == '\0') {
        if (std::strlen(name) > MaxNameLength) return NameTooLong(lineNumber, "group");
        m.groups.push_back(name);
        m.groupHasMaterial.push_back(false);
    } else if (std::sscanf(line, "usemtl %s %n", name, &end) == 1 && line[end] == '\0') {
        if (std::strlen(name) > MaxNameLength) return NameTooLong(lineNumber, "material");
        if (m.groups.empty()) return Where(lineNumber) + "usemtl before the first group";
        m.groupHasMaterial.back() = true;
    } else if (std::sscanf(line, "mtllib %s %n", name, &end) == 1 && line[end] == '\0') {
        if (std::strlen(name) > MaxNameLength) return NameTooLong(lineNumber, "library");
        m.mtllib = name;
    } else if (std::strncmp(line, "f ", 2) == 0)
        return ReadFace(line, lineNumber, m);
    else
        return Where(lineNumber) + "unexpected statement";
    return {};
}

// Every line of the file, each at most MaxLineLength characters.
std::string ReadModel(FILE* f, const std::string& path, Model& m)
{
    static char line[65536];
    int lineNumber = 0;
    while (std::fgets(line, sizeof line, f)) {
        ++lineNumber;
        size_t length = std::strlen(line);
        if (length > 0 && line[length - 1] == '\n')
            line[--length] = '\0';
        else if (!std::feof(f))
            return Where(lineNumber) + "line too long";
        if (length > MaxLineLength)
            return Where(lineNumber) + "line longer than " + std::to_string(MaxLineLength) + " characters";
        std::string problem = ReadStatement(line, length, lineNumber, m);
        if (!problem.empty()) return problem;
    }
    if (std::ferror(f)) return "read error in " + path;
    return {};
}

// The reader's limits, the library name, the rules' triangle count, and a triangle in every
// group; distinctCorners receives the model's distinct p/t/n corners.
std::string CheckReaderLimits(const Model& m, const ObjRules& rules, std::set<std::array<int, 3>>& distinctCorners)
{
    if (m.positions.size() > ObjMaxElements || m.normals.size() > ObjMaxElements || m.texcoordCount > ObjMaxElements)
        return "more than " + std::to_string(ObjMaxElements) + " v, vt or vn lines";
    if (m.groups.size() > ObjMaxGroupLines) return "more than " + std::to_string(ObjMaxGroupLines) + " groups";
    if (m.mtllib.empty()) return "no mtllib line";
    const int triangles = static_cast<int>(m.faces.size());
    if (triangles > ObjMaxTriangles) return "more than " + std::to_string(ObjMaxTriangles) + " triangles";
    if (triangles < rules.minTriangles || triangles > rules.maxTriangles)
        return std::to_string(triangles) + " triangles, outside " + std::to_string(rules.minTriangles) + " to " +
               std::to_string(rules.maxTriangles);
    for (const Face& face : m.faces) distinctCorners.insert(face.corners.begin(), face.corners.end());
    if (distinctCorners.size() > ObjMaxVertices)
        return "more than " + std::to_string(ObjMaxVertices) + " distinct vertices";
    std::vector<int> groupFaces(m.groups.size(), 0);
    for (const Face& face : m.faces) ++groupFaces[face.group];
    for (size_t g = 0; g < m.groups.size(); ++g)
        if (groupFaces[g] == 0) return "group " + m.groups[g] + " has no triangles";
    return {};
}

// No two positions close enough for the reader to merge them, none repeated; minDistance
// receives the smallest distance.
std::string CheckPositionSpacing(const Model& m, const ObjRules& rules, double& minDistance)
{
    minDistance = INFINITY;
    for (size_t a = 0; a < m.positions.size(); ++a)
        for (size_t b = a + 1; b < m.positions.size(); ++b) {
            const double d = Distance(m.positions[a], m.positions[b]);
            if (d < minDistance) minDistance = d;
            if (d < rules.minPositionDistance)
                return "positions " + std::to_string(a + 1) + " and " + std::to_string(b + 1) + " lie " +
                       std::to_string(d) + " apart";
        }
    return {};
}

// No edge shorter than the rules allow; minEdge receives the shortest.
std::string CheckEdgeLengths(const Model& m, const ObjRules& rules, double& minEdge)
{
    minEdge = INFINITY;
    for (size_t t = 0; t < m.faces.size(); ++t) {
        const auto& corners = m.faces[t].corners;
        for (int k = 0; k < 3; ++k) {
            const double e = Distance(m.positions[corners[k][0]], m.positions[corners[(k + 1) % 3][0]]);
            minEdge = std::fmin(minEdge, e);
            if (e < rules.minEdgeLength)
                return "triangle " + std::to_string(t + 1) + " has an edge of length " + std::to_string(e);
        }
    }
    return {};
}

// (p1 - p0) x (p2 - p0) in double precision: the face's outward normal when it is wound outwards.
std::array<double, 3> FaceNormal(const Model& m, const Face& face)
{
    const Float3& p0 = m.positions[face.corners[0][0]];
    const Float3& p1 = m.positions[face.corners[1][0]];
    const Float3& p2 = m.positions[face.corners[2][0]];
    const double e1[3] = {double(p1.x) - p0.x, double(p1.y) - p0.y, double(p1.z) - p0.z};
    const double e2[3] = {double(p2.x) - p0.x, double(p2.y) - p0.y, double(p2.z) - p0.z};
    return {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
}

// Every directed edge, between positions told apart by their exact coordinates, run once and
// matched by exactly one reverse edge of its own group.
std::string CheckClosedShells(const Model& m)
{
    std::map<std::array<std::uint32_t, 3>, int> positionIds;
    auto positionId = [&](int p) {
        return positionIds.emplace(PositionKey(m.positions[p]), static_cast<int>(positionIds.size())).first->second;
    };
    std::map<std::pair<int, int>, std::pair<int, int>> edges;  // directed edge -> (count, group)
    for (const Face& face : m.faces)
        for (int k = 0; k < 3; ++k) {
            auto& edge = edges[{positionId(face.corners[k][0]), positionId(face.corners[(k + 1) % 3][0])}];
            ++edge.first;
            edge.second = face.group;
        }
    for (const auto& [edge, use] : edges) {
        const auto reverse = edges.find({edge.second, edge.first});
        if (use.first != 1)
            return "an edge of group " + m.groups[use.second] + " is run " + std::to_string(use.first) +
                   " times in one direction";
        if (reverse == edges.end()) return "group " + m.groups[use.second] + " has an open edge";
        if (reverse->second.second != use.second)
            return "groups " + m.groups[use.second] + " and " + m.groups[reverse->second.second] + " share an edge";
    }
    return {};
}

// Outward winding: a positive enclosed volume for every group.
std::string CheckWinding(const Model& m)
{
    std::vector<double> volume(m.groups.size(), 0.0);
    for (const Face& face : m.faces) {
        const Float3& p0 = m.positions[face.corners[0][0]];
        const std::array<double, 3> n = FaceNormal(m, face);
        volume[face.group] += (p0.x * n[0] + p0.y * n[1] + p0.z * n[2]) / 6.0;
    }
    for (size_t g = 0; g < m.groups.size(); ++g)
        if (!(volume[g] > 0.0)) return "group " + m.groups[g] + " is wound inwards";
    return {};
}

// Every corner's normal a unit vector on the outer side of its face.
std::string CheckNormals(const Model& m)
{
    for (size_t t = 0; t < m.faces.size(); ++t) {
        const std::array<double, 3> n = FaceNormal(m, m.faces[t]);
        for (const auto& corner : m.faces[t].corners) {
            const Float3& vn = m.normals[corner[2]];
            const double length = std::sqrt(double(vn.x) * vn.x + double(vn.y) * vn.y + double(vn.z) * vn.z);
            if (std::fabs(length - 1.0) > 1e-3 || vn.x * n[0] + vn.y * n[1] + vn.z * n[2] <= 0.0)
                return "triangle " + std::to_string(t + 1) +
                       " has a normal that is not a unit vector on its outer side";
        }
    }
    return {};
}
}  // namespace

std::string CheckObjFile(const std::string& path, const ObjRules& rules, ObjStats* stats)
{
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) return "cannot open " + path;

    Model m;
    std::set<std::array<int, 3>> distinctCorners;
    double minDistance = 0.0, minEdge = 0.0;
    // The steps in order; the first that finds a problem ends the check.
    std::string problem = ReadModel(f.get(), path, m);
    if (problem.empty()) problem = CheckReaderLimits(m, rules, distinctCorners);
    if (problem.empty()) problem = CheckPositionSpacing(m, rules, minDistance);
    if (problem.empty()) problem = CheckEdgeLengths(m, rules, minEdge);
    if (problem.empty()) problem = CheckClosedShells(m);
    if (problem.empty()) problem = CheckWinding(m);
    if (problem.empty()) problem = CheckNormals(m);
    if (!problem.empty()) return problem;

    if (stats) {
        stats->positions = static_cast<int>(m.positions.size());
        stats->texcoords = m.texcoordCount;
        stats->normals = static_cast<int>(m.normals.size());
        stats->triangles = static_cast<int>(m.faces.size());
        stats->vertices = static_cast<int>(distinctCorners.size());
        stats->minPositionDistance = minDistance;
        stats->minEdgeLength = minEdge;
        stats->groups = m.groups;
    }
    return {};
}
}  // namespace makedata
