// ObjMesh with the layer's offscreen device: buffer sizes and contents read back through
// staging copies, Bind's state through the context's getters, the release and work-array rules.
#include <gtest/gtest.h>

#include <PlatformTestHooks.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "Adjacency.h"
#include "BoundingSphere.h"
#include "ObjMesh.h"
#include "Sandbox.h"

// --- Counting the load's work arrays ---------------------------------------------------------
// Array allocations of at least the index work array's size are tracked while a test asks for it.
namespace {
constexpr size_t WorkArrayBytes = 65535 * 4;
bool tracking = false;
int bigAllocations = 0;
int failBigAllocation = 0;  // the tracked allocation (1-based) that finds no memory; 0 = none
std::set<void*>* liveBig = nullptr;

void* Allocate(size_t size)
{
    if (tracking && size >= WorkArrayBytes && failBigAllocation > 0 && --failBigAllocation == 0) return nullptr;
    void* p = std::malloc(size ? size : 1);
    if (p != nullptr && tracking && size >= WorkArrayBytes) {
        tracking = false;  // the set allocates too
        ++bigAllocations;
        liveBig->insert(p);
        tracking = true;
    }
    return p;
}

void Free(void* p)
{
    if (p != nullptr && tracking) {
        tracking = false;
        liveBig->erase(p);
        tracking = true;
    }
    std::free(p);
}

struct WorkArrayCount {
    WorkArrayCount()
    {
        bigAllocations = 0;
        liveBig = new std::set<void*>;
        tracking = true;
    }
    ~WorkArrayCount()
    {
        tracking = false;
        failBigAllocation = 0;
        delete liveBig;
        liveBig = nullptr;
    }
    int Allocated() const { return bigAllocations; }
    size_t StillAllocated() const { return liveBig->size(); }
};
}  // namespace

void* operator new[](size_t size)
{
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void operator delete[](void* p) noexcept
{
    Free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    Free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    Free(p);
}

namespace {

// Copies a buffer into a staging buffer and reads it back.
std::vector<uint8_t> ReadBack(ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Buffer* buffer)
{
    D3D11_BUFFER_DESC desc{};
    buffer->GetDesc(&desc);
    D3D11_BUFFER_DESC staging = desc;
    staging.Usage = D3D11_USAGE_STAGING;
    staging.BindFlags = 0;
    staging.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    ID3D11Buffer* copy = nullptr;
    std::vector<uint8_t> bytes;
    if (FAILED(device->CreateBuffer(&staging, nullptr, &copy))) return bytes;
    context->CopyResource(copy, buffer);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    if (SUCCEEDED(context->Map(copy, 0, D3D11_MAP_READ, 0, &mapped))) {
        const uint8_t* data = static_cast<const uint8_t*>(mapped.pData);
        bytes.assign(data, data + desc.ByteWidth);
        context->Unmap(copy, 0);
    }
    copy->Release();
    return bytes;
}

template <typename T>
std::vector<T> ReadBackAs(ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Buffer* buffer)
{
    std::vector<uint8_t> bytes = ReadBack(device, context, buffer);
    std::vector<T> out(bytes.size() / sizeof(T));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(T));
    return out;
}

void ExpectDesc(ID3D11Buffer* buffer, UINT byteWidth, UINT bindFlags)
{
    ASSERT_NE(buffer, nullptr);
    D3D11_BUFFER_DESC desc{};
    buffer->GetDesc(&desc);
    EXPECT_EQ(desc.ByteWidth, byteWidth);
    EXPECT_EQ(desc.Usage, D3D11_USAGE_DEFAULT);
    EXPECT_EQ(desc.BindFlags, bindFlags);
    EXPECT_EQ(desc.CPUAccessFlags, 0u);
    EXPECT_EQ(desc.MiscFlags, 0u);
}

// Two groups over a closed tetrahedron (wound so that every edge has a twin) plus a loose triangle.
const char* const TwoGroupModel = "mtllib ..\\misc\\model.mtl\n"
                                  "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 5 5 5\nv 6 5 5\nv 5 6 5\n"
                                  "vn 0 0 1\n"
                                  "g solid\nusemtl stone\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 3 1 4\n"
                                  "g loose\nusemtl wood\nf 5//1 6//1 7//1\n";

class ObjMeshTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_NE(gpu.device, nullptr) << "no Direct3D 11 device (needs Mesa's llvmpipe: scripts/install-deps)";
        baseline = platform_test::LiveObjectCount();
    }

    void WriteModel(const std::string& text) { WriteFile(box.Misc() / "kuma.obj", text); }
    bool Load() { return mesh->Load(gpu.device, gpu.context, mtllib); }

    const TestDevice& gpu = SharedTestDevice();
    Sandbox box;
    std::unique_ptr<ObjMesh> mesh = std::make_unique<ObjMesh>();
    char mtllib[80] = "untouched";
    int baseline = 0;
};

