// D3D11CreateDevice: driver types, feature-level arrays, argument checks.
#include <string>

#include "D3D11TestSupport.h"

namespace {

HRESULT Create(D3D_DRIVER_TYPE type, const D3D_FEATURE_LEVEL* levels, UINT count, D3D_FEATURE_LEVEL* got,
               UINT sdk = D3D11_SDK_VERSION)
{
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    HRESULT hr = D3D11CreateDevice(nullptr, type, nullptr, 0, levels, count, sdk, &device, got, &context);
    if (SUCCEEDED(hr)) {
        EXPECT_NE(device, nullptr);
        EXPECT_NE(context, nullptr);
        context->Release();
        device->Release();
    } else {
        EXPECT_EQ(device, nullptr);
        EXPECT_EQ(context, nullptr);
    }
    return hr;
}

TEST(DeviceCreation, FeatureLevelArrayIsHonouredInOrder)
{
    const D3D_FEATURE_LEVEL program[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1, D3D_FEATURE_LEVEL_10_0};
    const D3D_FEATURE_LEVEL tenFirst[] = {D3D_FEATURE_LEVEL_10_0, D3D_FEATURE_LEVEL_11_0};
    const D3D_FEATURE_LEVEL unknownFirst[] = {D3D_FEATURE_LEVEL_11_1, D3D_FEATURE_LEVEL_10_1};
    D3D_FEATURE_LEVEL got{};
    EXPECT_EQ(Create(D3D_DRIVER_TYPE_WARP, program, 3, &got), S_OK);
    EXPECT_EQ(got, D3D_FEATURE_LEVEL_11_0);
    EXPECT_EQ(Create(D3D_DRIVER_TYPE_WARP, tenFirst, 2, &got), S_OK);
    EXPECT_EQ(got, D3D_FEATURE_LEVEL_10_0);
    EXPECT_EQ(Create(D3D_DRIVER_TYPE_REFERENCE, unknownFirst, 2, &got), S_OK);
    EXPECT_EQ(got, D3D_FEATURE_LEVEL_10_1);
    EXPECT_EQ(Create(D3D_DRIVER_TYPE_WARP, nullptr, 0, &got), S_OK);
    EXPECT_EQ(got, D3D_FEATURE_LEVEL_11_0);
}

TEST(DeviceCreation, RejectsArgumentsDirect3DRejects)
{
    const D3D_FEATURE_LEVEL onlyNewer[] = {D3D_FEATURE_LEVEL_11_1};
    const D3D_FEATURE_LEVEL only93[] = {D3D_FEATURE_LEVEL_9_3};
    const D3D_FEATURE_LEVEL program[] = {D3D_FEATURE_LEVEL_11_0};
    D3D_FEATURE_LEVEL got{};
    EXPECT_EQ(Create(D3D_DRIVER_TYPE_WARP, onlyNewer, 1, &got), E_INVALIDARG);
    EXPECT_EQ(Create(D3D_DRIVER_TYPE_WARP, only93, 1, &got), E_INVALIDARG);
    EXPECT_EQ(Create(D3D_DRIVER_TYPE_WARP, program, 0, &got), E_INVALIDARG);
    EXPECT_EQ(Create(D3D_DRIVER_TYPE_WARP, program, 1, &got, 6), E_INVALIDARG);
    EXPECT_EQ(Create(D3D_DRIVER_TYPE_UNKNOWN, program, 1, &got), E_INVALIDARG);
    EXPECT_LT(Create(D3D_DRIVER_TYPE_NULL, program, 1, &got), 0);
    EXPECT_EQ(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, 0x1000, program, 1, D3D11_SDK_VERSION, nullptr,
                                nullptr, nullptr),
              E_INVALIDARG);
}

TEST(DeviceCreation, AskingForNoObjectOnlyTests)
{
    const D3D_FEATURE_LEVEL program[] = {D3D_FEATURE_LEVEL_11_0};
    const int before = platform_test::LiveObjectCount();
    D3D_FEATURE_LEVEL got{};
    EXPECT_EQ(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, 0, program, 1, D3D11_SDK_VERSION, nullptr, &got,
                                nullptr),
              S_FALSE);
    EXPECT_EQ(got, D3D_FEATURE_LEVEL_11_0);
    EXPECT_EQ(platform_test::LiveObjectCount(), before);
}

// The exit report's device rebuilds: a device made after GetDeviceRemovedReason reported the
// previous one gone replaces it, once however often the program asked; other devices do not.
TEST(DeviceCreation, CountsADeviceMadeAfterARemovalWasReportedAsOneReplacement)
{
    const D3D_FEATURE_LEVEL program[] = {D3D_FEATURE_LEVEL_11_0};
    const auto make = [&program] {
        ID3D11Device* device = nullptr;
        EXPECT_EQ(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, 0, program, 1, D3D11_SDK_VERSION, &device,
                                    nullptr, nullptr),
                  S_OK);
        return Ref<ID3D11Device>(device);
    };
    const int before = platform_test::ReplacementDeviceCount();
    Ref<ID3D11Device> device = make();
    ASSERT_TRUE(device.get());
    EXPECT_EQ(device->GetDeviceRemovedReason(), S_OK);
    device = make();
    EXPECT_EQ(platform_test::ReplacementDeviceCount(), before);

    platform_test::InjectDeviceRemovedReason(DXGI_ERROR_DEVICE_HUNG);
    EXPECT_EQ(device->GetDeviceRemovedReason(), DXGI_ERROR_DEVICE_HUNG);
    EXPECT_EQ(device->GetDeviceRemovedReason(), DXGI_ERROR_DEVICE_HUNG);
    platform_test::InjectDeviceRemovedReason(S_OK);
    device.Reset();
    device = make();
    EXPECT_EQ(platform_test::ReplacementDeviceCount(), before + 1);
    device = make();
    EXPECT_EQ(platform_test::ReplacementDeviceCount(), before + 1);
}

// Software rasterizers a GL renderer string can name, written out here rather than taken from
// the layer so that a renderer the layer fails to recognise shows up as a failure. Mesa's zink
// names the Vulkan device it runs on: "zink (llvmpipe (LLVM 15.0.6, 256 bits))" is lavapipe.
bool NamesASoftwareRasterizer(const std::string& renderer)
{
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "lavapipe", "SwiftShader", "Software Rasterizer"})
        if (renderer.find(name) != std::string::npos) return true;
    return false;
}

// HARDWARE means a GL driver on a GPU. Where only a software rasterizer exists it must fail (so
// that the program falls back to WARP); where it succeeds, the device must report a GPU renderer.
TEST(DeviceCreation, HardwareNeverHandsOutTheSoftwareRenderer)
{
    const D3D_FEATURE_LEVEL program[] = {D3D_FEATURE_LEVEL_11_0};
    Ref<ID3D11Device> device;
    const HRESULT hr = D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, program, 1, D3D11_SDK_VERSION,
                                         &device, nullptr, nullptr);
    if (FAILED(hr)) {
        EXPECT_EQ(hr, DXGI_ERROR_UNSUPPORTED);
        EXPECT_EQ(device.get(), nullptr);
        return;
    }
    ASSERT_NE(device.get(), nullptr);
    platform_test::DeviceFacts facts;
    ASSERT_TRUE(platform_test::DescribeDevice(device, &facts));
    EXPECT_FALSE(facts.renderer.empty());
    EXPECT_FALSE(NamesASoftwareRasterizer(facts.renderer)) << "HARDWARE gave the renderer '" << facts.renderer << "'";
}

}  // namespace
