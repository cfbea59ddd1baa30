// Message flow through a real SDL window: resizes, keys, the close button, posted messages and
// WM_QUIT, as a window procedure and a PeekMessageW loop see them.
#include "Win32TestSupport.h"

using namespace win32_test;

namespace {

class MessageFlow : public WindowFixture {};

std::vector<Recorded> Only(UINT message)
{
    std::vector<Recorded> out;
    for (const Recorded& r : Log())
        if (r.message == message) out.push_back(r);
    return out;
}

TEST_F(MessageFlow, ResizeSendsSizeWithClientSizeInLParam)
{
    SDL_SetWindowSize(platform::SdlWindowFromHwnd(hwnd), 800, 600);
    ASSERT_TRUE(PumpUntil(WM_SIZE));
    std::vector<Recorded> sizes = Only(WM_SIZE);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].hwnd, hwnd);
    EXPECT_EQ(sizes[0].wParam, WPARAM(SIZE_RESTORED));
    EXPECT_EQ(LOWORD(sizes[0].lParam), 800);
    EXPECT_EQ(HIWORD(sizes[0].lParam), 600);
    RECT rc{};
    ASSERT_TRUE(GetClientRect(hwnd, &rc));
    EXPECT_EQ(rc.right - rc.left, 800);
    EXPECT_EQ(rc.bottom - rc.top, 600);
}

TEST_F(MessageFlow, MinimiseMaximiseAndRestoreReportTheirState)
{
    RECT client{};
    PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    Drain();
    EXPECT_TRUE(platform::IsWindowOccluded(hwnd));
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(client.right - client.left, 0);  // as Windows reports a minimised window
    EXPECT_EQ(client.bottom - client.top, 0);
    PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480);  // no news while minimised
    PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    Drain();
    EXPECT_FALSE(platform::IsWindowOccluded(hwnd));
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(client.right - client.left, 640);
    EXPECT_EQ(client.bottom - client.top, 480);
    PushWindowEvent(SDL_WINDOWEVENT_MAXIMIZED);
    PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1000, 700);
    PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1000, 700);  // a repeat gives no second message
    Drain();

    std::vector<Recorded> sizes = Only(WM_SIZE);
    ASSERT_EQ(sizes.size(), 4u);
    EXPECT_EQ(sizes[0].wParam, WPARAM(SIZE_MINIMIZED));
    EXPECT_EQ(sizes[0].lParam, 0);
    EXPECT_EQ(sizes[1].wParam, WPARAM(SIZE_RESTORED));
    EXPECT_EQ(sizes[1].lParam, MAKELPARAM(640, 480));
    EXPECT_EQ(sizes[2].wParam, WPARAM(SIZE_MAXIMIZED));
    EXPECT_EQ(sizes[3].wParam, WPARAM(SIZE_MAXIMIZED));
    EXPECT_EQ(sizes[3].lParam, MAKELPARAM(1000, 700));
}

TEST_F(MessageFlow, KeysArriveAsVirtualKeyCodes)
{
    const SDL_Keycode keys[] = {SDLK_ESCAPE, SDLK_UP, SDLK_DOWN, SDLK_F2, SDLK_F5, SDLK_a, SDLK_z, SDLK_0, SDLK_9};
    const WPARAM expected[] = {0x1B, 0x26, 0x28, 0x71, 0x74, 'A', 'Z', '0', '9'};
    for (SDL_Keycode k : keys) PushKey(k);
    PushKey(SDLK_UNKNOWN);      // no virtual key: dropped
    PushKey(SDLK_F2, true, 0);  // no window named: goes to the only window
    PushKey(SDLK_F2, false);
    Drain();

    std::vector<Recorded> downs = Only(WM_KEYDOWN);
    ASSERT_EQ(downs.size(), std::size(keys) + 1);
    for (size_t i = 0; i < std::size(keys); ++i) {
        EXPECT_EQ(downs[i].wParam, expected[i]) << "key " << i;
        EXPECT_EQ(downs[i].hwnd, hwnd);
        EXPECT_EQ(downs[i].lParam & 0xFFFF, 1) << "repeat count";
        EXPECT_EQ(downs[i].lParam & (LPARAM(1) << 31), 0);
    }
    EXPECT_EQ(downs.back().wParam, WPARAM(VK_F2));
    std::vector<Recorded> ups = Only(WM_KEYUP);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0].wParam, WPARAM(VK_F2));
    EXPECT_NE(ups[0].lParam & (LPARAM(1) << 31), 0) << "release bit";
    EXPECT_NE(ups[0].lParam & (LPARAM(1) << 30), 0) << "was-down bit";
}

