// The swap chain on a real SDL window (offscreen video driver unless one is chosen): creation
// with the program's description and driver order, the back buffer, Present and occlusion,
// ResizeBuffers and full screen.
#include <cstdlib>

#include <windows.h>

#include "D3D11TestSupport.h"

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class SwapChain : public ::testing::Test {
  protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        objects = platform_test::LiveObjectCount();
        glObjects = platform_test::LiveGlObjectCount();
        instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.hInstance = instance;
        wc.lpszClassName = L"QvSwapChainTest";
        ASSERT_NE(RegisterClassExW(&wc), 0);
        hwnd = CreateWindowExW(0, L"QvSwapChainTest", L"swap chain", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                               320, 240, nullptr, nullptr, instance, nullptr);
        ASSERT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        RECT client{};
        GetClientRect(hwnd, &client);
        width = UINT(client.right - client.left);
        height = UINT(client.bottom - client.top);

        // The program's description and driver order.
        DXGI_SWAP_CHAIN_DESC desc{};
        desc.BufferDesc = {width,
                           height,
                           {60, 1},
                           DXGI_FORMAT_R8G8B8A8_UNORM,
                           DXGI_MODE_SCANLINE_ORDER_PROGRESSIVE,
                           DXGI_MODE_SCALING_CENTERED};
        desc.SampleDesc = {1, 0};
        desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
        desc.BufferCount = 3;
        desc.OutputWindow = hwnd;
        desc.Windowed = TRUE;
        desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
        desc.Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;
        const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1, D3D_FEATURE_LEVEL_10_0};
        HRESULT hr = E_FAIL;
        for (D3D_DRIVER_TYPE type : {D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP, D3D_DRIVER_TYPE_REFERENCE}) {
            hr = D3D11CreateDeviceAndSwapChain(nullptr, type, nullptr, 0, levels, 3, D3D11_SDK_VERSION, &desc,
                                               &swapChain, &device, &level, &context);
            if (SUCCEEDED(hr)) break;
            EXPECT_LT(hr, 0);
            EXPECT_EQ(swapChain.get(), nullptr);
        }
        ASSERT_EQ(hr, S_OK);
        EXPECT_EQ(level, D3D_FEATURE_LEVEL_11_0);
    }

    void TearDown() override
    {
        if (context) context->ClearState();
        if (swapChain) swapChain->SetFullscreenState(FALSE, nullptr);
        swapChain.Reset();
        context.Reset();
        device.Reset();
        EXPECT_EQ(platform_test::LiveObjectCount(), objects);
        EXPECT_EQ(platform_test::LiveGlObjectCount(), glObjects);
        if (hwnd) DestroyWindow(hwnd);
        UnregisterClassW(L"QvSwapChainTest", instance);
    }

    Ref<ID3D11Texture2D> BackBuffer()
    {
        Ref<ID3D11Texture2D> buffer;
        EXPECT_EQ(swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&buffer)), S_OK);
        return buffer;
    }

    // The top-left texel of a texture, through a staging copy.
    uint32_t FirstTexel(ID3D11Texture2D* texture)
    {
        D3D11_TEXTURE2D_DESC desc{};
        texture->GetDesc(&desc);
        desc.Usage = D3D11_USAGE_STAGING;
        desc.BindFlags = 0;
        desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        Ref<ID3D11Texture2D> staging;
        if (FAILED(device->CreateTexture2D(&desc, nullptr, &staging))) return 0;
        context->CopyResource(staging, texture);
        D3D11_MAPPED_SUBRESOURCE mapped{};
        if (FAILED(context->Map(staging, 0, D3D11_MAP_READ, 0, &mapped))) return 0;
        uint32_t texel = *static_cast<const uint32_t*>(mapped.pData);
        context->Unmap(staging, 0);
        return texel;
    }

    int objects = 0, glObjects = 0;
    HINSTANCE instance = nullptr;
    HWND hwnd = nullptr;
    UINT width = 0, height = 0;
    D3D_FEATURE_LEVEL level{};
    Ref<IDXGISwapChain> swapChain;
    Ref<ID3D11Device> device;
    Ref<ID3D11DeviceContext> context;
};

// The program asks GetDeviceRemovedReason and then presents, every frame: GL is asked for its
// reset status once in that frame, and once in a frame where only Present asks.
TEST_F(SwapChain, ResetStatusIsAskedOncePerFrame)
{
    const long before = platform_test::ResetStatusQueryCount();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(device->GetDeviceRemovedReason(), S_OK);
        EXPECT_EQ(swapChain->Present(0, 0), S_OK);
    }
    EXPECT_EQ(platform_test::ResetStatusQueryCount() - before, 5);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(swapChain->Present(0, 0), S_OK);
    EXPECT_EQ(platform_test::ResetStatusQueryCount() - before, 8);
}

