// Fuzz target for ReadObj: any bytes as a model file. Checks the invariants of every
// successful read, and on small inputs compares everything with the reference loops.
// Built with QV_OBJ_FUZZ_NO_REFERENCE it skips the reference, which costs most of each run:
// that build (obj_volume_fuzz) goes through many more inputs looking for crashes and broken
// invariants, while this one checks what the reader's output means.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "LoadResult.h"
#include "ObjOracle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    ResetObjReaderTables();
    static LoadResult ours;
    LoadWithProduct(text, ours);
    if (ours.ok) {
        int next = 0;
        for (int g = 0; g < ours.groupCount; ++g) {
            if (ours.groups[g].startIndex != next || ours.groups[g].indexCount % 3 != 0) abort();
            next += ours.groups[g].indexCount;
        }
        if (next != ours.indexCount || ours.vertexCount > ours.indexCount) abort();
        for (int i = 0; i < ours.indexCount; ++i)
            if (ours.indices[i] >= static_cast<uint32_t>(ours.vertexCount)) abort();
    }
#ifndef QV_OBJ_FUZZ_NO_REFERENCE
    // The reference is quadratic; keep it to inputs that stay quick.
    if (size <= 8192) {
        oracle::ResetTables();
        LoadResult reference = LoadWithOracle(text);
        bool same = ours.ok == reference.ok;
        if (same && ours.ok) {
            same = ours.vertexCount == reference.vertexCount && ours.indexCount == reference.indexCount &&
                   ours.groupCount == reference.groupCount && strcmp(ours.mtllib, reference.mtllib) == 0 &&
                   memcmp(ours.vertices.get(), reference.vertices.get(), sizeof(MeshVertex) * ours.vertexCount) == 0 &&
                   memcmp(ours.indices.get(), reference.indices.get(), 4 * static_cast<size_t>(ours.indexCount)) == 0 &&
                   ours.adjacency == reference.adjacency &&
                   memcmp(&ours.sphere, &reference.sphere, sizeof ours.sphere) == 0;
            for (int g = 0; same && g < ours.groupCount; ++g)
                same = strcmp(ours.groups[g].name, reference.groups[g].name) == 0 &&
                       strcmp(ours.groups[g].materialName, reference.groups[g].materialName) == 0 &&
                       ours.groups[g].startIndex == reference.groups[g].startIndex &&
                       ours.groups[g].indexCount == reference.groups[g].indexCount;
        }
        if (!same) abort();
    }
#endif
    return 0;
}
