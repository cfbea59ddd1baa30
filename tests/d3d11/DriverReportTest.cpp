// What a device tells about its driver: debug lines on stderr, GL errors that must not leak into
// the next creation's result, and a device on a driver that gives no robust context.
#include <string>

#include <epoxy/gl.h>

#include "D3D11TestSupport.h"

namespace {

const D3D_FEATURE_LEVEL Levels[] = {D3D_FEATURE_LEVEL_11_0};

struct Device {
    Ref<ID3D11Device> device;
    Ref<ID3D11DeviceContext> context;
    HRESULT hr = E_FAIL;
    explicit Device(UINT flags)
    {
        hr = D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, flags, Levels, 1, D3D11_SDK_VERSION, &device,
                               nullptr, &context);
    }
};

// Any call GL refuses will do; offscreen devices leave their context current on this thread.
void RaiseGlError()
{
    glBindTexture(0xDEAD, 0);
}

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

using DriverReport = D3D11Test;

TEST_F(DriverReport, ErrorLeftByEarlierGlCallsDoesNotFailTheNextCreation)
{
    D3D11_BUFFER_DESC bufferDesc{64, D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0, 0, 0};
    RaiseGlError();
    Ref<ID3D11Buffer> buffer;
    EXPECT_EQ(device->CreateBuffer(&bufferDesc, nullptr, &buffer), S_OK);
    RaiseGlError();
    Ref<ID3D11Texture2D> texture = MakeTexture(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    EXPECT_NE(texture.get(), nullptr);
    D3D11_TEXTURE2D_DESC desc{};
    texture->GetDesc(&desc);
    desc.Usage = D3D11_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    Ref<ID3D11Texture2D> staging;
    RaiseGlError();
    EXPECT_EQ(device->CreateTexture2D(&desc, nullptr, &staging), S_OK);
}

TEST(DriverReportLines, DebugDeviceNamesItsDriverAndTurnsGlErrorsIntoD3D11Lines)
{
    testing::internal::CaptureStderr();
    {
        Device quiet(0);
        ASSERT_EQ(quiet.hr, S_OK);
        RaiseGlError();
    }
    const std::string quietText = testing::internal::GetCapturedStderr();
    EXPECT_EQ(quietText, "") << "a device without the debug flag writes nothing";

    // The line names whichever driver the device runs on, as the driver itself reports it.
    platform_test::DeviceFacts facts;
    testing::internal::CaptureStderr();
    {
        Device debug(D3D11_CREATE_DEVICE_DEBUG);
        ASSERT_EQ(debug.hr, S_OK);
        RaiseGlError();
        ASSERT_TRUE(platform_test::DescribeDevice(debug.device, &facts));
    }
    const std::string text = testing::internal::GetCapturedStderr();
    ASSERT_FALSE(facts.renderer.empty());
    const std::string driver = "D3D11 INFO: D3D11CreateDevice: WARP: " + facts.renderer + " (" + facts.vendor +
                               "), OpenGL " + facts.version + ";";
    EXPECT_TRUE(Contains(text, driver.c_str())) << "expected \"" << driver << "\" in:\n" << text;
    EXPECT_TRUE(Contains(text, "robust access on; reset notification LOSE_CONTEXT_ON_RESET")) << text;
    EXPECT_TRUE(Contains(text, "D3D11 ERROR: GL: GL_INVALID_ENUM")) << text;
}

TEST(DriverReportLines, WithoutARobustContextTheDeviceStartsAndSaysLossIsUnseen)
{
    platform_test::RefuseRobustContexts(true);
    testing::internal::CaptureStderr();
    Device debug(D3D11_CREATE_DEVICE_DEBUG);
    const std::string text = testing::internal::GetCapturedStderr();
    platform_test::RefuseRobustContexts(false);
    ASSERT_EQ(debug.hr, S_OK);
    platform_test::DeviceFacts facts;
    ASSERT_TRUE(platform_test::DescribeDevice(debug.device, &facts));
    EXPECT_FALSE(facts.robustAccess);
    EXPECT_EQ(facts.resetStrategy, "NO_RESET_NOTIFICATION");
    EXPECT_TRUE(Contains(
        text, "D3D11 WARNING: D3D11CreateDevice: the context reports no resets: device loss cannot be detected"))
        << text;

    Device robust(0);
    ASSERT_EQ(robust.hr, S_OK);
    ASSERT_TRUE(platform_test::DescribeDevice(robust.device, &facts));
    EXPECT_TRUE(facts.robustAccess);
    EXPECT_EQ(facts.resetStrategy, "LOSE_CONTEXT_ON_RESET");
}

}  // namespace
