// ObjMesh: reading the model, building adjacency and sphere, creating and binding the buffers.
#include "ObjMesh.h"

#include <stdio.h>

#include <cstdint>
#include <memory>
#include <new>

#include "Adjacency.h"
#include "BoundingSphere.h"
#include "DataFiles.h"
#include "ObjReader.h"
#include "ReleaseSlot.h"
#include "SharedEdges.h"
#include "Shells.h"

namespace {

// The adjacency work array: six entries for every three of the largest index list.
constexpr int WorkAdjacency = 2 * ObjMaxIndices;

const char OutOfMemory[] = "out of memory for the work arrays";

// A buffer of default usage without CPU access, created once with its whole contents.
HRESULT CreateFilledBuffer(ID3D11Device* device, UINT byteWidth, UINT bindFlags, const void* data,
                           ID3D11Buffer** buffer)
{
    D3D11_BUFFER_DESC desc = {};
    desc.ByteWidth = byteWidth;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = bindFlags;
    desc.CPUAccessFlags = 0;
    desc.MiscFlags = 0;
    desc.StructureByteStride = 0;
    D3D11_SUBRESOURCE_DATA init = {};
    init.pSysMem = data;
    init.SysMemPitch = 0;
    init.SysMemSlicePitch = 0;
    return device->CreateBuffer(&desc, &init, buffer);
}

}  // namespace

bool ObjMesh::Load(ID3D11Device* device, ID3D11DeviceContext* context, char* mtllibName)
{
    Release();
    this->device = device;
    this->context = context;

    loadFailure[0] = '\0';

    FILE* file = nullptr;
    if (fopen_s(&file, ModelFile, "rt") != 0 || file == nullptr) {
        snprintf(loadFailure, sizeof loadFailure, "cannot be opened");
        return false;
    }

    // Every failure from here on leaves the mesh empty; the work arrays free themselves.
    auto fail = [this]() {
        Release();
        return false;
    };
    const std::unique_ptr<MeshVertex[]> vertices(new (std::nothrow) MeshVertex[ObjMaxVertices]);
    const std::unique_ptr<uint32_t[]> indices(new (std::nothrow) uint32_t[ObjMaxIndices]);
    const std::unique_ptr<uint32_t[]> adjacency(new (std::nothrow) uint32_t[WorkAdjacency]);
    // The reader writes into these arrays unchecked, so a failed allocation ends the load here.
    ObjReadStatus status = {ObjReadFailure::None, 0};
    const bool allocated = vertices && indices && adjacency;
    const bool read = allocated && ReadObj(file, vertices.get(), vertexCount, indices.get(), indexCount, groups,
                                           groupCount, mtllibName, &status);
    fclose(file);
    if (!read || vertexCount == 0 || indexCount == 0) {
        if (!allocated)
            snprintf(loadFailure, sizeof loadFailure, "%s", OutOfMemory);
        else if (!read && status.line > 0)
            snprintf(loadFailure, sizeof loadFailure, "line %d: %s", status.line,
                     DescribeObjReadFailure(status.failure));
        else if (!read)
            snprintf(loadFailure, sizeof loadFailure, "%s", DescribeObjReadFailure(status.failure));
        else
            snprintf(loadFailure, sizeof loadFailure, "it holds no triangles");
        return fail();
    }

    BuildAdjacency(vertices.get(), indices.get(), indexCount, adjacency.get());
    ComputeBoundingSphere(vertices.get(), static_cast<uint32_t>(vertexCount), boundingSphere);
    // The frame scales the model by 1 / radius into the unit sphere: a model whose positions all
    // merged into one point, or one so small or so large that the scale or the sphere is not a
    // finite number, would be drawn from an infinite world matrix.
    if (const char* extentProblem = DescribeSphereProblem(boundingSphere)) {
        snprintf(loadFailure, sizeof loadFailure, "%s", extentProblem);
        return fail();
    }
    // The shadow-volume pass reads the adjacency list with the edges that more than two
    // triangles share opened, so that every volume closes (BuildAdjacency's own list pairs such
    // an edge one way only).
    if (!OpenSharedEdges(vertices.get(), indices.get(), indexCount, adjacency.get())) {
        snprintf(loadFailure, sizeof loadFailure, "%s", OutOfMemory);
        return fail();
    }
    // Closed shells need volumes from one side of the light only, which halves the volume pass.
    ShellReport shells;
    if (!AnalyzeShells(vertices.get(), indices.get(), indexCount, groups, groupCount, groupVolumeSides, &shells)) {
        snprintf(loadFailure, sizeof loadFailure, "%s", OutOfMemory);
        return fail();
    }

    // The three buffers in order; a failure releases those created before it.
    const struct {
        ID3D11Buffer** buffer;
        UINT byteWidth;
        UINT bindFlags;
        const void* data;
        const char* what;
    } steps[] = {
        {&vertexBuffer, static_cast<UINT>(vertexCount * sizeof(MeshVertex)), D3D11_BIND_VERTEX_BUFFER, vertices.get(),
         "vertex buffer"},
        {&indexBuffer, static_cast<UINT>(indexCount) * 4, D3D11_BIND_INDEX_BUFFER, indices.get(), "index buffer"},
        {&adjacencyIndexBuffer, static_cast<UINT>(indexCount) * 8, D3D11_BIND_INDEX_BUFFER, adjacency.get(),
         "adjacency index buffer"},
    };
    for (const auto& step : steps) {
        const HRESULT hr = CreateFilledBuffer(device, step.byteWidth, step.bindFlags, step.data, step.buffer);
        if (FAILED(hr)) {
            snprintf(loadFailure, sizeof loadFailure, "creating the %s failed (code 0x%08X)", step.what,
                     static_cast<unsigned>(hr));
            return fail();
        }
    }
    return true;
}

void ObjMesh::Bind(bool useAdjacency)
{
    if (context == nullptr)  // an empty mesh has nothing to bind and no context to bind it on
        return;
    ID3D11Buffer* vertexBuffers[] = {vertexBuffer};
    const UINT strides[] = {sizeof(MeshVertex)};
    const UINT offsets[] = {0};
    context->IASetVertexBuffers(0, 1, vertexBuffers, strides, offsets);
    if (useAdjacency) {
        context->IASetIndexBuffer(adjacencyIndexBuffer, DXGI_FORMAT_R32_UINT, 0);
        context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST_ADJ);
    } else {
        context->IASetIndexBuffer(indexBuffer, DXGI_FORMAT_R32_UINT, 0);
        context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    }
}

void ObjMesh::Release()
{
    device = nullptr;
    context = nullptr;
    ReleaseSlot(vertexBuffer);
    ReleaseSlot(indexBuffer);
    ReleaseSlot(adjacencyIndexBuffer);
    groupCount = 0;
    vertexCount = 0;
    indexCount = 0;
}
