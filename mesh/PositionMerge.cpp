// Spatial hash for position merging. Two finite positions whose single-precision distance
// is below 1e-4 differ by less than 1.0001e-4 in every coordinate (the rounding of the
// subtraction, the squares, the sums and the root moves each by at most a few ulps). Cells
// are 2^-10 (about 9.8e-4) wide, so a near position lies in the same cell on an axis unless
// the coordinate sits within 1.0001e-4 of that cell's border, and then in the neighbour
// across it: at most 8 cells, usually 1 or 2. Coordinates of magnitude 2^20 or more are
// spaced at least 1/16 apart as floats, so a near pair has equal values there and the cell
// is keyed on the exact value. NaN and infinite coordinates follow the distance rule
// directly: NaN is near everything; two positions with the same infinity in a coordinate
// are at a NaN distance (near); any other infinite difference is not near.
#include "PositionMerge.h"

#include <cmath>
#include <cstring>

#include "MeshTypes.h"

namespace {

constexpr int SlotBits = 17;
constexpr double CellsPerUnit = 1024.0;
constexpr double Border = 0.11;                  // 1.0001e-4 is 0.1024 cells; a little more is still exact
constexpr float ExactKeyMagnitude = 1048576.0f;  // 2^20
constexpr int64_t ExactKeyOffset = int64_t(1) << 40;

struct CellKey {
    int64_t k[3];
    bool operator==(const CellKey& o) const { return k[0] == o.k[0] && k[1] == o.k[1] && k[2] == o.k[2]; }
};

// A slot holds a cell's first position and a tag from the cell's hash, so that most probes
// are decided without reading the cell key.
struct Slot {
    int32_t head;  // 1-based first position of the cell, 0 = empty
    uint32_t tag;
};

// Program-lifetime working storage; the slot table and the occupancy bits are cleared at
// the start of every call. A clear occupancy bit (indexed by the top bits of the cell hash)
// proves a neighbour cell empty without a probe into the larger slot table.
constexpr int OccupancyBits = 20;
Slot Slots[1u << SlotBits];
uint64_t Occupied[(1u << OccupancyBits) / 64];
// Both are used in a size that suits the call's position count, so small models clear little.
uint32_t SlotMask;
int OccupancyShift;                           // 64 minus the number of occupancy bits in use
CellKey CellOf[ObjMaxElements + 1];           // by 1-based position
int32_t NextInCell[ObjMaxElements + 1];       // next position of the same cell, ascending; 0 = end
int32_t LastInCell[ObjMaxElements + 1];       // valid for a cell's first position
int8_t NeighbourStep[ObjMaxElements + 1][3];  // per axis: -1, 0 or +1 to the neighbour cell to search
uint64_t OwnHash[ObjMaxElements + 1];         // hash of the position's own cell
constexpr int PrefetchAhead = 16;             // positions whose slot is fetched ahead of its use

uint64_t HashCell(const CellKey& key)
{
    uint64_t h = static_cast<uint64_t>(key.k[0]) * 0x9E3779B97F4A7C15ull +
                 static_cast<uint64_t>(key.k[1]) * 0xC2B2AE3D27D4EB4Full +
                 static_cast<uint64_t>(key.k[2]) * 0x165667B19E3779F9ull;
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    return h ^ (h >> 29);
}

// Slot that holds the cell, or the empty slot where it would go.
uint32_t FindSlot(const CellKey& key, uint64_t hash)
{
    uint32_t slot = static_cast<uint32_t>(hash) & SlotMask;
    uint32_t tag = static_cast<uint32_t>(hash >> 32);
    while (Slots[slot].head != 0 && !(Slots[slot].tag == tag && CellOf[Slots[slot].head] == key))
        slot = (slot + 1) & SlotMask;
    return slot;
}

bool IsOccupied(uint64_t hash)
{
    uint64_t bit = hash >> OccupancyShift;
    return (Occupied[bit >> 6] >> (bit & 63)) & 1;
}

void MarkOccupied(uint64_t hash)
{
    uint64_t bit = hash >> OccupancyShift;
    Occupied[bit >> 6] |= uint64_t(1) << (bit & 63);
}

// The cell coordinate on one axis, and the neighbouring cell when the value lies close
// enough to a border for a near position to be across it (otherwise the cell itself).
void AxisCells(float v, int64_t& cell, int64_t& neighbour)
{
    if (std::fabs(v) < ExactKeyMagnitude) {
        double scaled = static_cast<double>(v) * CellsPerUnit;  // exact: a power of two
        double floored = std::floor(scaled);
        double fraction = scaled - floored;
        cell = static_cast<int64_t>(floored);
        neighbour = fraction < Border ? cell - 1 : fraction > 1.0 - Border ? cell + 1 : cell;
    } else {
        uint32_t bits;
        memcpy(&bits, &v, sizeof bits);
        cell = neighbour = ExactKeyOffset + bits;
    }
}

float Distance(const float* a, const float* b)
{
    return Length3(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

}  // namespace

void FindMergeTargets(const float (*positions)[3], int count, int32_t* target)
{
    int slotBits = 6;
    while (slotBits < SlotBits && (1 << slotBits) < 2 * count) ++slotBits;
    int occupancyBits = slotBits + 3 < OccupancyBits ? slotBits + 3 : OccupancyBits;
    SlotMask = (1u << slotBits) - 1;
    OccupancyShift = 64 - occupancyBits;
    memset(Slots, 0, sizeof(Slot) << slotBits);
    memset(Occupied, 0, (size_t(1) << occupancyBits) / 8);
    int32_t firstNaN = 0;
    int32_t firstInfinity[3][2] = {};  // by axis and sign: first position with that infinity

    // First the cells of all finite positions, so that the slot of a later position can be
    // fetched from memory while earlier ones are searched.
    for (int32_t j = 1; j <= count; ++j) {
        const float* p = positions[j - 1];
        if (!(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]))) {
            OwnHash[j] = 0;
            continue;
        }
        for (int axis = 0; axis < 3; ++axis) {
            int64_t neighbour;
            AxisCells(p[axis], CellOf[j].k[axis], neighbour);
            NeighbourStep[j][axis] = static_cast<int8_t>(neighbour - CellOf[j].k[axis]);
        }
        OwnHash[j] = HashCell(CellOf[j]);
    }