TEST_F(ObjMeshTest, OneTriangleGivesBuffersOf96And12And24Bytes)
{
    WriteModel("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    ASSERT_TRUE(Load());
    EXPECT_STREQ(mtllib, "");
    EXPECT_EQ(mesh->GetVertexCount(), 3);
    EXPECT_EQ(mesh->GetIndexCount(), 3);
    EXPECT_EQ(mesh->GetGroupCount(), 1);
    EXPECT_EQ(mesh->GetContext(), gpu.context);
    ExpectDesc(mesh->GetVertexBuffer(), 96, D3D11_BIND_VERTEX_BUFFER);
    ExpectDesc(mesh->GetIndexBuffer(), 12, D3D11_BIND_INDEX_BUFFER);
    ExpectDesc(mesh->GetAdjacencyIndexBuffer(), 24, D3D11_BIND_INDEX_BUFFER);

    std::vector<MeshVertex> vertices = ReadBackAs<MeshVertex>(gpu.device, gpu.context, mesh->GetVertexBuffer());
    ASSERT_EQ(vertices.size(), 3u);
    EXPECT_EQ(vertices[1].position.x, 1.0f);
    EXPECT_EQ(vertices[2].position.y, 1.0f);
    EXPECT_EQ(ReadBackAs<uint32_t>(gpu.device, gpu.context, mesh->GetIndexBuffer()), (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(ReadBackAs<uint32_t>(gpu.device, gpu.context, mesh->GetAdjacencyIndexBuffer()),
              (std::vector<uint32_t>{0, OpenEdge, 1, OpenEdge, 2, OpenEdge}));
}

TEST_F(ObjMeshTest, BuffersHoldTheModelTheAdjacencyAndTheSphere)
{
    WriteModel(TwoGroupModel);
    ASSERT_TRUE(Load());
    EXPECT_STREQ(mtllib, "..\\misc\\model.mtl");
    const int indexCount = mesh->GetIndexCount();
    EXPECT_EQ(indexCount, 15);
    ExpectDesc(mesh->GetIndexBuffer(), UINT(indexCount) * 4, D3D11_BIND_INDEX_BUFFER);
    ExpectDesc(mesh->GetAdjacencyIndexBuffer(), UINT(indexCount) * 8, D3D11_BIND_INDEX_BUFFER);
    ExpectDesc(mesh->GetVertexBuffer(), UINT(mesh->GetVertexCount()) * 32, D3D11_BIND_VERTEX_BUFFER);

    ASSERT_GE(mesh->GetGroupCount(), 2);
    const MeshGroup& last = mesh->GetGroups()[mesh->GetGroupCount() - 1];
    EXPECT_STREQ(last.materialName, "wood");
    EXPECT_EQ(last.startIndex + last.indexCount, indexCount);

    // The adjacency and sphere must come from the same vertices and indices that were uploaded.
    auto vertices = ReadBackAs<MeshVertex>(gpu.device, gpu.context, mesh->GetVertexBuffer());
    auto indices = ReadBackAs<uint32_t>(gpu.device, gpu.context, mesh->GetIndexBuffer());
    auto adjacency = ReadBackAs<uint32_t>(gpu.device, gpu.context, mesh->GetAdjacencyIndexBuffer());
    ASSERT_EQ(int(indices.size()), indexCount);
    std::vector<uint32_t> expected(2 * indices.size());
    BuildAdjacency(vertices.data(), indices.data(), indexCount, expected.data());
    EXPECT_EQ(adjacency, expected);
    EXPECT_EQ(std::count(adjacency.begin(), adjacency.begin() + 24, OpenEdge), 0);  // the solid is closed

    BoundingSphere sphere{};
    ComputeBoundingSphere(vertices.data(), uint32_t(vertices.size()), sphere);
    EXPECT_EQ(std::memcmp(&sphere, &mesh->GetBoundingSphere(), sizeof sphere), 0);
    EXPECT_GT(sphere.radius, 4.0f);  // spans both the solid and the loose triangle
}

TEST_F(ObjMeshTest, BindSetsBuffersFormatAndTopology)
{
    WriteModel(TwoGroupModel);
    ASSERT_TRUE(Load());
    for (bool adjacency : {true, false}) {
        gpu.context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED);
        mesh->Bind(adjacency);

        ID3D11Buffer* vertexBuffer = nullptr;
        UINT stride = 0, offset = 99;
        gpu.context->IAGetVertexBuffers(0, 1, &vertexBuffer, &stride, &offset);
        EXPECT_EQ(vertexBuffer, mesh->GetVertexBuffer());
        EXPECT_EQ(stride, 32u);
        EXPECT_EQ(offset, 0u);

        ID3D11Buffer* indexBuffer = nullptr;
        DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
        UINT indexOffset = 99;
        gpu.context->IAGetIndexBuffer(&indexBuffer, &format, &indexOffset);
        EXPECT_EQ(indexBuffer, adjacency ? mesh->GetAdjacencyIndexBuffer() : mesh->GetIndexBuffer());
        EXPECT_EQ(format, DXGI_FORMAT_R32_UINT);
        EXPECT_EQ(indexOffset, 0u);

        D3D11_PRIMITIVE_TOPOLOGY topology = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;
        gpu.context->IAGetPrimitiveTopology(&topology);
        EXPECT_EQ(int(topology), adjacency ? 12 : 4);

        if (vertexBuffer != nullptr) vertexBuffer->Release();
        if (indexBuffer != nullptr) indexBuffer->Release();
    }
    // Unbind, so the context holds no reference to the mesh's buffers when it is released.
    ID3D11Buffer* none = nullptr;
    UINT zero = 0;
    gpu.context->IASetVertexBuffers(0, 1, &none, &zero, &zero);
    gpu.context->IASetIndexBuffer(nullptr, DXGI_FORMAT_R32_UINT, 0);
}

TEST_F(ObjMeshTest, LoadingAgainReleasesTheFirstBuffersBeforeReading)
{
    WriteModel(TwoGroupModel);
    ASSERT_TRUE(Load());
    const int loaded = platform_test::LiveObjectCount();
    EXPECT_GE(loaded, baseline + 3);
    ASSERT_TRUE(Load());
    EXPECT_EQ(platform_test::LiveObjectCount(), loaded);

    // With the file gone the second load fails, and the first load's buffers are gone too.
    std::filesystem::remove(box.Misc() / "kuma.obj");
    EXPECT_FALSE(Load());
    EXPECT_EQ(platform_test::LiveObjectCount(), baseline);
    EXPECT_EQ(mesh->GetVertexBuffer(), nullptr);
    EXPECT_EQ(mesh->GetIndexBuffer(), nullptr);
    EXPECT_EQ(mesh->GetAdjacencyIndexBuffer(), nullptr);
    EXPECT_EQ(mesh->GetGroupCount(), 0);
}

TEST_F(ObjMeshTest, WorkArraysAreAllocatedOnlyAfterTheFileOpensAndAlwaysFreed)
{
    {
        WorkArrayCount count;  // no model file
        EXPECT_FALSE(Load());
        EXPECT_STREQ(mesh->GetLoadFailure(), "cannot be opened");
        EXPECT_EQ(count.Allocated(), 0);
        EXPECT_STREQ(mtllib, "untouched");
    }
    {
        WriteModel("mtllib a.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n");  // no faces
        WorkArrayCount count;
        EXPECT_FALSE(Load());
        EXPECT_STREQ(mesh->GetLoadFailure(), "it holds no triangles");
        EXPECT_EQ(count.Allocated(), 3);
        EXPECT_EQ(count.StillAllocated(), 0u);
    }
    {
        WriteModel("v 0 0 0\nv 1 0 0\nf 1 2\n");  // the reader fails
        WorkArrayCount count;
        EXPECT_FALSE(Load());
        EXPECT_STREQ(mesh->GetLoadFailure(), "line 3: a face line with fewer than three corners");
        EXPECT_EQ(count.Allocated(), 3);
        EXPECT_EQ(count.StillAllocated(), 0u);
    }
    {
        WriteModel(TwoGroupModel);
        WorkArrayCount count;
        EXPECT_TRUE(Load());
        EXPECT_STREQ(mesh->GetLoadFailure(), "");
        EXPECT_EQ(count.Allocated(), 3);
        EXPECT_EQ(count.StillAllocated(), 0u);
    }
    mesh->Release();
    EXPECT_EQ(platform_test::LiveObjectCount(), baseline);
}

// Faces may name positions read after them; here all three are one point, so the triangle
// survives the reader but the sphere has radius 0 and the world matrix would scale by 1 / 0.
TEST_F(ObjMeshTest, ModelWithoutExtentIsRefused)
{
    WriteModel("f 1 2 3\nv 0.5 0.5 0.5\nv 0.5 0.5 0.5\nv 0.5 0.5 0.5\n");
    WorkArrayCount count;
    EXPECT_FALSE(Load());
    EXPECT_STREQ(mesh->GetLoadFailure(), "the model has no extent: all its positions are one point");
    EXPECT_EQ(count.StillAllocated(), 0u);
    EXPECT_EQ(mesh->GetVertexBuffer(), nullptr);
    EXPECT_EQ(mesh->GetIndexCount(), 0);
}

// The uploaded adjacency list is BuildAdjacency's with the edges of more than two triangles
// opened: the volume pass reads this one.
TEST_F(ObjMeshTest, AdjacencyBufferOpensEdgesOfThreeTriangles)
{
    WriteModel("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 -1 0\nv 0 0 1\nf 1 2 3\nf 2 1 4\nf 2 1 5\n");
    ASSERT_TRUE(Load());
    auto vertices = ReadBackAs<MeshVertex>(gpu.device, gpu.context, mesh->GetVertexBuffer());
    auto indices = ReadBackAs<uint32_t>(gpu.device, gpu.context, mesh->GetIndexBuffer());
    std::vector<uint32_t> expected(2 * indices.size());
    BuildAdjacency(vertices.data(), indices.data(), int(indices.size()), expected.data());
    ASSERT_NE(expected[1], OpenEdge);  // BuildAdjacency pairs triangle 0's edge 1 -> 2 with triangle 1
    expected[1] = expected[7] = expected[13] = OpenEdge;
    EXPECT_EQ(ReadBackAs<uint32_t>(gpu.device, gpu.context, mesh->GetAdjacencyIndexBuffer()), expected);
}

TEST_F(ObjMeshTest, ABufferThatCannotBeCreatedLeavesNoArrayNoBufferAndNamesTheStep)
{
    WriteModel(TwoGroupModel);
    const char* const steps[] = {"creating the vertex buffer failed (code 0x8007000E)",
                                 "creating the index buffer failed (code 0x8007000E)",
                                 "creating the adjacency index buffer failed (code 0x8007000E)"};
    for (int n = 1; n <= 3; ++n) {
        WorkArrayCount count;
        platform_test::FailNthCreate(platform_test::CreateKind::Buffer, n);
        EXPECT_FALSE(Load()) << n;
        platform_test::FailNthCreate(platform_test::CreateKind::Buffer, 0);
        EXPECT_STREQ(mesh->GetLoadFailure(), steps[n - 1]);
        EXPECT_EQ(count.Allocated(), 3) << n;
        EXPECT_EQ(count.StillAllocated(), 0u) << n;
        EXPECT_EQ(platform_test::LiveObjectCount(), baseline) << "a buffer outlived failure " << n;
        EXPECT_EQ(mesh->GetVertexBuffer(), nullptr);
        EXPECT_EQ(mesh->GetIndexBuffer(), nullptr);
        EXPECT_EQ(mesh->GetAdjacencyIndexBuffer(), nullptr);
        EXPECT_EQ(mesh->GetIndexCount(), 0);
    }
    EXPECT_TRUE(Load());  // the failures were one-off
}

// Whichever work array finds no memory, the reader is not run, the others are freed and
// nothing is created.
TEST_F(ObjMeshTest, AWorkArrayWithoutMemoryEndsTheLoadAndFreesTheOthers)
{
    WriteModel(TwoGroupModel);
    for (int n = 1; n <= 3; ++n) {
        WorkArrayCount count;
        failBigAllocation = n;
        EXPECT_FALSE(Load()) << n;
        EXPECT_STREQ(mesh->GetLoadFailure(), "out of memory for the work arrays") << n;
        EXPECT_STREQ(mtllib, "untouched") << n;
        EXPECT_EQ(count.Allocated(), 2) << n;
        EXPECT_EQ(count.StillAllocated(), 0u) << n;
        EXPECT_EQ(platform_test::LiveObjectCount(), baseline) << n;
        EXPECT_EQ(mesh->GetIndexCount(), 0) << n;
    }
    EXPECT_TRUE(Load());
}

TEST_F(ObjMeshTest, ReleaseIsSafeToRepeatAndKeepsGroupsAndSphere)
{
    mesh->Release();   // on an empty mesh
    mesh->Bind(true);  // nothing to bind on an empty mesh
    WriteModel(TwoGroupModel);
    ASSERT_TRUE(Load());
    const BoundingSphere sphere = mesh->GetBoundingSphere();
    const MeshGroup first = mesh->GetGroups()[0];
    mesh->Release();
    mesh->Release();
    EXPECT_EQ(platform_test::LiveObjectCount(), baseline);
    EXPECT_EQ(mesh->GetGroupCount(), 0);
    EXPECT_EQ(mesh->GetVertexCount(), 0);
    EXPECT_EQ(mesh->GetIndexCount(), 0);
    EXPECT_EQ(mesh->GetContext(), nullptr);
    EXPECT_EQ(std::memcmp(&mesh->GetBoundingSphere(), &sphere, sizeof sphere), 0);
    EXPECT_EQ(std::memcmp(&mesh->GetGroups()[0], &first, sizeof first), 0);

    ASSERT_TRUE(Load());
    mesh.reset();  // as at program exit, with the mesh still loaded
    EXPECT_EQ(platform_test::LiveObjectCount(), baseline);
}

TEST_F(ObjMeshTest, TheProgramsOwnModelLoads)
{
    std::filesystem::copy_file(std::filesystem::path(QV_MISC_DIR) / "kuma.obj", box.Misc() / "kuma.obj");
    ASSERT_TRUE(Load());
    EXPECT_STREQ(mtllib, "..\\misc\\kuma.mtl");
    EXPECT_GT(mesh->GetGroupCount(), 1);
    D3D11_BUFFER_DESC index{}, adjacency{};
    mesh->GetIndexBuffer()->GetDesc(&index);
    mesh->GetAdjacencyIndexBuffer()->GetDesc(&adjacency);
    EXPECT_EQ(adjacency.ByteWidth, 2 * index.ByteWidth);
    EXPECT_GT(mesh->GetBoundingSphere().radius, 0.0f);
}

}  // namespace
