// The process-wide table from HLSL semantic (name, index) to GL location. Vertex inputs and
// the varyings between stages all take their locations from here, so a vertex shader and a pixel
// shader translated separately, with their structs in different orders, still agree.
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ShaderBlob.h"
#include "ShaderBytecode.h"

namespace platform {
namespace {

constexpr uint32_t kLocationCount = 32;

struct Entry {
    std::string name;
    uint32_t index;
};

// Common semantics have fixed places; the first 16 locations are also valid vertex attribute
// locations on every GL 4.5 driver, so the usual vertex inputs sit there.
std::vector<Entry> FixedEntries()
{
    std::vector<Entry> e = {{"POSITION", 0}, {"NORMAL", 0}, {"TEXTURE", 0}};
    for (uint32_t i = 0; i < 8; ++i) e.push_back({"TEXCOORD", i});
    e.push_back({"COLOR", 0});
    e.push_back({"COLOR", 1});
    return e;
}

std::mutex tableMutex;
std::vector<Entry>& Table()
{
    static std::vector<Entry> table = FixedEntries();
    return table;
}

}  // namespace

uint32_t SemanticLocation(const std::string& semantic, uint32_t index)
{
    std::lock_guard<std::mutex> lock(tableMutex);
    std::vector<Entry>& table = Table();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].index == index && table[i].name == semantic) return uint32_t(i);
    if (table.size() >= kLocationCount) return kLocationCount;
    table.push_back({semantic, index});
    return uint32_t(table.size() - 1);
}

}  // namespace platform
