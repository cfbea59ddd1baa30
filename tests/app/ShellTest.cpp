// The shell driven in-process on a real (offscreen) window and the real renderer: the keys
// through the window procedure, resizing, the idle step's device handling and standby.
#include <gtest/gtest.h>

#include <unistd.h>

#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include <PlatformTestHooks.h>
#include <WindowBridge.h>

#include "AppShell.h"
#include "Failure.h"
#include "ModelObjects.h"
#include "ScratchFolder.h"
#include "StartupFailure.h"

namespace {

// The program finds its data as "..\misc\": run in <tmp>/work beside a link <tmp>/misc.
std::unique_ptr<ScratchFolder> Scratch;

void LinkMisc()
{
    const char* source = std::getenv("QV_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "QV_SOURCE_DIR is not set";
    ASSERT_TRUE(Scratch->LinkMisc(std::string(source) + "/misc"));
}

class ShellTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        Scratch = std::make_unique<ScratchFolder>("quenvale-shell-");
        ASSERT_TRUE(Scratch->EnterWork());
        LinkMisc();
    }

    static void TearDownTestSuite() { Scratch.reset(); }

    void SetUp() override
    {
        CameraDistance = 2.5f;
        UseAdjacency = true;
        StandbyMode = false;
        RunFailure.clear();
        ASSERT_TRUE(CreateAppWindow(GetModuleHandleW(nullptr)));
        ASSERT_GE(CreateGraphics(), 0) << StartupFailureText;
    }

    void TearDown() override
    {
        platform_test::StopCallLog();
        platform_test::InjectDeviceRemovedReason(0);
        if (MainWindow) {
            DestroyWindow(MainWindow);
        }
        EXPECT_EQ(TakeQuit(), 0);
        EXPECT_TRUE(UnregisterClassW(L"Quenvale", InstanceHandle));
        EXPECT_EQ(platform_test::LiveObjectCount(), 0);
        EXPECT_EQ(platform_test::LiveGlObjectCount(), 0);
    }

    // Dispatches queued messages until WM_QUIT and returns its exit code (-1 if none came).
    static int TakeQuit()
    {
        MSG message = {};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return static_cast<int>(message.wParam);
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return -1;
    }

    static void Key(WPARAM key) { AppWindowProc(MainWindow, WM_KEYDOWN, key, 0); }

    // What the window system says when the user minimises or restores the window.
    static void WindowEvent(Uint8 kind)
    {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = SDL_GetWindowID(platform::SdlWindowFromHwnd(MainWindow));
        e.window.event = kind;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
        Pump();
    }

