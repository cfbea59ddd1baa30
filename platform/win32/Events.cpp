// SDL events as window messages: keys become WM_KEYDOWN/WM_KEYUP with virtual-key codes, size
// and state changes become WM_SIZE, the close button becomes WM_CLOSE. Other events are dropped.
#include <SDL.h>

#include "Win32State.h"

namespace win32 {
namespace {

struct KeyPair {
    SDL_Keycode sdl;
    int vk;
};

constexpr KeyPair Keys[] = {
    {SDLK_BACKSPACE, VK_BACK},
    {SDLK_TAB, VK_TAB},
    {SDLK_RETURN, VK_RETURN},
    {SDLK_KP_ENTER, VK_RETURN},
    {SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, VK_SHIFT},
    {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL},
    {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},
    {SDLK_PAUSE, VK_PAUSE},
    {SDLK_CAPSLOCK, VK_CAPITAL},
    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_SPACE, VK_SPACE},
    {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},
    {SDLK_END, VK_END},
    {SDLK_HOME, VK_HOME},
    {SDLK_LEFT, VK_LEFT},
    {SDLK_UP, VK_UP},
    {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},
    {SDLK_PRINTSCREEN, VK_SNAPSHOT},
    {SDLK_INSERT, VK_INSERT},
    {SDLK_DELETE, VK_DELETE},
    {SDLK_LGUI, VK_LWIN},
    {SDLK_RGUI, VK_RWIN},
    {SDLK_APPLICATION, VK_APPS},
    {SDLK_KP_MULTIPLY, VK_MULTIPLY},
    {SDLK_KP_PLUS, VK_ADD},
    {SDLK_KP_MINUS, VK_SUBTRACT},
    {SDLK_KP_PERIOD, VK_DECIMAL},
    {SDLK_KP_DIVIDE, VK_DIVIDE},
    {SDLK_NUMLOCKCLEAR, VK_NUMLOCK},
    {SDLK_SCROLLLOCK, VK_SCROLL},
    {SDLK_SEMICOLON, VK_OEM_1},
    {SDLK_EQUALS, VK_OEM_PLUS},
    {SDLK_COMMA, VK_OEM_COMMA},
    {SDLK_MINUS, VK_OEM_MINUS},
    {SDLK_PERIOD, VK_OEM_PERIOD},
    {SDLK_SLASH, VK_OEM_2},
    {SDLK_BACKQUOTE, VK_OEM_3},
    {SDLK_LEFTBRACKET, VK_OEM_4},
    {SDLK_BACKSLASH, VK_OEM_5},
    {SDLK_RIGHTBRACKET, VK_OEM_6},
    {SDLK_QUOTE, VK_OEM_7},
};

// The window an event belongs to; keyboard events without one go to the only window.
WindowRecord* TargetWindow(uint32_t windowId, bool keyboard)
{
    if (WindowRecord* w = LookupWindowBySdlId(windowId)) return w;
    return keyboard && windowId == 0 ? SoleWindow() : nullptr;
}

// Records the new state and size; false when it repeats what was last reported.
bool SizeMessage(WindowRecord* w, int state, int width, int height, MSG* out)
{
    if (state == SIZE_MINIMIZED) width = height = 0;  // Windows reports an empty client then
    if (w->sizeState == state && w->reportedWidth == width && w->reportedHeight == height) return false;
    w->sizeState = state;
    w->reportedWidth = width;
    w->reportedHeight = height;
    *out = MSG{HandleOf(w), WM_SIZE, WPARAM(state), MAKELPARAM(width, height), 0, {}};
    return true;
}

bool TranslateWindowEvent(const SDL_WindowEvent& e, MSG* out)
{
    WindowRecord* w = TargetWindow(e.windowID, false);
    if (w == nullptr) return false;
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(w->sdl, &width, &height);
    switch (e.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        if (w->sizeState == SIZE_MINIMIZED) return false;  // reported when it is restored
        return SizeMessage(w, w->sizeState, e.data1, e.data2, out);
    case SDL_WINDOWEVENT_MINIMIZED: return SizeMessage(w, SIZE_MINIMIZED, 0, 0, out);
    case SDL_WINDOWEVENT_MAXIMIZED: return SizeMessage(w, SIZE_MAXIMIZED, width, height, out);
    case SDL_WINDOWEVENT_RESTORED: return SizeMessage(w, SIZE_RESTORED, width, height, out);
    case SDL_WINDOWEVENT_CLOSE: *out = MSG{HandleOf(w), WM_CLOSE, 0, 0, 0, {}}; return true;
    default: return false;
    }
}

bool TranslateKeyEvent(const SDL_KeyboardEvent& e, MSG* out)
{
    WindowRecord* w = TargetWindow(e.windowID, true);
    if (w == nullptr) return false;
    int vk = VirtualKeyFromSdl(e.keysym.sym, e.keysym.scancode);
    if (vk == 0) return false;
    bool down = e.type == SDL_KEYDOWN;
    // lParam: repeat count 1; bit 30 = key was already down; bit 31 = key is being released.
    LPARAM lParam = 1;
    if (e.repeat || !down) lParam |= LPARAM(1) << 30;
    if (!down) lParam |= LPARAM(1) << 31;
    *out = MSG{HandleOf(w), UINT(down ? WM_KEYDOWN : WM_KEYUP), WPARAM(vk), lParam, 0, {}};
    return true;
}

}  // namespace

int VirtualKeyFromSdl(int keycode, int scancode)
{
    if (keycode >= SDLK_a && keycode <= SDLK_z) return 'A' + (keycode - SDLK_a);
    if (keycode >= SDLK_0 && keycode <= SDLK_9) return '0' + (keycode - SDLK_0);
    if (keycode >= SDLK_F1 && keycode <= SDLK_F12) return VK_F1 + (keycode - SDLK_F1);
    if (keycode >= SDLK_KP_1 && keycode <= SDLK_KP_9) return VK_NUMPAD1 + (keycode - SDLK_KP_1);
    if (keycode == SDLK_KP_0) return VK_NUMPAD0;
    for (const KeyPair& k : Keys)
        if (k.sdl == keycode) return k.vk;
    // Layouts without Latin letters: fall back to the key's position.
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 'A' + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
    if (scancode == SDL_SCANCODE_0) return '0';
    return 0;
}

bool TranslateSdlEvent(const SDL_Event& event, MSG* out)
{
    switch (event.type) {
    case SDL_WINDOWEVENT: return TranslateWindowEvent(event.window, out);
    case SDL_KEYDOWN:
    case SDL_KEYUP: return TranslateKeyEvent(event.key, out);
    default: return false;  // SDL_QUIT follows the last window's close event: WM_CLOSE covers it
    }
}

}  // namespace win32