TEST_F(MessageFlow, CloseButtonGoesThroughDefWindowProcToDestroy)
{
    Reaction() = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_DESTROY) {
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcW(h, m, w, l);
    };
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    std::vector<MSG> taken = Drain();

    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    ASSERT_FALSE(taken.empty());
    EXPECT_EQ(taken.back().message, UINT(WM_QUIT));
    EXPECT_EQ(taken.back().wParam, 0u);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(platform::SdlWindowFromHwnd(hwnd), nullptr);
    EXPECT_FALSE(DestroyWindow(hwnd));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 0, 0));
}

TEST_F(MessageFlow, QuitComesAfterTheMessagesPostedBeforeIt)
{
    ASSERT_TRUE(PostMessageW(hwnd, WM_USER + 1, 11, 0));
    ASSERT_TRUE(PostMessageW(nullptr, WM_USER + 2, 22, 0));
    PostQuitMessage(42);
    ASSERT_TRUE(PostMessageW(hwnd, WM_USER + 3, 33, 0));

    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 1)) << "PM_NOREMOVE leaves the message waiting";
    std::vector<UINT> order;
    std::vector<WPARAM> params;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(msg.message);
        params.push_back(msg.wParam);
        if (msg.message == WM_QUIT) break;
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_QUIT}));
    EXPECT_EQ(params.back(), 42u);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT is taken once";
}

// The program's own loop: Esc posts WM_CLOSE, the default procedure destroys the window, and
// WM_DESTROY posts the exit code that ends the loop.
TEST_F(MessageFlow, EscapeClosesTheWindowAndEndsTheLoopWithTheExitCode)
{
    Reaction() = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_KEYDOWN && w == VK_ESCAPE) PostMessageW(h, WM_CLOSE, 0, 0);
        if (m == WM_DESTROY) {
            PostQuitMessage(7);
            return 0;
        }
        return DefWindowProcW(h, m, w, l);
    };
    PushKey(SDLK_ESCAPE);
    MSG msg{};
    int idleTurns = 0;
    do {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            ++idleTurns;
        }
    } while (msg.message != WM_QUIT && idleTurns < 1000);
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(int(msg.wParam), 7);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_KEYDOWN, WM_CLOSE, WM_DESTROY}));
}

TEST_F(MessageFlow, FiltersTakeMatchingMessagesAndKeepTheOrderOfTheRest)
{
    PostMessageW(hwnd, WM_USER + 1, 0, 0);
    PostMessageW(nullptr, WM_APP + 1, 0, 0);
    PostMessageW(hwnd, WM_USER + 2, 0, 0);
    PostQuitMessage(5);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_APP, WM_APP + 10, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_APP + 1));
    ASSERT_TRUE(PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 1));
    ASSERT_TRUE(PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 2));
    EXPECT_FALSE(PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE)) << "WM_QUIT has no window";
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER, WM_APP, PM_REMOVE)) << "WM_QUIT is outside the range";
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(MessageFlow, QueueHoldsAFixedNumberAndRefusesMore)
{
    // Half-fill and half-empty first so that the ring wraps around.
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(PostMessageW(nullptr, WM_USER, WPARAM(i), 0));
    MSG msg{};
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    int posted = 0;
    while (PostMessageW(nullptr, WM_USER, WPARAM(posted), 0)) ++posted;
    EXPECT_EQ(posted, 512);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_QUOTA));
    for (int i = 0; i < posted; ++i) {
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
        ASSERT_EQ(msg.wParam, WPARAM(i));
    }
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageFlow, DispatchToAStaleWindowCallsNothing)
{
    MSG stale{hwnd, WM_USER, 0, 0, 0, {}};
    ASSERT_TRUE(DestroyWindow(hwnd));
    Log().clear();
    EXPECT_EQ(DispatchMessageW(&stale), 0);
    EXPECT_EQ(SendMessageW(hwnd, WM_USER, 0, 0), 0);
    EXPECT_TRUE(Log().empty());
}

}  // namespace