    // Dispatches every message waiting now.
    static void Pump()
    {
        MSG message = {};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ASSERT_NE(message.message, static_cast<UINT>(WM_QUIT));
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    static RECT ClientRect()
    {
        RECT client = {};
        GetClientRect(MainWindow, &client);
        return client;
    }

    // One idle step that draws; the number of indices its indexed draws covered.
    static uint64_t IndicesDrawnByOneFrame()
    {
        platform_test::StartCallLog();
        EXPECT_TRUE(IdleFrame());
        platform_test::StopCallLog();
        uint64_t indices = 0;
        for (const auto& call : platform_test::CallLog()) {
            if (call.call == platform_test::Call::DrawIndexed) {
                indices += call.a;
            }
        }
        return indices;
    }

    static D3D11_TEXTURE2D_DESC BackBufferDesc()
    {
        D3D11_TEXTURE2D_DESC desc = {};
        ID3D11Resource* resource = nullptr;
        BackBufferView->GetResource(&resource);
        static_cast<ID3D11Texture2D*>(resource)->GetDesc(&desc);
        resource->Release();
        return desc;
    }

    static void ExpectTargetsOfSize(UINT width, UINT height)
    {
        ASSERT_NE(BackBufferView, nullptr);
        ASSERT_NE(DepthStencilTexture, nullptr);
        ASSERT_NE(DepthStencilView, nullptr);
        D3D11_TEXTURE2D_DESC back = BackBufferDesc();
        EXPECT_EQ(back.Width, width);
        EXPECT_EQ(back.Height, height);
        D3D11_TEXTURE2D_DESC depth = {};
        DepthStencilTexture->GetDesc(&depth);
        EXPECT_EQ(depth.Width, width);
        EXPECT_EQ(depth.Height, height);
        EXPECT_EQ(Viewport.Width, static_cast<float>(width));
        EXPECT_EQ(Viewport.Height, static_cast<float>(height));
        // The projection follows the aspect: x scale = y scale * height / width.
        const Matrix4x4& p = FrameConstantsImage.projection;
        EXPECT_NEAR(p.m[0][0] * width / height, p.m[1][1], 1e-5f * p.m[1][1]);
    }
};

TEST_F(ShellTest, KeysMoveTheCameraSwitchTheMethodAndEscCloses)
{
    Key(VK_UP);
    EXPECT_EQ(CameraDistance, 2.5f);
    Key(VK_DOWN);
    EXPECT_EQ(CameraDistance, 2.6f);
    for (int i = 0; i < 200; ++i) {
        Key(VK_DOWN);
    }
    EXPECT_EQ(CameraDistance, 20.0f);
    Key(VK_F2);
    EXPECT_FALSE(UseAdjacency);
    Key(VK_F2);
    EXPECT_TRUE(UseAdjacency);
    Key('A');
    Key(VK_LEFT);
    Key(VK_F1);
    EXPECT_EQ(CameraDistance, 20.0f);
    EXPECT_TRUE(UseAdjacency);
    ASSERT_NE(Device, nullptr);

    // Esc only asks: the window closes when the posted WM_CLOSE is dispatched.
    Key(VK_ESCAPE);
    EXPECT_NE(MainWindow, nullptr);
    HWND window = MainWindow;
    MSG message = {};
    bool sawClose = false;
    while (!sawClose && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        sawClose = message.message == WM_CLOSE && message.hwnd == window;
        DispatchMessageW(&message);
    }
    EXPECT_TRUE(sawClose);
    EXPECT_EQ(MainWindow, nullptr);
    EXPECT_EQ(Device, nullptr);
    EXPECT_EQ(SwapChain, nullptr);
    EXPECT_EQ(platform_test::LiveObjectCount(), 0);
}

TEST_F(ShellTest, F5TogglesTheSwapChainsFullScreenState)
{
    BOOL fullscreen = TRUE;
    SwapChain->GetFullscreenState(&fullscreen, nullptr);
    EXPECT_FALSE(fullscreen);
    Key(VK_F5);
    SwapChain->GetFullscreenState(&fullscreen, nullptr);
    EXPECT_TRUE(fullscreen);
    Key(VK_F5);
    SwapChain->GetFullscreenState(&fullscreen, nullptr);
    EXPECT_FALSE(fullscreen);
}

TEST_F(ShellTest, ResizeRebuildsTheTargetsAtTheNewSizeMinimisingKeepsThem)
{
    ExpectTargetsOfSize(640, 480);
    AppWindowProc(MainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(800, 600));
    ExpectTargetsOfSize(800, 600);

    ID3D11RenderTargetView* view = BackBufferView;
    ID3D11Texture2D* depth = DepthStencilTexture;
    AppWindowProc(MainWindow, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(BackBufferView, view);
    EXPECT_EQ(DepthStencilTexture, depth);
    ExpectTargetsOfSize(800, 600);

    AppWindowProc(MainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 700));
    ExpectTargetsOfSize(300, 700);
    EXPECT_TRUE(IdleFrame());
}

TEST_F(ShellTest, ResizesThatCannotBuildTheTargetsLeaveNoneAndNoFrameUntilARetryBuildsThem)
{
    using platform_test::Call;
    const auto drawingCalls = [] {
        int calls = 0;
        for (const auto& call : platform_test::CallLog())
            calls += call.call == Call::Draw || call.call == Call::DrawIndexed || call.call == Call::Present;
        return calls;
    };
    const auto expectNoTargets = [] {
        EXPECT_EQ(BackBufferView, nullptr);
        EXPECT_EQ(DepthStencilTexture, nullptr);
        EXPECT_EQ(DepthStencilView, nullptr);
    };

    // ResizeBuffers fails while anything holds the back buffer, as Direct3D's does.
    ID3D11Texture2D* held = nullptr;
    ASSERT_EQ(SwapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&held)), S_OK);
    AppWindowProc(MainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(800, 600));
    expectNoTargets();
    platform_test::StartCallLog();
    EXPECT_TRUE(IdleFrame());  // tries again, fails again, draws nothing
    platform_test::StopCallLog();
    EXPECT_EQ(drawingCalls(), 0);
    expectNoTargets();
    held->Release();
    platform_test::StartCallLog();
    EXPECT_TRUE(IdleFrame());  // the retry builds them, and the frame is drawn
    platform_test::StopCallLog();
    ExpectTargetsOfSize(800, 600);
    EXPECT_GT(drawingCalls(), 0);

    // CreateRenderTargets fails at its last step: the view made before goes too (it would hold
    // the back buffer against the next ResizeBuffers), and the next resize builds them all.
    platform_test::FailNthCreate(platform_test::CreateKind::DepthStencilView, 1);
    AppWindowProc(MainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    expectNoTargets();
    AppWindowProc(MainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(500, 400));
    ExpectTargetsOfSize(500, 400);
    EXPECT_TRUE(IdleFrame());
}

