// Window creation and state: the 640x480 client area, title, visibility, WM_CREATE, and the
// window state the swap chain reads (occlusion, borderless full screen).
#include <cstring>

#include "Win32TestSupport.h"

using namespace win32_test;

namespace {

class Window : public WindowFixture {};

TEST_F(Window, ClientAreaAsked640x480ComesOut640x480)
{
    RECT rc{0, 0, 640, 480};
    ASSERT_TRUE(AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE));
    EXPECT_EQ(rc.right - rc.left, 640);
    EXPECT_EQ(rc.bottom - rc.top, 480);
    EXPECT_FALSE(AdjustWindowRect(nullptr, WS_OVERLAPPEDWINDOW, FALSE));

    HWND w = CreateWindowExW(0, L"QvTest", L"Quenvale", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                             rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(w, nullptr);
    RECT client{1, 1, 1, 1};
    ASSERT_TRUE(GetClientRect(w, &client));
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.top, 0);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    int width = 0, height = 0;
    ASSERT_TRUE(platform::GetWindowClientSize(w, &width, &height));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_TRUE(DestroyWindow(w));
}

TEST_F(Window, CreationSendsCreateAndShowsOnlyOnShowWindow)
{
    static CREATESTRUCTW seen;
    Reaction() = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_CREATE) seen = *reinterpret_cast<const CREATESTRUCTW*>(l);
        return DefWindowProcW(h, m, w, l);
    };
    HWND w = CreateWindowExW(0, L"QvTest", L"B\u00e4r \u2603 \U0001F43B", WS_OVERLAPPEDWINDOW, 10, 20, 320, 200,
                             nullptr, nullptr, instance, reinterpret_cast<LPVOID>(0x1234));
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(Messages(), std::vector<UINT>{WM_CREATE});
    EXPECT_EQ(Log()[0].hwnd, w);
    EXPECT_EQ(seen.lpCreateParams, reinterpret_cast<LPVOID>(0x1234));
    EXPECT_EQ(seen.cx, 320);
    EXPECT_EQ(seen.cy, 200);
    EXPECT_EQ(seen.hInstance, instance);

    SDL_Window* sdl = platform::SdlWindowFromHwnd(w);
    ASSERT_NE(sdl, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(sdl), "B\xC3\xA4r \xE2\x98\x83 \xF0\x9F\x90\xBB");
    EXPECT_NE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_OPENGL, 0u);
    EXPECT_NE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_RESIZABLE, 0u) << "WS_THICKFRAME";
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_TRUE(platform::IsWindowOccluded(w)) << "a hidden window cannot be seen";
    EXPECT_FALSE(ShowWindow(w, SW_SHOWNORMAL)) << "returns the earlier visibility";
    EXPECT_TRUE(UpdateWindow(w));
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_FALSE(platform::IsWindowOccluded(w));
    EXPECT_TRUE(ShowWindow(w, SW_HIDE));
    EXPECT_TRUE(platform::IsWindowOccluded(w));
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(UpdateWindow(w));
}

TEST_F(Window, CreateReturningMinusOneFailsAndLeavesNothingBehind)
{
    Reaction() = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        return m == WM_CREATE ? -1 : DefWindowProcW(h, m, w, l);
    };
    HWND w = CreateWindowExW(0, L"QvTest", L"refused", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                             nullptr, nullptr, instance, nullptr);
    EXPECT_EQ(w, nullptr);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
    // Only the fixture's own window is left, so the class can go once that one is gone.
    DestroyWindow(hwnd);
    EXPECT_TRUE(UnregisterClassW(L"QvTest", instance));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"QvTest";
    ASSERT_NE(RegisterClassExW(&wc), 0);  // for the fixture's tear-down
}

TEST_F(Window, UnknownClassOrInstanceCreatesNothing)
{
    EXPECT_EQ(CreateWindowExW(0, L"NoSuchClass", L"x", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, instance,
                              nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_EQ(CreateWindowExW(0, L"QvTest", L"x", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              reinterpret_cast<HINSTANCE>(0x10), nullptr),
              nullptr);
}

TEST_F(Window, BorderlessFullScreenTurnsOnAndOff)
{
    ASSERT_FALSE(platform::IsWindowFullscreen(hwnd));
    ASSERT_TRUE(platform::SetWindowFullscreen(hwnd, true));
    EXPECT_TRUE(platform::IsWindowFullscreen(hwnd));
    EXPECT_NE(SDL_GetWindowFlags(platform::SdlWindowFromHwnd(hwnd)) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
    ASSERT_TRUE(platform::SetWindowFullscreen(hwnd, false));
    EXPECT_FALSE(platform::IsWindowFullscreen(hwnd));

    EXPECT_FALSE(platform::SetWindowFullscreen(nullptr, true));
    EXPECT_FALSE(platform::IsWindowFullscreen(nullptr));
    EXPECT_FALSE(platform::IsWindowOccluded(nullptr));
    int width = -1, height = -1;
    EXPECT_FALSE(platform::GetWindowClientSize(reinterpret_cast<HWND>(0x12345), &width, &height));
    RECT rc{};
    EXPECT_FALSE(GetClientRect(nullptr, &rc));
}

}  // namespace