    for (int32_t j = 1; j <= count; ++j) {
#if defined(__GNUC__)  // a hint only: without it the result is the same
        if (j + PrefetchAhead <= count) __builtin_prefetch(&Slots[OwnHash[j + PrefetchAhead] & SlotMask]);
#endif
        const float* p = positions[j - 1];
        int32_t best = firstNaN != 0 ? firstNaN : j;
        bool hasNaN = std::isnan(p[0]) || std::isnan(p[1]) || std::isnan(p[2]);
        bool hasInfinity = std::isinf(p[0]) || std::isinf(p[1]) || std::isinf(p[2]);

        if (hasNaN) {
            if (j > 1) best = 1;
            if (firstNaN == 0) firstNaN = j;
        } else if (hasInfinity) {
            for (int axis = 0; axis < 3; ++axis) {
                if (!std::isinf(p[axis])) continue;
                int32_t& first = firstInfinity[axis][p[axis] < 0];
                if (first != 0 && first < best) best = first;
                if (first == 0) first = j;
            }
        } else {
            const CellKey& own = CellOf[j];
            const int8_t* step = NeighbourStep[j];
            for (int n = 0; n < 8; ++n) {
                int ix = n & 1, iy = (n >> 1) & 1, iz = n >> 2;
                if ((ix && step[0] == 0) || (iy && step[1] == 0) || (iz && step[2] == 0))
                    continue;  // no neighbour needed on that axis
                CellKey key{{own.k[0] + ix * step[0], own.k[1] + iy * step[1], own.k[2] + iz * step[2]}};
                uint64_t hash = n == 0 ? OwnHash[j] : HashCell(key);
                if (n != 0 && !IsOccupied(hash)) continue;
                uint32_t slot = FindSlot(key, hash);
                for (int32_t a = Slots[slot].head; a != 0 && a < best; a = NextInCell[a])
                    if (IsMergeNear(Distance(positions[a - 1], p))) {
                        best = a;
                        break;
                    }
            }
            uint64_t hash = OwnHash[j];
            uint32_t slot = FindSlot(own, hash);
            MarkOccupied(hash);
            NextInCell[j] = 0;
            if (Slots[slot].head == 0) {
                Slots[slot] = {j, static_cast<uint32_t>(hash >> 32)};
                LastInCell[j] = j;
            } else {
                int32_t head = Slots[slot].head;
                NextInCell[LastInCell[head]] = j;
                LastInCell[head] = j;
            }
        }
        target[j] = best;
    }
}
