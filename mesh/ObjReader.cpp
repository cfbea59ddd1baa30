// ReadObj: line reading and matching, face corners, degenerate-triangle test, position merging,
// corner indexing and vertex building, over fixed program-lifetime tables.
#include "ObjReader.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "ConstText.h"
#include "ObjNumbers.h"
#include "PositionMerge.h"

namespace {

// A "v", "vt" or "vn" line writes the slot at the current count before the count is checked.
constexpr int TableEntries = ObjMaxElements + 1;
constexpr int TokenRoom = 256;
constexpr float DegenerateEdge = 0.00001f;
constexpr int CornerSlotBits = 17;
static_assert((1u << CornerSlotBits) >= 2u * ObjMaxIndices, "the corner hash stays at most half full");

// Working tables: they live as long as the program, start all zero and are never cleared
// by a read, so a component that a line leaves out keeps what the slot held before.
float Positions[TableEntries][3];
float Texcoords[TableEntries][2];
float Normals[TableEntries][3];
ObjCorner Corners[ObjMaxIndices];
ObjCorner DistinctCorners[ObjMaxVertices];
char Line[ObjLineRoom];
constexpr size_t LineRoom = sizeof Line;

// The stream is read in large blocks and cut into the pieces that fgets(line, 1024, file)
// would return: up to and including a line feed, at most 1023 characters.
constexpr size_t BlockRoom = (size_t(1) << 16) + LineRoom;
char Block[BlockRoom];
char CornerTokens[4][TokenRoom];  // corner tokens cut to 255 characters

// Search tables, rebuilt by every read.
int32_t MergeTarget[ObjMaxElements + 1];
int32_t CornerSlots[1u << CornerSlotBits];  // 1-based distinct corner, 0 = empty

// How far each element table has ever been written, so that a reset clears only that.
int PositionsWritten, TexcoordsWritten, NormalsWritten;

class LineReader {
  public:
    explicit LineReader(FILE* file) : file_(file) {}

    // Copies the next piece into Line with a terminator; returns its length, or 0 at the
    // end of the stream (a read error ends it the same way).
    size_t Next()
    {
        for (;;) {
            size_t available = length_ - position_;
            size_t window = available < LineRoom - 1 ? available : LineRoom - 1;
            const char* start = Block + position_;
            const char* lineFeed = static_cast<const char*>(memchr(start, '\n', window));
            size_t take = lineFeed != nullptr                ? static_cast<size_t>(lineFeed - start) + 1
                          : window == LineRoom - 1 || ended_ ? window
                                                             : 0;
            if (take > 0 || ended_) {
                memcpy(Line, start, take);
                Line[take] = '\0';
                position_ += take;
                return take;
            }
            memmove(Block, start, available);
            position_ = 0;
            length_ = available;
            size_t got = fread(Block + length_, 1, BlockRoom - length_, file_);
            length_ += got;
            ended_ = got == 0;
        }
    }