TEST_F(ShellTest, HungAndResetDevicesAreRebuiltARemovedOneCloses)
{
    EXPECT_TRUE(IdleFrame());
    const int rebuilt = DeviceRebuildCount;
    for (HRESULT code : {DXGI_ERROR_DEVICE_HUNG, DXGI_ERROR_DEVICE_RESET}) {
        platform_test::InjectDeviceRemovedReason(code);
        EXPECT_TRUE(IdleFrame());
        platform_test::InjectDeviceRemovedReason(0);
        ASSERT_NE(Device, nullptr);
        ExpectTargetsOfSize(640, 480);
    }
    EXPECT_EQ(DeviceRebuildCount, rebuilt + 2);
    EXPECT_TRUE(IdleFrame());
    EXPECT_EQ(DeviceRebuildCount, rebuilt + 2);
    EXPECT_TRUE(RunFailure.empty());

    platform_test::InjectDeviceRemovedReason(DXGI_ERROR_DEVICE_REMOVED);
    EXPECT_FALSE(IdleFrame());
    EXPECT_NE(RunFailure.find("removed (code 0x887A0005)"), std::string::npos) << RunFailure;
}

TEST_F(ShellTest, AResetWhileMinimisedKeepsTheTargetsAndTheModelReturnsOnRestore)
{
    // Scene pass over the plain list, shadow pass over the adjacency list (twice as long).
    ASSERT_GT(Mesh.GetIndexCount(), 0);
    const uint64_t wholeModel = 3 * static_cast<uint64_t>(Mesh.GetIndexCount());
    EXPECT_EQ(IndicesDrawnByOneFrame(), wholeModel);

    WindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    const RECT minimised = ClientRect();
    EXPECT_EQ(minimised.right - minimised.left, 0);
    EXPECT_EQ(minimised.bottom - minimised.top, 0);
    EXPECT_TRUE(IdleFrame());
    EXPECT_TRUE(StandbyMode);

    const int rebuilt = DeviceRebuildCount;
    platform_test::InjectDeviceRemovedReason(DXGI_ERROR_DEVICE_RESET);
    EXPECT_TRUE(IdleFrame()) << RunFailure;
    platform_test::InjectDeviceRemovedReason(0);
    EXPECT_EQ(DeviceRebuildCount, rebuilt + 1);
    ExpectTargetsOfSize(640, 480);  // the last size, not the empty client area
    EXPECT_TRUE(std::isfinite(FrameConstantsImage.projection.m[0][0]));

    WindowEvent(SDL_WINDOWEVENT_RESTORED);
    ExpectTargetsOfSize(640, 480);
    EXPECT_EQ(IndicesDrawnByOneFrame(), wholeModel);
    EXPECT_FALSE(StandbyMode);
    EXPECT_TRUE(RunFailure.empty()) << RunFailure;
}

TEST_F(ShellTest, ARebuiltDeviceReturnsToFullScreen)
{
    for (const BOOL before : {TRUE, FALSE}) {
        BOOL fullscreen = !before;
        SwapChain->GetFullscreenState(&fullscreen, nullptr);
        if (fullscreen != before) {
            Key(VK_F5);
        }
        platform_test::InjectDeviceRemovedReason(DXGI_ERROR_DEVICE_HUNG);
        EXPECT_TRUE(IdleFrame()) << RunFailure;
        platform_test::InjectDeviceRemovedReason(0);
        ASSERT_NE(SwapChain, nullptr);
        fullscreen = !before;
        SwapChain->GetFullscreenState(&fullscreen, nullptr);
        EXPECT_EQ(fullscreen, before);
        Pump();  // whatever size news the switch brought
        const RECT client = ClientRect();
        ExpectTargetsOfSize(static_cast<UINT>(client.right), static_cast<UINT>(client.bottom));
        EXPECT_TRUE(IdleFrame());
    }
}

