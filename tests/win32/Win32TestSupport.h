// Shared pieces of the Win32 layer tests: a window class whose procedure records every message,
// event injection through SDL's own queue, and pumping until a message arrives.
#pragma once

#include <SDL.h>
#include <windows.h>

#include <WindowBridge.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

namespace win32_test {

struct Recorded {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Everything the recording procedure saw, and an optional extra reaction per message.
inline std::vector<Recorded>& Log()
{
    static std::vector<Recorded> log;
    return log;
}
inline std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>& Reaction()
{
    static std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> reaction;
    return reaction;
}

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Log().push_back({hwnd, message, wParam, lParam});
    if (Reaction()) return Reaction()(hwnd, message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

inline std::vector<UINT> Messages()
{
    std::vector<UINT> out;
    for (const Recorded& r : Log()) out.push_back(r.message);
    return out;
}

// Tests run without a display unless the caller picked a video driver (the x11 run under Xvfb).
inline void UseOffscreenUnlessChosen()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
}

// A registered class "QvTest" and one 640x480 window of it, destroyed and unregistered after.
class WindowFixture : public ::testing::Test {
  protected:
    void SetUp() override
    {
        UseOffscreenUnlessChosen();
        Log().clear();
        Reaction() = nullptr;
        instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszClassName = L"QvTest";
        ASSERT_NE(RegisterClassExW(&wc), 0);
        hwnd = CreateWindowExW(0, L"QvTest", L"test window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                               480, nullptr, nullptr, instance, nullptr);
        ASSERT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        Drain();
        Log().clear();
    }
    void TearDown() override
    {
        Reaction() = nullptr;
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
        Drain();
        EXPECT_TRUE(UnregisterClassW(L"QvTest", instance));
    }

    // Dispatches everything waiting (WM_QUIT included) and returns what was taken.
    static std::vector<MSG> Drain()
    {
        std::vector<MSG> taken;
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            taken.push_back(msg);
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return taken;
    }

    // Pumps for up to two seconds until the window procedure has seen `message`.
    static bool PumpUntil(UINT message)
    {
        Uint32 start = SDL_GetTicks();
        do {
            Drain();
            for (const Recorded& r : Log())
                if (r.message == message) return true;
            SDL_Delay(5);
        } while (SDL_GetTicks() - start < 2000);
        return false;
    }

    uint32_t SdlId() const { return SDL_GetWindowID(platform::SdlWindowFromHwnd(hwnd)); }

    void PushWindowEvent(Uint8 kind, int data1 = 0, int data2 = 0) const
    {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = SdlId();
        e.window.event = kind;
        e.window.data1 = data1;
        e.window.data2 = data2;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }

    void PushKey(SDL_Keycode sym, bool down = true, uint32_t windowId = UINT32_MAX) const
    {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = windowId == UINT32_MAX ? SdlId() : windowId;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = sym;
        e.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }

    HINSTANCE instance = nullptr;
    HWND hwnd = nullptr;
};

}  // namespace win32_test