  private:
    FILE* file_;
    size_t position_ = 0, length_ = 0;
    bool ended_ = false;
};

struct Counters {
    int positions, texcoords, normals, corners;
};

// A line may write the slot at each count before it counts (or fails), hence the + 1.
void NoteWritten(const Counters& n)
{
    PositionsWritten = std::max(PositionsWritten, n.positions + 1);
    TexcoordsWritten = std::max(TexcoordsWritten, n.texcoords + 1);
    NormalsWritten = std::max(NormalsWritten, n.normals + 1);
}

bool Fail(ObjReadStatus* status, ObjReadFailure failure, int line, const Counters& n)
{
    NoteWritten(n);
    if (status != nullptr) *status = {failure, line};
    return false;
}

// Reads up to fieldCount "%f" fields after the keyword into slot; returns how many were read.
int ScanFloats(const char* text, const char* end, float* slot, int fieldCount)
{
    int read = 0;
    while (read < fieldCount) {
        text = ScanFloatField(text, end, &slot[read]);
        if (text == nullptr) break;
        ++read;
    }
    return read;
}

// A corner token read as "%i/%i/%i", and as "%i//%i" when only the first number was read.
ObjCorner ScanCorner(const char* token, const char* end)
{
    int value[3] = {0, 0, 0};
    const char* p = ScanIntField(token, end, &value[0]);
    if (p == nullptr) return {0, 0, 0};
    int read = 1;
    if (p != end && *p == '/') {
        const char* q = ScanIntField(p + 1, end, &value[1]);
        if (q != nullptr) {
            read = 2;
            if (q != end && *q == '/' && ScanIntField(q + 1, end, &value[2]) != nullptr) read = 3;
        }
    }
    if (read == 1 && end - p >= 2 && p[0] == '/' && p[1] == '/') ScanIntField(p + 2, end, &value[2]);
    return {value[0], value[1], value[2]};
}

// A negative reference counts back from the latest element of its kind read so far.
int32_t Resolve(int32_t reference, int readSoFar)
{
    return reference < 0 ? static_cast<int32_t>(int64_t(readSoFar) + reference + 1) : reference;
}

// Edge length for the degenerate test; a reference outside the positions read so far has no
// position, which makes the length not a number, so the triangle is kept.
float EdgeLength(int32_t a, int32_t b, int positionsRead)
{
    if (a < 1 || a > positionsRead || b < 1 || b > positionsRead) return std::numeric_limits<float>::quiet_NaN();
    const float* p = Positions[a - 1];
    const float* q = Positions[b - 1];
    return Length3(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
}

uint32_t HashCorner(const ObjCorner& c, uint32_t mask)
{
    uint64_t h = uint64_t(uint32_t(c.position)) * 0x9E3779B97F4A7C15ull;
    h ^= uint64_t(uint32_t(c.texcoord)) * 0xC2B2AE3D27D4EB4Full;
    h ^= uint64_t(uint32_t(c.normal)) * 0x165667B19E3779F9ull;
    h ^= h >> 31;
    return static_cast<uint32_t>(h) & mask;
}

bool SameCorner(const ObjCorner& a, const ObjCorner& b)
{
    return a.position == b.position && a.texcoord == b.texcoord && a.normal == b.normal;
}

// The outputs as a read starts them: no vertices or indices, the unnamed group 0 without a
// material, and no library name.
void StartOutputs(int& vertexCount, int& indexCount, MeshGroup* groups, int& groupCount, char* mtllibName)
{
    vertexCount = 0;
    indexCount = 0;
    groupCount = 1;
    groups[0].name[0] = '\0';
    groups[0].materialName[0] = '\0';
    groups[0].startIndex = 0;
    groups[0].indexCount = 0;
    mtllibName[0] = '\0';
}

// "v", "vt", "vn": the numbers go into the next slot of the element's table, which counts the
// line when it read at least one.
ObjReadFailure AddElement(const char* end, Counters& n)
{
    if (ScanFloats(Line + 1, end, Positions[n.positions], 3) >= 1) {
        if (n.positions == ObjMaxElements) return ObjReadFailure::TooManyPositions;
        ++n.positions;
    } else if (Line[1] == 't' && ScanFloats(Line + 2, end, Texcoords[n.texcoords], 2) >= 1) {
        if (n.texcoords == ObjMaxElements) return ObjReadFailure::TooManyTexcoords;
        ++n.texcoords;
    } else if (Line[1] == 'n' && ScanFloats(Line + 2, end, Normals[n.normals], 3) >= 1) {
        if (n.normals == ObjMaxElements) return ObjReadFailure::TooManyNormals;
        ++n.normals;
    }
    return ObjReadFailure::None;
}

// "g name": a new draw group without a material, starting at the next corner.
ObjReadFailure AddGroup(const Counters& n, MeshGroup* groups, int& groupCount)
{
    char name[ObjNameRoom];
    if (sscanf_s(Line, "g %s", name, ObjNameRoom) >= 1) {
        if (groupCount == ObjMaxGroupCount) return ObjReadFailure::TooManyGroups;
        MeshGroup& group = groups[groupCount];
        strcpy_s(group.name, name);
        group.materialName[0] = '\0';
        group.startIndex = n.corners;
        group.indexCount = 0;
        ++groupCount;
    }
    return ObjReadFailure::None;
}

// "usemtl name": the material of the current group.
void SetGroupMaterial(MeshGroup& group)
{
    char name[ObjNameRoom];
    if (sscanf_s(Line, "usemtl %s", name, ObjNameRoom) >= 1) strcpy_s(group.materialName, name);
}

// "mtllib name": the material library; a later line replaces an earlier one.
void SetLibraryName(char* mtllibName)
{
    char name[ObjNameRoom];
    if (sscanf_s(Line, "mtllib %s", name, ObjNameRoom) >= 1) strcpy_s(mtllibName, ObjNameRoom, name);
}

// Corner tokens: the first four words after the 'f', each cut to 255 characters. Returns how
// many there are.
int CutCornerTokens(const char* end, const char* (&tokenBegin)[4], const char* (&tokenEnd)[4])
{
    int tokens = 0;
    const char* p = Line + 1;
    while (tokens < 4) {
        while (p != end && IsScanSpace(*p)) ++p;
        if (p == end) break;
        const char* begin = p;
        while (p != end && !IsScanSpace(*p)) ++p;
        tokenBegin[tokens] = begin;
        tokenEnd[tokens] = p;
        if (p - begin >= TokenRoom) {
            memcpy(CornerTokens[tokens], begin, TokenRoom - 1);
            CornerTokens[tokens][TokenRoom - 1] = '\0';
            tokenBegin[tokens] = CornerTokens[tokens];
            tokenEnd[tokens] = CornerTokens[tokens] + TokenRoom - 1;
        }
        ++tokens;
    }
    return tokens;
}

// The fan from the first corner, (0, 1, 2) and for a quad (0, 2, 3), into the corner list and
// the current group; a triangle with an edge shorter than DegenerateEdge is dropped.
ObjReadFailure AddFanTriangles(const ObjCorner (&corner)[4], int corners, Counters& n, MeshGroup& group)
{
    for (int t = 0; t + 2 < corners; ++t) {
        const ObjCorner& c0 = corner[0];
        const ObjCorner& c1 = corner[t + 1];
        const ObjCorner& c2 = corner[t + 2];
        if (n.corners + 3 > ObjMaxIndices)  // no room for three more corners
            return ObjReadFailure::TooManyTriangles;
        if (EdgeLength(c0.position, c1.position, n.positions) < DegenerateEdge ||
            EdgeLength(c0.position, c2.position, n.positions) < DegenerateEdge ||
            EdgeLength(c1.position, c2.position, n.positions) < DegenerateEdge)
            continue;
        Corners[n.corners++] = c0;
        Corners[n.corners++] = c1;
        Corners[n.corners++] = c2;
        group.indexCount += 3;
    }
    return ObjReadFailure::None;
}

// "f": three or four corners, their references resolved against the elements read so far,
// and the triangles of their fan.
ObjReadFailure AddFace(const char* end, Counters& n, MeshGroup& group)
{
    const char* tokenBegin[4];
    const char* tokenEnd[4];
    const int tokens = CutCornerTokens(end, tokenBegin, tokenEnd);
    if (tokens < 3) return ObjReadFailure::TooFewCorners;

    ObjCorner corner[4];
    for (int i = 0; i < tokens; ++i) {
        ObjCorner c = ScanCorner(tokenBegin[i], tokenEnd[i]);
        corner[i] = {Resolve(c.position, n.positions), Resolve(c.texcoord, n.texcoords), Resolve(c.normal, n.normals)};
    }
    return AddFanTriangles(corner, tokens, n, group);
}

// Every line of the stream in turn, each matched on its first character. Returns the first
// failure, with its line in failedLine, or None at the end of the stream.
ObjReadFailure ReadLines(FILE* file, Counters& n, MeshGroup* groups, int& groupCount, char* mtllibName, int& failedLine)
{
    LineReader reader(file);
    int lineNumber = 1;
    while (size_t length = reader.Next()) {
        const char* end = Line + strlen(Line);  // a zero byte ends the line for matching
        const int line = lineNumber;
        if (Line[length - 1] == '\n') ++lineNumber;  // a piece of a longer line keeps its line's number

        ObjReadFailure failure = ObjReadFailure::None;
        switch (Line[0]) {
        case 'v': failure = AddElement(end, n); break;
        case 'g': failure = AddGroup(n, groups, groupCount); break;
        case 'u': SetGroupMaterial(groups[groupCount - 1]); break;
        case 'm': SetLibraryName(mtllibName); break;
        case 'f': failure = AddFace(end, n, groups[groupCount - 1]); break;
        default: break;
        }
        if (failure != ObjReadFailure::None) {
            failedLine = line;
            return failure;
        }
    }
    return ObjReadFailure::None;
}

// Merging: a corner on position j moves to the first earlier position near j.
void MergePositions(const Counters& n)
{
    FindMergeTargets(Positions, n.positions, MergeTarget);
    for (int i = 0; i < n.corners; ++i) {
        int32_t& p = Corners[i].position;
        if (p >= 1 && p <= n.positions) p = MergeTarget[p];
    }
}

// Indexing: vertices numbered in order of first appearance, one index per corner. Returns
// false when the index list reaches ObjMaxIndices entries; distinct receives the number of
// distinct corners.
bool IndexCorners(const Counters& n, uint32_t* indices, int& indexCount, int& distinct)
{
    uint32_t slotCount = 64;
    while (slotCount < 2u * static_cast<uint32_t>(n.corners)) slotCount <<= 1;
    const uint32_t slotMask = slotCount - 1;
    memset(CornerSlots, 0, slotCount * sizeof(int32_t));
    distinct = 0;
    for (int i = 0; i < n.corners; ++i) {
        const ObjCorner& c = Corners[i];
        uint32_t slot = HashCorner(c, slotMask);
        while (CornerSlots[slot] != 0 && !SameCorner(DistinctCorners[CornerSlots[slot] - 1], c))
            slot = (slot + 1) & slotMask;
        if (CornerSlots[slot] == 0) {
            DistinctCorners[distinct] = c;
            CornerSlots[slot] = ++distinct;
        }
        indices[indexCount++] = static_cast<uint32_t>(CornerSlots[slot] - 1);
        if (indexCount == ObjMaxIndices) return false;
    }
    return true;
}

// 0-based references, then the vertices with their defaults: a reference outside its table
// gives position (0, 0, 0), texture coordinate (0, 0) or normal (1, 1, 1).
void BuildVertices(const Counters& n, int distinct, MeshVertex* vertices)
{
    for (int u = 0; u < distinct; ++u) {
        ObjCorner& c = DistinctCorners[u];
        c.position -= 1;
        c.texcoord -= 1;
        c.normal -= 1;
        MeshVertex& v = vertices[u];
        if (c.position >= 0 && c.position < n.positions)
            v.position = {Positions[c.position][0], Positions[c.position][1], Positions[c.position][2]};
        else
            v.position = {0.0f, 0.0f, 0.0f};
        if (c.texcoord >= 0 && c.texcoord < n.texcoords)
            v.texcoord = {Texcoords[c.texcoord][0], Texcoords[c.texcoord][1]};
        else
            v.texcoord = {0.0f, 0.0f};
        if (c.normal >= 0 && c.normal < n.normals)
            v.normal = {Normals[c.normal][0], Normals[c.normal][1], Normals[c.normal][2]};
        else
            v.normal = {1.0f, 1.0f, 1.0f};
    }
}

}  // namespace

void ResetObjReaderTables()
{
    // The corner tables, line and token buffers are always written before they are read.
    memset(Positions, 0, sizeof Positions[0] * PositionsWritten);
    memset(Texcoords, 0, sizeof Texcoords[0] * TexcoordsWritten);
    memset(Normals, 0, sizeof Normals[0] * NormalsWritten);
    PositionsWritten = TexcoordsWritten = NormalsWritten = 0;
}

bool ReadObj(FILE* file, MeshVertex* vertices, int& vertexCount, uint32_t* indices, int& indexCount, MeshGroup* groups,
             int& groupCount, char* mtllibName, ObjReadStatus* status)
{
    StartOutputs(vertexCount, indexCount, groups, groupCount, mtllibName);
    Counters n = {0, 0, 0, 0};
    if (status != nullptr) *status = {ObjReadFailure::None, 0};
    if (file == nullptr) return false;

    int failedLine = 0;
    const ObjReadFailure failure = ReadLines(file, n, groups, groupCount, mtllibName, failedLine);
    if (failure != ObjReadFailure::None) return Fail(status, failure, failedLine, n);
    NoteWritten(n);

    MergePositions(n);
    int distinct = 0;
    if (!IndexCorners(n, indices, indexCount, distinct)) return Fail(status, ObjReadFailure::TooManyIndices, 0, n);
    BuildVertices(n, distinct, vertices);
    vertexCount = distinct;
    return true;
}

namespace {

// The failure descriptions that quote a limit, spelled from it.
constexpr auto MaxElementsText = DecimalText<ObjMaxElements>();
constexpr auto TooManyPositionsText = JoinText("more than ", MaxElementsText, " positions (v lines)");
constexpr auto TooManyTexcoordsText = JoinText("more than ", MaxElementsText, " texture coordinates (vt lines)");
constexpr auto TooManyNormalsText = JoinText("more than ", MaxElementsText, " normals (vn lines)");
constexpr auto TooManyGroupsText = JoinText("more than ", DecimalText<ObjMaxGroupLines>(), " g lines (at most ",
                                            DecimalText<ObjMaxGroupCount>(), " groups)");
constexpr auto TooManyTrianglesText = JoinText("more than ", DecimalText<ObjMaxStoredTriangles>(), " triangles");
constexpr auto TooManyIndicesText = JoinText("more than ", DecimalText<ObjMaxTriangles>(), " triangles (at most ",
                                             DecimalText<ObjMaxLoadedIndices>(), " indices)");

}  // namespace

const char* DescribeObjReadFailure(ObjReadFailure failure)
{
    switch (failure) {
    case ObjReadFailure::None: return "no failure";
    case ObjReadFailure::TooManyPositions: return TooManyPositionsText.chars;
    case ObjReadFailure::TooManyTexcoords: return TooManyTexcoordsText.chars;
    case ObjReadFailure::TooManyNormals: return TooManyNormalsText.chars;
    case ObjReadFailure::TooManyGroups: return TooManyGroupsText.chars;
    case ObjReadFailure::TooFewCorners: return "a face line with fewer than three corners";
    case ObjReadFailure::TooManyTriangles: return TooManyTrianglesText.chars;
    case ObjReadFailure::TooManyIndices: return TooManyIndicesText.chars;
    }
    return "unknown failure";
}