TEST_F(ShellTest, ReleaseGraphicsClearsStateLeavesFullScreenThenMaterialsMeshAndTheDeviceLast)
{
    using platform_test::Call;
    using platform_test::ObjectId;
    Key(VK_F5);
    EXPECT_TRUE(IdleFrame());

    std::set<uint64_t> materials = {ObjectId(Materials.GetDefaultTexture())};
    for (int i = 0; i < Materials.GetMaterialCount(); ++i) {
        const Material* m = Materials.GetMaterial(i);
        for (const char* name : {m->map_Kd, m->map_Ks, m->map_Ka, m->map_Bump}) {
            if (ID3D11ShaderResourceView* texture = Materials.FindTexture(name)) {
                materials.insert(ObjectId(texture));
            }
        }
    }
    const std::set<uint64_t> mesh = {ObjectId(Mesh.GetVertexBuffer()), ObjectId(Mesh.GetIndexBuffer()),
                                     ObjectId(Mesh.GetAdjacencyIndexBuffer())};
    const uint64_t device = ObjectId(Device);

    platform_test::StartCallLog(true);
    ReleaseGraphics();
    platform_test::StopCallLog();
    const auto& log = platform_test::CallLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0].call, Call::ClearState);
    EXPECT_EQ(log[1].call, Call::SetFullscreenState);
    EXPECT_EQ(log[1].a, 0u);  // leaving full screen
    EXPECT_EQ(log[1].b, 0u);  // S_OK
    size_t lastMaterial = 0, firstMesh = log.size();
    size_t materialsReleased = 0, meshReleased = 0;
    for (size_t k = 0; k < log.size(); ++k) {
        if (log[k].call != Call::Release || log[k].b != 0) {
            continue;  // only the releases that end an object
        }
        if (materials.count(log[k].a)) {
            ++materialsReleased;
            lastMaterial = k;
        }
        if (mesh.count(log[k].a)) {
            ++meshReleased;
            firstMesh = std::min(firstMesh, k);
        }
    }
    EXPECT_EQ(materialsReleased, materials.size());
    EXPECT_EQ(meshReleased, 3u);
    EXPECT_LT(lastMaterial, firstMesh);
    size_t lastRelease = log.size() - 1;
    while (lastRelease > 0 && log[lastRelease].call != Call::Release) {
        --lastRelease;
    }
    EXPECT_EQ(log[lastRelease].a, device) << "the device is released last";
    EXPECT_EQ(log[lastRelease].b, 0u);
}

TEST_F(ShellTest, ARebuildThatFailsClosesAndSaysWhy)
{
    // The data goes away while the program runs; a reset device cannot be rebuilt.
    ASSERT_EQ(unlink(Scratch->Misc().c_str()), 0);
    platform_test::InjectDeviceRemovedReason(DXGI_ERROR_DEVICE_RESET);
    bool keepRunning = IdleFrame();
    platform_test::InjectDeviceRemovedReason(0);
    LinkMisc();
    EXPECT_FALSE(keepRunning);
    EXPECT_NE(RunFailure.find("0x887A0007"), std::string::npos) << RunFailure;
    EXPECT_NE(RunFailure.find("Quenvale.sh"), std::string::npos) << RunFailure;
}

TEST_F(ShellTest, AHiddenWindowStandsByWithTestPresentsAndResumesWhenShown)
{
    using platform_test::Call;
    EXPECT_TRUE(IdleFrame());
    EXPECT_FALSE(StandbyMode);

    ShowWindow(MainWindow, SW_HIDE);
    EXPECT_TRUE(IdleFrame());  // this frame's present reports the occlusion
    EXPECT_TRUE(StandbyMode);

    platform_test::StartCallLog();
    EXPECT_TRUE(IdleFrame());
    EXPECT_TRUE(IdleFrame());
    platform_test::StopCallLog();
    auto log = platform_test::CallLog();
    ASSERT_EQ(log.size(), 2u) << "standby draws nothing: only test presents";
    for (const auto& call : log) {
        EXPECT_EQ(call.call, Call::Present);
        EXPECT_EQ(call.a, 0u);
        EXPECT_EQ(call.b, DXGI_PRESENT_TEST);
        EXPECT_EQ(static_cast<HRESULT>(call.c), DXGI_STATUS_OCCLUDED);
    }
    EXPECT_TRUE(StandbyMode);

    ShowWindow(MainWindow, SW_SHOW);
    platform_test::StartCallLog();
    EXPECT_TRUE(IdleFrame());
    platform_test::StopCallLog();
    log = platform_test::CallLog();
    EXPECT_FALSE(StandbyMode);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.front().call, Call::Present);
    EXPECT_EQ(log.front().b, DXGI_PRESENT_TEST);
    EXPECT_EQ(log.front().c, 0u);
    EXPECT_EQ(log.back().call, Call::Present);
    EXPECT_EQ(log.back().b, 0u);
    int draws = 0;
    for (const auto& call : log) {
        draws += call.call == Call::DrawIndexed;
    }
    EXPECT_GT(draws, 0);
}

}  // namespace
