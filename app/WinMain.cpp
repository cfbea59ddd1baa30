// Program entry: processor check, the main window, the graphics, and the message loop that
// renders a frame whenever no window message is waiting.
#include <string>

#include "AppShell.h"
#include "Failure.h"

HINSTANCE InstanceHandle = nullptr;
int WindowWidth = 640;
int WindowHeight = 480;

namespace {
const wchar_t* const ClassName = L"Quenvale";
const wchar_t* const WindowTitle = L"Quenvale";
constexpr WORD IconResource = 101;
}  // namespace

bool CreateAppWindow(HINSTANCE instance)
{
    InstanceHandle = instance;

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = AppWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IconResource));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = ClassName;
    if (!RegisterClassExW(&windowClass)) {
        ReportFailure("the window class could not be registered");
        return false;
    }

    RECT frame = {0, 0, WindowWidth, WindowHeight};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    MainWindow =
        CreateWindowExW(0, ClassName, WindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (!MainWindow) {
        ReportFailure("the main window could not be created (is a display available?)");
        return false;
    }
    ShowWindow(MainWindow, SW_SHOWNORMAL);
    UpdateWindow(MainWindow);
    return true;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    if (!IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE) ||
        !IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE)) {
        ReportFailure("this processor lacks SSE or SSE2");
        return FailureExitStatus;
    }
    if (!CreateAppWindow(instance)) {
        UnregisterClassW(ClassName, instance);  // harmless if registering was what failed
        return FailureExitStatus;
    }
    HRESULT result = CreateGraphics();
    if (FAILED(result)) {
        // Read what failed before releasing: releasing must not matter, but the report is
        // about the first failure, not about anything the teardown does.
        std::string what = DescribeGraphicsFailure(result);
        ReleaseGraphics();
        if (MainWindow) {
            DestroyWindow(MainWindow);  // the window goes before the class, as Windows requires
        }
        UnregisterClassW(ClassName, instance);
        ReportFailure(what);
        return FailureExitStatus;
    }

    MSG message = {};
    do {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else if (!IdleFrame()) {
            DestroyWindow(MainWindow);
        }
    } while (message.message != WM_QUIT);

    UnregisterClassW(ClassName, instance);
    if (!RunFailure.empty()) {
        ReportFailure(RunFailure);
        return FailureExitStatus;
    }
    return static_cast<int>(message.wParam);
}
