// The process-wide tables from HLSL semantic (name, index) to GL location: one for vertex inputs
// (attribute locations), one for the varyings between stages. Each is shared by every shader of
// the process, so a vertex shader and a pixel shader translated separately, with their structs in
// different orders, still agree. The two are separate because GL's attribute and varying
// locations are separate ranges: a varying never uses up one of the 16 attribute locations, and
// varyings stay low, where every driver's component limits reach.
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
using Table = std::array<Entry, SemanticLocationCount>;

// Common vertex inputs have fixed places, all below 16: the attribute locations every GL 4.5
// driver has.
Table FixedAttributes()
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
Table attributes = FixedAttributes();
Table varyings;

// The place of a semantic in `table`: where it already is, else the lowest free one.
uint32_t Place(Table& table, const std::string& semantic, uint32_t index)
{
    std::lock_guard<std::mutex> lock(tableMutex);
    for (uint32_t i = 0; i < SemanticLocationCount; ++i)
        if (table[i].index == index && table[i].name == semantic) return i;
    for (uint32_t i = 0; i < SemanticLocationCount; ++i)
        if (table[i].name.empty()) {
            table[i] = {semantic, index};
            return i;
        }
    return SemanticLocationCount;
}

}  // namespace

uint32_t SemanticLocation(const std::string& semantic, uint32_t index)
{
    return Place(attributes, semantic, index);
}

uint32_t VaryingSemanticLocation(const std::string& semantic, uint32_t index)
{
    return Place(varyings, semantic, index);
}

}  // namespace platform
