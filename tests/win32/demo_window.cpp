// A small Win32 program written only against <windows.h> and <mmsystem.h>: it opens a 640x480
// window, logs every key and size message, and when closed (Esc or the close box) exits with a
// code whose bits say what it saw. The whole-program test drives it with xdotool under Xvfb.
#include <mmsystem.h>
#include <windows.h>

#include <cstdio>

namespace {

enum Seen : int {
    KeyUp = 1,
    KeyDown = 2,
    KeyF2 = 4,
    KeyF5 = 8,
    KeyLetterA = 16,
    KeyDigit7 = 32,
    Resized = 64,  // a restored 800x600 client
};
int KeysSeen = 0;

LRESULT CALLBACK DemoWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        std::printf("destroy\n");
        std::fflush(stdout);
        PostQuitMessage(KeysSeen);
        return 0;
    case WM_SIZE:
        std::printf("size %u %ux%u\n", unsigned(wParam), unsigned(LOWORD(lParam)), unsigned(HIWORD(lParam)));
        std::fflush(stdout);
        if (wParam == SIZE_RESTORED && LOWORD(lParam) == 800 && HIWORD(lParam) == 600) KeysSeen |= Resized;
        break;
    case WM_KEYDOWN:
        std::printf("key 0x%02X\n", unsigned(wParam));
        std::fflush(stdout);
        switch (wParam) {
        case VK_ESCAPE: PostMessageW(hwnd, WM_CLOSE, 0, 0); break;
        case VK_UP: KeysSeen |= KeyUp; break;
        case VK_DOWN: KeysSeen |= KeyDown; break;
        case VK_F2: KeysSeen |= KeyF2; break;
        case VK_F5: KeysSeen |= KeyF5; break;
        case 'A': KeysSeen |= KeyLetterA; break;
        case '7': KeysSeen |= KeyDigit7; break;
        }
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    if (!IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE) ||
        !IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE))
        return 0;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DemoWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(101));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = L"QuenvaleDemo";
    if (wc.hIcon == nullptr || !RegisterClassExW(&wc)) return 200;

    RECT rc{0, 0, 640, 480};
    AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
    HWND hwnd = CreateWindowExW(0, L"QuenvaleDemo", L"Quenvale demo", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr) return 201;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    GetClientRect(hwnd, &rc);
    std::printf("client %ldx%ld at %u ms\n", long(rc.right), long(rc.bottom), unsigned(timeGetTime()));
    std::fflush(stdout);

    MSG msg{};
    do {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            Sleep(5);  // the idle step
        }
    } while (msg.message != WM_QUIT);

    UnregisterClassW(L"QuenvaleDemo", instance);
    std::printf("exit %d\n", int(msg.wParam));
    return int(msg.wParam);
}
