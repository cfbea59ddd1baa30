// The per-draw path (WRITE_DISCARD upload, texture bind, draw, as the program's group loop does
// it) makes no heap allocation through operator new on the calling thread. Replaces the global
// operator new of this test program to count.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "RenderTestSupport.h"

namespace {
// Set on the test's own thread only: a driver that compiles on threads of its own (zink's
// pipelines on lavapipe, through LLVM) allocates there whenever it likes, which says nothing
// about the calls under test.
thread_local bool Counting = false;
std::atomic<long> AllocationsSeen{0};
}  // namespace

// AddressSanitizer brings its own operator new, which shared libraries may bind to instead of
// this one; the count is only taken in builds without it.
#if !defined(__SANITIZE_ADDRESS__)
#define QV_COUNT_ALLOCATIONS 1
// The replacements pair malloc with free, which GCC cannot see through operator new.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    if (Counting) ++AllocationsSeen;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop
#endif

namespace {

using Allocation = RenderTest;

TEST_F(Allocation, GroupLoopAllocatesNothing)
{
#if !defined(QV_COUNT_ALLOCATIONS)
    GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
#endif
    D3D11_BUFFER_DESC desc{224, D3D11_USAGE_DYNAMIC, D3D11_BIND_CONSTANT_BUFFER, D3D11_CPU_ACCESS_WRITE, 0, 0};
    Ref<ID3D11Buffer> frame;
    ASSERT_EQ(device->CreateBuffer(&desc, nullptr, &frame), S_OK);
    const uint32_t white = 0xffffffff;
    Ref<ID3D11Texture2D> texture = MakeTexture(1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, &white, 4);
    Ref<ID3D11ShaderResourceView> views[2];
    ASSERT_EQ(device->CreateShaderResourceView(texture, nullptr, &views[0]), S_OK);
    ASSERT_EQ(device->CreateShaderResourceView(texture, nullptr, &views[1]), S_OK);
    Ref<ID3D11Buffer> triangle = VertexBuffer({QV_CLOCKWISE_FULL(0.5f)});
    const uint32_t indices[3] = {0, 1, 2};
    D3D11_BUFFER_DESC ibDesc{sizeof indices, D3D11_USAGE_DEFAULT, D3D11_BIND_INDEX_BUFFER, 0, 0, 0};
    D3D11_SUBRESOURCE_DATA ibData{indices, 0, 0};
    Ref<ID3D11Buffer> ib;
    ASSERT_EQ(device->CreateBuffer(&ibDesc, &ibData, &ib), S_OK);
    BindPositionPipeline(triangle, frame);
    context->IASetIndexBuffer(ib, DXGI_FORMAT_R32_UINT, 0);
    context->DrawIndexed(3, 0, 0);  // first draw: driver set-up is allowed to allocate

    AllocationsSeen = 0;
    Counting = true;
    for (int i = 0; i < 500; ++i) {
        D3D11_MAPPED_SUBRESOURCE mapped{};
        if (FAILED(context->Map(frame, 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped))) break;
        std::memset(mapped.pData, i & 0xff, 224);
        context->Unmap(frame, 0);
        context->PSSetShaderResources(0, 1, views[i & 1].addr());
        context->DrawIndexed(3, 0, 0);
    }
    Counting = false;
    EXPECT_EQ(AllocationsSeen.load(), 0);
}

}  // namespace
