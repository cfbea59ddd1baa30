// Clears, transfers in Direct3D row order, Map/Unmap, CopyResource, UpdateSubresource, faults.
#include <cstring>

#include "D3D11TestSupport.h"

namespace {

using Resources = D3D11Test;

TEST_F(Resources, ClearColourAndDepthStencil)
{
    Ref<ID3D11Texture2D> target = MakeTexture(8, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET);
    Ref<ID3D11RenderTargetView> rtv;
    ASSERT_EQ(device->CreateRenderTargetView(target, nullptr, &rtv), S_OK);
    const float clearColor[4] = {0.0f, 0.125f, 0.3f, 1.0f};
    context->ClearRenderTargetView(rtv, clearColor);
    for (uint32_t texel : ReadRgba(target)) EXPECT_PRED3(NearRgba, texel, Rgba(0, 32, 77, 255), 1);

    Ref<ID3D11Texture2D> depth = MakeTexture(8, 4, DXGI_FORMAT_D32_FLOAT_S8X24_UINT, D3D11_BIND_DEPTH_STENCIL);
    Ref<ID3D11DepthStencilView> dsv;
    ASSERT_EQ(device->CreateDepthStencilView(depth, nullptr, &dsv), S_OK);
    context->ClearDepthStencilView(dsv, D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, 0.25f, 7);
    for (float d : ReadDepth(depth)) EXPECT_EQ(d, 0.25f);
    std::vector<uint8_t> stencil;
    ASSERT_TRUE(platform_test::ReadStencil(depth, &stencil));
    ASSERT_EQ(stencil.size(), 32u);
    for (uint8_t s : stencil) EXPECT_EQ(s, 7);
    // Clearing only depth leaves stencil alone.
    context->ClearDepthStencilView(dsv, D3D11_CLEAR_DEPTH, 1.0f, 0);
    ASSERT_TRUE(platform_test::ReadStencil(depth, &stencil));
    for (uint8_t s : stencil) EXPECT_EQ(s, 7);
    for (float d : ReadDepth(depth)) EXPECT_EQ(d, 1.0f);
}

// Row y of the initial data must come back as row y, whether the texture keeps GL's bottom-up
// rows (render targets) or Direct3D's top-down rows, and through every kind of copy.
TEST_F(Resources, RowsKeepDirect3DOrderThroughUploadsAndCopies)
{
    uint32_t texels[4 * 3];
    for (int i = 0; i < 12; ++i) texels[i] = Rgba(uint8_t(i), uint8_t(10 * (i / 4)), 0, 255);
    for (UINT bind : {UINT(D3D11_BIND_SHADER_RESOURCE), UINT(D3D11_BIND_RENDER_TARGET)}) {
        Ref<ID3D11Texture2D> texture = MakeTexture(4, 3, DXGI_FORMAT_R8G8B8A8_UNORM, bind, texels, 16);
        std::vector<uint32_t> read = ReadRgba(texture);
        ASSERT_EQ(read.size(), 12u);
        EXPECT_EQ(0, std::memcmp(read.data(), texels, sizeof texels)) << "bind flags " << bind;

        // A rectangle written with UpdateSubresource lands at the rows the box names.
        const uint32_t patch[2] = {Rgba(200, 0, 0, 255), Rgba(201, 0, 0, 255)};
        const UINT box[6] = {1, 2, 0, 3, 3, 1};  // left, top, front, right, bottom, back
        context->UpdateSubresource(texture, 0, box, patch, 8, 0);
        read = ReadRgba(texture);
        EXPECT_EQ(read[2 * 4 + 1], patch[0]);
        EXPECT_EQ(read[2 * 4 + 2], patch[1]);
        EXPECT_EQ(read[0 * 4 + 1], texels[1]);
    }
    // Copy from a top-down texture into a bottom-up one and back.
    Ref<ID3D11Texture2D> source = MakeTexture(4, 3, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, texels, 16);
    Ref<ID3D11Texture2D> target = MakeTexture(4, 3, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET);
    context->CopyResource(target, source);
    std::vector<uint32_t> read = ReadRgba(target);
    EXPECT_EQ(0, std::memcmp(read.data(), texels, sizeof texels));
}

// An integer target takes the clear colour as integers; through the float clear GL refuses the
// call and the target keeps what it had.
TEST_F(Resources, IntegerTargetsClearToTheColourAsIntegers)
{
    Ref<ID3D11Texture2D> unsignedTarget = MakeTexture(4, 2, DXGI_FORMAT_R8G8B8A8_UINT, D3D11_BIND_RENDER_TARGET);
    Ref<ID3D11Texture2D> signedTarget = MakeTexture(4, 2, DXGI_FORMAT_R32_SINT, D3D11_BIND_RENDER_TARGET);
    Ref<ID3D11RenderTargetView> unsignedView, signedView;
    ASSERT_EQ(device->CreateRenderTargetView(unsignedTarget, nullptr, &unsignedView), S_OK);
    ASSERT_EQ(device->CreateRenderTargetView(signedTarget, nullptr, &signedView), S_OK);
    const float unsignedColour[4] = {1.0f, 2.0f, 3.0f, 200.0f};
    const float signedColour[4] = {-5.0f, 0.0f, 0.0f, 0.0f};
    context->ClearRenderTargetView(unsignedView, unsignedColour);
    context->ClearRenderTargetView(signedView, signedColour);
    for (uint32_t texel : ReadRgba(unsignedTarget)) EXPECT_EQ(texel, Rgba(1, 2, 3, 200));
    for (uint32_t texel : ReadRgba(signedTarget)) EXPECT_EQ(int32_t(texel), -5);
}

// A write-only map of a staging texture shows what the GPU last copied into it, and its Unmap
// keeps that: the CPU's old copy must not come back.
TEST_F(Resources, StagingWriteMapStartsFromWhatTheGpuCopiedIn)
{
    uint32_t texels[4 * 2];
    for (int i = 0; i < 8; ++i) texels[i] = Rgba(uint8_t(10 + i), 0, 0, 255);
    Ref<ID3D11Texture2D> source = MakeTexture(4, 2, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, texels, 16);
    D3D11_TEXTURE2D_DESC desc{};
    source->GetDesc(&desc);
    desc.Usage = D3D11_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ | D3D11_CPU_ACCESS_WRITE;
    Ref<ID3D11Texture2D> staging;
    ASSERT_EQ(device->CreateTexture2D(&desc, nullptr, &staging), S_OK);
    context->CopyResource(staging, source);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    ASSERT_EQ(context->Map(staging, 0, D3D11_MAP_WRITE, 0, &mapped), S_OK);
    EXPECT_EQ(0, std::memcmp(mapped.pData, texels, 16)) << "the first row is not what was copied in";
    static_cast<uint32_t*>(mapped.pData)[0] = Rgba(99, 0, 0, 255);
    context->Unmap(staging, 0);
    texels[0] = Rgba(99, 0, 0, 255);
    std::vector<uint32_t> read = ReadRgba(staging);
    ASSERT_EQ(read.size(), 8u);
    EXPECT_EQ(0, std::memcmp(read.data(), texels, sizeof texels));
}

TEST_F(Resources, WriteDiscardHandsOutFreshMemoryAndKeepsTheLastContents)
{
    D3D11_BUFFER_DESC desc{224, D3D11_USAGE_DYNAMIC, D3D11_BIND_CONSTANT_BUFFER, D3D11_CPU_ACCESS_WRITE, 0, 0};
    Ref<ID3D11Buffer> constants;
    ASSERT_EQ(device->CreateBuffer(&desc, nullptr, &constants), S_OK);
    D3D11_BUFFER_DESC stagingDesc{224, D3D11_USAGE_STAGING, 0, D3D11_CPU_ACCESS_READ, 0, 0};
    Ref<ID3D11Buffer> staging;
    ASSERT_EQ(device->CreateBuffer(&stagingDesc, nullptr, &staging), S_OK);

    void* previous = nullptr;
    for (int i = 0; i < 10000; ++i) {  // more than one trip round the ring
        D3D11_MAPPED_SUBRESOURCE mapped{};
        ASSERT_EQ(context->Map(constants, 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped), S_OK);
        ASSERT_NE(mapped.pData, nullptr);
        EXPECT_NE(mapped.pData, previous);
        previous = mapped.pData;
        float values[56];
        for (int k = 0; k < 56; ++k) values[k] = float(i * 100 + k);
        std::memcpy(mapped.pData, values, sizeof values);
        context->Unmap(constants, 0);
        if (i % 997 == 0 || i == 9999) {
            context->CopyResource(staging, constants);
            D3D11_MAPPED_SUBRESOURCE read{};
            ASSERT_EQ(context->Map(staging, 0, D3D11_MAP_READ, 0, &read), S_OK);
            EXPECT_EQ(0, std::memcmp(read.pData, values, sizeof values)) << "after map " << i;
            context->Unmap(staging, 0);
        }
    }
    D3D11_MAPPED_SUBRESOURCE mapped{};
    EXPECT_EQ(context->Map(constants, 0, D3D11_MAP_READ, 0, &mapped), E_INVALIDARG);
    EXPECT_EQ(context->Map(constants, 1, D3D11_MAP_WRITE_DISCARD, 0, &mapped), E_INVALIDARG);
    D3D11_BUFFER_DESC defaultDesc{16, D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0, 0, 0};
    Ref<ID3D11Buffer> plain;
    ASSERT_EQ(device->CreateBuffer(&defaultDesc, nullptr, &plain), S_OK);
    EXPECT_EQ(context->Map(plain, 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped), E_INVALIDARG);
}

TEST_F(Resources, InjectedMapFailureAndCallLog)
{
    D3D11_BUFFER_DESC desc{224, D3D11_USAGE_DYNAMIC, D3D11_BIND_CONSTANT_BUFFER, D3D11_CPU_ACCESS_WRITE, 0, 0};
    Ref<ID3D11Buffer> constants;
    ASSERT_EQ(device->CreateBuffer(&desc, nullptr, &constants), S_OK);
    platform_test::StartCallLog();
    platform_test::FailNthMap(2);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    EXPECT_EQ(context->Map(constants, 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped), S_OK);
    context->Unmap(constants, 0);
    EXPECT_EQ(context->Map(constants, 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped), E_OUTOFMEMORY);
    EXPECT_EQ(mapped.pData, nullptr);
    EXPECT_EQ(context->Map(constants, 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped), S_OK);
    context->Unmap(constants, 0);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST_ADJ);
    platform_test::StopCallLog();
    const auto& log = platform_test::CallLog();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0].call, platform_test::Call::Map);
    EXPECT_EQ(log[0].a, uint64_t(D3D11_MAP_WRITE_DISCARD));
    EXPECT_EQ(log[2].call, platform_test::Call::Map);
    EXPECT_EQ(log[2].b, uint64_t(uint32_t(E_OUTOFMEMORY)));
    EXPECT_EQ(log[5].call, platform_test::Call::IASetPrimitiveTopology);
    EXPECT_EQ(log[5].a, 12u);
}

TEST_F(Resources, DeviceRemovedReasonReportsInjectedFaults)
{
    EXPECT_EQ(device->GetDeviceRemovedReason(), S_OK);
    for (HRESULT code : {DXGI_ERROR_DEVICE_HUNG, DXGI_ERROR_DEVICE_RESET, DXGI_ERROR_DEVICE_REMOVED}) {
        platform_test::InjectDeviceRemovedReason(code);
        EXPECT_EQ(device->GetDeviceRemovedReason(), code);
    }
    platform_test::InjectDeviceRemovedReason(S_OK);
    EXPECT_EQ(device->GetDeviceRemovedReason(), S_OK);
}

}  // namespace
