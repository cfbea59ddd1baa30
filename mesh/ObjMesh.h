// ObjMesh: the model the program shows, read from "..\misc\kuma.obj" into a vertex buffer, a
// triangle index buffer and a triangle-with-adjacency index buffer, with its draw groups and
// bounding sphere.
#pragma once

#include <d3d11.h>

#include "MeshTypes.h"
#include "Shells.h"

constexpr int MaxMeshGroups = ObjMaxGroups;  // the OBJ reader fills at most ObjMaxGroupCount

class ObjMesh {
  public:
    ObjMesh() = default;
    ~ObjMesh() { Release(); }  // at program exit; normally finds the mesh empty
    ObjMesh(const ObjMesh&) = delete;
    ObjMesh& operator=(const ObjMesh&) = delete;

    // Releases what an earlier load left, then reads the model and creates the three buffers on
    // device. mtllibName (ObjNameRoom bytes) receives the model's material-library name, empty when it
    // names none. The device and context are kept without a reference. True when all three
    // buffers exist; on false the mesh is empty.
    bool Load(ID3D11Device* device, ID3D11DeviceContext* context, char* mtllibName);
    // Binds the vertex buffer (slot 0, stride 32) and either the plain index buffer as a triangle
    // list or the adjacency index buffer as a triangle list with adjacency; both 32-bit indices.
    void Bind(bool useAdjacency);
    // Releases the buffers and clears the counts; groups and sphere keep their last values.
    // Safe to repeat.
    void Release();

    // Read access for the renderer; meaningful after a successful Load.
    const MeshGroup* GetGroups() const { return groups; }
    int GetGroupCount() const { return groupCount; }
    const BoundingSphere& GetBoundingSphere() const { return boundingSphere; }
    // Per group, which triangles the shadow-volume pass extrudes (Shells.h).
    const VolumeSides* GetGroupVolumeSides() const { return groupVolumeSides; }
    ID3D11DeviceContext* GetContext() const { return context; }
    int GetVertexCount() const { return vertexCount; }
    int GetIndexCount() const { return indexCount; }
    ID3D11Buffer* GetVertexBuffer() const { return vertexBuffer; }
    ID3D11Buffer* GetIndexBuffer() const { return indexBuffer; }
    ID3D11Buffer* GetAdjacencyIndexBuffer() const { return adjacencyIndexBuffer; }
    // Why the last Load returned false, in words ("cannot be opened", "line 12: a face line with
    // fewer than three corners", ...); empty after a successful load.
    const char* GetLoadFailure() const { return loadFailure; }

  private:
    ID3D11Device* device = nullptr;                // not owned
    ID3D11DeviceContext* context = nullptr;        // not owned
    ID3D11Buffer* vertexBuffer = nullptr;          // vertexCount MeshVertex records
    ID3D11Buffer* indexBuffer = nullptr;           // indexCount 32-bit indices, three per triangle
    ID3D11Buffer* adjacencyIndexBuffer = nullptr;  // 2 * indexCount 32-bit entries, six per triangle
    MeshGroup groups[MaxMeshGroups] = {};
    int groupCount = 0;
    int vertexCount = 0;
    int indexCount = 0;
    BoundingSphere boundingSphere = {};
    VolumeSides groupVolumeSides[MaxMeshGroups] = {};
    char loadFailure[160] = {};
};
