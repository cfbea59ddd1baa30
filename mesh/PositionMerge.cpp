// Spatial hash for position merging. Cells are 2^-12 wide (about 2.4e-4); two finite
// positions whose single-precision distance is below 1e-4 differ by less than 1.0001e-4
// in every coordinate, which is under half a cell, so the nearer neighbour cell on each
// axis (8 cells in all) holds every candidate. Coordinates of magnitude 2^20 or more are
// spaced at least 1/16 apart as floats, so there a near pair has equal coordinates and the
// cell is keyed on the exact value. Positions with NaN or infinite coordinates follow the
// distance rule directly: NaN is near everything; two positions with the same infinity in
// one coordinate are at a NaN distance (near); any other infinite difference is not near.
#include "PositionMerge.h"

#include <cmath>
#include <cstring>

#include "MeshTypes.h"

namespace {

constexpr int kMaxPositions = 65535;
constexpr int kSlotBits = 17;
constexpr uint32_t kSlotMask = (1u << kSlotBits) - 1;
constexpr double kCellsPerUnit = 4096.0;
constexpr float kExactKeyMagnitude = 1048576.0f;  // 2^20
constexpr int64_t kExactKeyOffset = int64_t(1) << 40;

struct CellKey {
    int64_t k[3];
    bool operator==(const CellKey& o) const { return k[0] == o.k[0] && k[1] == o.k[1] && k[2] == o.k[2]; }
};

// Program-lifetime working storage; the slot table is cleared at the start of every call.
int32_t gSlotHead[1u << kSlotBits];     // 1-based first position of the cell in this slot, 0 = empty
CellKey gCellOf[kMaxPositions + 1];      // by 1-based position
int32_t gNextInCell[kMaxPositions + 1];  // next position of the same cell, ascending; 0 = end
int32_t gLastInCell[kMaxPositions + 1];  // valid for a cell's first position

uint32_t HashCell(const CellKey& key)
{
    uint64_t h = static_cast<uint64_t>(key.k[0]) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<uint64_t>(key.k[1]) * 0xC2B2AE3D27D4EB4Full;
    h ^= static_cast<uint64_t>(key.k[2]) * 0x165667B19E3779F9ull;
    h ^= h >> 29;
    return static_cast<uint32_t>(h) & kSlotMask;
}

// Slot that holds the cell, or the empty slot where it would go.
uint32_t FindSlot(const CellKey& key)
{
    uint32_t slot = HashCell(key);
    while (gSlotHead[slot] != 0 && !(gCellOf[gSlotHead[slot]] == key))
        slot = (slot + 1) & kSlotMask;
    return slot;
}

// The cell coordinate on one axis and the neighbouring cell nearer to the value.
void AxisCells(float v, int64_t& cell, int64_t& neighbour)
{
    if (std::fabs(v) < kExactKeyMagnitude) {
        double scaled = static_cast<double>(v) * kCellsPerUnit;  // exact: a power of two
        double floored = std::floor(scaled);
        cell = static_cast<int64_t>(floored);
        neighbour = scaled - floored < 0.5 ? cell - 1 : cell + 1;
    } else {
        uint32_t bits;
        memcpy(&bits, &v, sizeof bits);
        cell = neighbour = kExactKeyOffset + bits;
    }
}

float Distance(const float* a, const float* b)
{
    return Length3(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

} // namespace

void FindMergeTargets(const float (*positions)[3], int count, int32_t* target)
{
    memset(gSlotHead, 0, sizeof gSlotHead);
    int32_t firstNaN = 0;
    int32_t firstInfinity[3][2] = {};  // by axis and sign: first position with that infinity

    for (int32_t j = 1; j <= count; ++j) {
        const float* p = positions[j - 1];
        int32_t best = firstNaN != 0 ? firstNaN : j;
        bool hasNaN = std::isnan(p[0]) || std::isnan(p[1]) || std::isnan(p[2]);
        bool hasInfinity = std::isinf(p[0]) || std::isinf(p[1]) || std::isinf(p[2]);

        if (hasNaN) {
            if (j > 1)
                best = 1;
            if (firstNaN == 0)
                firstNaN = j;
        } else if (hasInfinity) {
            for (int axis = 0; axis < 3; ++axis) {
                if (!std::isinf(p[axis]))
                    continue;
                int32_t& first = firstInfinity[axis][p[axis] < 0];
                if (first != 0 && first < best)
                    best = first;
                if (first == 0)
                    first = j;
            }
        } else {
            int64_t cells[3][2];
            for (int axis = 0; axis < 3; ++axis)
                AxisCells(p[axis], cells[axis][0], cells[axis][1]);
            for (int n = 0; n < 8; ++n) {
                int ix = n & 1, iy = (n >> 1) & 1, iz = n >> 2;
                if ((ix && cells[0][1] == cells[0][0]) || (iy && cells[1][1] == cells[1][0]) ||
                    (iz && cells[2][1] == cells[2][0]))
                    continue;  // an exactly keyed axis has one cell only
                CellKey key{{cells[0][ix], cells[1][iy], cells[2][iz]}};
                uint32_t slot = FindSlot(key);
                for (int32_t a = gSlotHead[slot]; a != 0 && a < best; a = gNextInCell[a])
                    if (IsMergeNear(Distance(positions[a - 1], p))) {
                        best = a;
                        break;
                    }
            }
            CellKey own{{cells[0][0], cells[1][0], cells[2][0]}};
            uint32_t slot = FindSlot(own);
            gCellOf[j] = own;
            gNextInCell[j] = 0;
            if (gSlotHead[slot] == 0) {
                gSlotHead[slot] = j;
                gLastInCell[j] = j;
            } else {
                int32_t head = gSlotHead[slot];
                gNextInCell[gLastInCell[head]] = j;
                gLastInCell[head] = j;
            }
        }
        target[j] = best;
    }
}
