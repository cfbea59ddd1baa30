// Runs the product and the reference over in-memory OBJ text.
#include "LoadResult.h"

#include <cstdio>

#include "Adjacency.h"
#include "BoundingSphere.h"
#include "ObjOracle.h"

namespace {

FILE* OpenText(const std::string& text)
{
    // fmemopen refuses a zero size; an empty model is one blank byte away from the same thing.
    static std::string holder;
    holder = text.empty() ? std::string("\n") : text;
    return fmemopen(holder.data(), holder.size(), "r");
}

}  // namespace

LoadResult LoadWithProduct(const std::string& text)
{
    LoadResult r;
    LoadWithProduct(text, r);
    return r;
}

void LoadWithProduct(const std::string& text, LoadResult& r)
{
    r.status = {};
    r.mtllib[0] = '\0';
    r.adjacency.clear();
    r.sphere = {};
    FILE* f = OpenText(text);
    r.ok = ReadObj(f, r.vertices.get(), r.vertexCount, r.indices.get(), r.indexCount, r.groups.get(), r.groupCount,
                   r.mtllib, &r.status);
    fclose(f);
    if (r.Loaded()) {
        r.adjacency.assign(2 * static_cast<size_t>(r.indexCount), 0xDEADBEEFu);
        BuildAdjacency(r.vertices.get(), r.indices.get(), r.indexCount, r.adjacency.data());
        ComputeBoundingSphere(r.vertices.get(), static_cast<uint32_t>(r.vertexCount), r.sphere);
    }
}

LoadResult LoadWithOracle(const std::string& text)
{
    LoadResult r;
    FILE* f = OpenText(text);
    r.ok = oracle::ReadObj(f, r.vertices.get(), r.vertexCount, r.indices.get(), r.indexCount, r.groups.get(),
                           r.groupCount, r.mtllib);
    fclose(f);
    if (r.Loaded()) {
        r.adjacency.assign(2 * static_cast<size_t>(r.indexCount), 0xDEADBEEFu);
        oracle::BuildAdjacency(r.vertices.get(), r.indices.get(), r.indexCount, r.adjacency.data());
        oracle::ComputeBoundingSphere(r.vertices.get(), static_cast<uint32_t>(r.vertexCount), r.sphere);
    }
    return r;
}
