// The process-wide table from HLSL semantic (name, index) to GL location. Vertex inputs and
// the varyings between stages all take their locations from here, so a vertex shader and a pixel
// shader translated separately, with their structs in different orders, still agree.
#include <array>
#include <mutex>
#include <string>

#include "ShaderBlob.h"
#include "ShaderBytecode.h"

namespace platform {
namespace {

struct Entry {
    std::string name;  // empty: the location is free
    uint32_t index = 0;
};
using Table = std::array<Entry, kSemanticLocationCount>;

// Common semantics have fixed places, all below 16: the vertex attribute locations that every
// GL 4.5 driver has.
Table FixedEntries()
{
    Table t;
    t[0] = {"POSITION", 0};
    t[1] = {"NORMAL", 0};
    t[2] = {"TEXTURE", 0};
    for (uint32_t i = 0; i < 8; ++i) t[3 + i] = {"TEXCOORD", i};
    t[11] = {"COLOR", 0};
    t[12] = {"COLOR", 1};
    return t;
}

std::mutex tableMutex;
Table table = FixedEntries();

// A new semantic takes the lowest free location when it may feed a vertex attribute, else the
// highest, so that the few free attribute locations (13 to 15) are not used up by varyings.
uint32_t Place(const std::string& semantic, uint32_t index, bool low)
{
    std::lock_guard<std::mutex> lock(tableMutex);
    for (uint32_t i = 0; i < kSemanticLocationCount; ++i)
        if (table[i].index == index && table[i].name == semantic) return i;
    for (uint32_t n = 0; n < kSemanticLocationCount; ++n) {
        const uint32_t i = low ? n : kSemanticLocationCount - 1 - n;
        if (table[i].name.empty()) {
            table[i] = {semantic, index};
            return i;
        }
    }
    return kSemanticLocationCount;
}

}  // namespace

uint32_t SemanticLocation(const std::string& semantic, uint32_t index) { return Place(semantic, index, true); }

uint32_t VaryingSemanticLocation(const std::string& semantic, uint32_t index) { return Place(semantic, index, false); }

}  // namespace platform
