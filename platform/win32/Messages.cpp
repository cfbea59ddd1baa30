// The message queue: a fixed ring of posted messages fed from SDL's event queue on each peek,
// with WM_QUIT as a flag taken once nothing else is waiting (Windows' order of retrieval).
#include <SDL.h>

#include <mmsystem.h>

#include "Win32State.h"

namespace win32 {
namespace {

MSG Queue[QueueCapacity];
int Head = 0;                // index of the oldest message
int QueuedMessageCount = 0;  // messages waiting
bool QuitPending = false;
int QuitCode = 0;

bool Push(const MSG& msg)
{
    if (QueuedMessageCount == QueueCapacity) return false;
    Queue[(Head + QueuedMessageCount) % QueueCapacity] = msg;
    ++QueuedMessageCount;
    return true;
}

MSG& At(int i)
{
    return Queue[(Head + i) % QueueCapacity];
}

void RemoveAt(int i)
{
    for (int j = i; j > 0; --j) At(j) = At(j - 1);  // close the gap towards the head
    Head = (Head + 1) % QueueCapacity;
    --QueuedMessageCount;
}

// Moves waiting SDL events into the queue while it has room; the rest wait in SDL's queue.
void PumpSdlEvents()
{
    if (!VideoStarted()) return;
    SDL_PumpEvents();
    SDL_Event event;
    while (QueuedMessageCount < QueueCapacity &&
           SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        MSG msg{};
        if (TranslateSdlEvent(event, &msg)) {
            msg.time = timeGetTime();
            Push(msg);
        }
    }
}

bool Matches(const MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    if (hwnd != nullptr && msg.hwnd != hwnd) return false;
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

}  // namespace
}  // namespace win32

using namespace win32;

BOOL WINAPI PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg)
{
    if (msg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    PumpSdlEvents();
    for (int i = 0; i < QueuedMessageCount; ++i) {
        if (!Matches(At(i), hwnd, filterMin, filterMax)) continue;
        *msg = At(i);
        if (removeMsg & PM_REMOVE) RemoveAt(i);
        return TRUE;
    }
    // WM_QUIT belongs to the thread (null window), so a window filter never returns it.
    if (QuitPending && hwnd == nullptr && Matches(MSG{nullptr, WM_QUIT, 0, 0, 0, {}}, nullptr, filterMin, filterMax)) {
        *msg = MSG{nullptr, WM_QUIT, WPARAM(QuitCode), 0, timeGetTime(), {}};
        if (removeMsg & PM_REMOVE) QuitPending = false;
        return TRUE;
    }
    return FALSE;
}

// Character messages (WM_CHAR) are not produced: nothing in the program reads them.
BOOL WINAPI TranslateMessage(const MSG* msg)
{
    if (msg == nullptr) return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: return TRUE;
    default: return FALSE;
    }
}

LRESULT WINAPI DispatchMessageW(const MSG* msg)
{
    if (msg == nullptr) return 0;
    WindowRecord* w = LookupWindow(msg->hwnd);
    if (w == nullptr) return 0;
    return w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT WINAPI SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowRecord* w = LookupWindow(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return w->proc(hwnd, message, wParam, lParam);
}

BOOL WINAPI PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hwnd != nullptr && LookupWindow(hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!Push(MSG{hwnd, message, wParam, lParam, timeGetTime(), {}})) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    return TRUE;
}

void WINAPI PostQuitMessage(int exitCode)
{
    QuitPending = true;
    QuitCode = exitCode;
}

LRESULT WINAPI DefWindowProcW(HWND hwnd, UINT message, WPARAM, LPARAM)
{
    if (message == WM_CLOSE) DestroyWindow(hwnd);
    return 0;
}
