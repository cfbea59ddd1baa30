// Shared state of the Win32 layer: the window table, the class registry and the message queue.
// All of it lives on the one UI thread; fixed capacities, nothing allocated per message.
#pragma once

#include <windows.h>

struct SDL_Window;
union SDL_Event;

namespace win32 {

constexpr int MaxClasses = 16;
constexpr int MaxWindows = 16;
constexpr int MaxClassName = 256;  // characters, terminator included (the Windows limit)
constexpr int QueueCapacity = 512;

struct ClassRecord {
    bool used;
    ATOM atom;
    wchar_t name[MaxClassName];
    WNDCLASSEXW wc;  // lpszClassName and lpszMenuName are not kept (they point into the caller)
    int windowCount;
};

struct WindowRecord {
    bool live;
    bool destroying;
    uint32_t generation;  // bumped when the slot is freed, so stale HWNDs stop matching
    SDL_Window* sdl;
    uint32_t sdlId;
    int classIndex;
    WNDPROC proc;
    DWORD style;
    // Last WM_SIZE reported, to fold SDL's overlapping size/state events into one message.
    int sizeState;
    int reportedWidth;
    int reportedHeight;
};

// True once SDL's video subsystem is up; starts it on first call (false with a message on
// stderr if it cannot start).
bool EnsureVideo();
bool VideoStarted();

WindowRecord* LookupWindow(HWND hwnd);
WindowRecord* LookupWindowBySdlId(uint32_t id);
WindowRecord* SoleWindow();  // the only live window, or null when there are none or several
HWND HandleOf(const WindowRecord* w);

ClassRecord* ClassAt(int index);
int FindClass(LPCWSTR name, HINSTANCE instance);

// Turns one SDL event into at most one message; false when the event means nothing here.
bool TranslateSdlEvent(const SDL_Event& event, MSG* out);
// The virtual-key code of an SDL key, 0 when it has none.
int VirtualKeyFromSdl(int keycode, int scancode);

// Wide (UTF-32 on Linux) to UTF-8; invalid code points become U+FFFD.
void WideToUtf8(const wchar_t* text, char* out, size_t outSize);

}  // namespace win32