TEST_F(SwapChain, BackBufferHasTheWindowsSizeAndPresentShowsIt)
{
    Ref<ID3D11Texture2D> buffer = BackBuffer();
    ASSERT_TRUE(buffer);
    D3D11_TEXTURE2D_DESC desc{};
    buffer->GetDesc(&desc);
    EXPECT_EQ(desc.Width, width);
    EXPECT_EQ(desc.Height, height);
    EXPECT_EQ(desc.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
    EXPECT_NE(desc.BindFlags & D3D11_BIND_RENDER_TARGET, 0u);
    void* other = nullptr;
    EXPECT_EQ(swapChain->GetBuffer(1, __uuidof(ID3D11Texture2D), &other), DXGI_ERROR_INVALID_CALL);

    Ref<ID3D11RenderTargetView> rtv;
    ASSERT_EQ(device->CreateRenderTargetView(buffer, nullptr, &rtv), S_OK);
    const float clearColor[4] = {0.0f, 0.125f, 0.3f, 1.0f};
    context->ClearRenderTargetView(rtv, clearColor);
    EXPECT_PRED3(NearRgba, FirstTexel(buffer), Rgba(0, 32, 77, 255), 1);
    platform_test::StartCallLog();
    EXPECT_EQ(swapChain->Present(0, 0), S_OK);
    platform_test::StopCallLog();
    ASSERT_EQ(platform_test::CallLog().size(), 1u);
    EXPECT_EQ(platform_test::CallLog()[0].call, platform_test::Call::Present);
}

TEST_F(SwapChain, OccludedWhileHiddenAndTestPresentReportsWhenItWouldShow)
{
    ShowWindow(hwnd, SW_HIDE);
    EXPECT_EQ(swapChain->Present(0, 0), DXGI_STATUS_OCCLUDED);
    EXPECT_EQ(swapChain->Present(0, DXGI_PRESENT_TEST), DXGI_STATUS_OCCLUDED);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    EXPECT_EQ(swapChain->Present(0, DXGI_PRESENT_TEST), S_OK);
    EXPECT_EQ(swapChain->Present(0, 0), S_OK);
}

TEST_F(SwapChain, ResizeBuffersRefusesWhileBufferReferencesAreOutstanding)
{
    Ref<ID3D11Texture2D> buffer = BackBuffer();
    Ref<ID3D11RenderTargetView> rtv;
    ASSERT_EQ(device->CreateRenderTargetView(buffer, nullptr, &rtv), S_OK);
    buffer.Reset();
    context->OMSetRenderTargets(1, rtv.addr(), nullptr);
    const UINT flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;
    EXPECT_EQ(swapChain->ResizeBuffers(3, 200, 100, DXGI_FORMAT_R8G8B8A8_UNORM, flags), DXGI_ERROR_INVALID_CALL);
    context->OMSetRenderTargets(0, nullptr, nullptr);  // the program unbinds the targets first
    EXPECT_EQ(swapChain->ResizeBuffers(3, 200, 100, DXGI_FORMAT_R8G8B8A8_UNORM, flags), DXGI_ERROR_INVALID_CALL);
    rtv.Reset();
    EXPECT_EQ(swapChain->ResizeBuffers(3, 200, 100, DXGI_FORMAT_R8G8B8A8_UNORM, flags), S_OK);
    D3D11_TEXTURE2D_DESC desc{};
    BackBuffer()->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 200u);
    EXPECT_EQ(desc.Height, 100u);
    // Zero sizes take the window's client size.
    EXPECT_EQ(swapChain->ResizeBuffers(0, 0, 0, DXGI_FORMAT_UNKNOWN, flags), S_OK);
    BackBuffer()->GetDesc(&desc);
    EXPECT_EQ(desc.Width, width);
    EXPECT_EQ(desc.Height, height);
    EXPECT_EQ(swapChain->Present(0, 0), S_OK);
}

TEST_F(SwapChain, FullscreenStateFollowsTheWindow)
{
    BOOL fullscreen = TRUE;
    IDXGIOutput* output = reinterpret_cast<IDXGIOutput*>(1);
    ASSERT_EQ(swapChain->GetFullscreenState(&fullscreen, &output), S_OK);
    EXPECT_FALSE(fullscreen);
    EXPECT_EQ(output, nullptr);
    ASSERT_EQ(swapChain->SetFullscreenState(TRUE, nullptr), S_OK);
    swapChain->GetFullscreenState(&fullscreen, nullptr);
    EXPECT_TRUE(fullscreen);
    ASSERT_EQ(swapChain->SetFullscreenState(FALSE, nullptr), S_OK);
    swapChain->GetFullscreenState(&fullscreen, nullptr);
    EXPECT_FALSE(fullscreen);
}

}  // namespace
