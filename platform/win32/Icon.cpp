// Icon and cursor resources. Icons are BMP images compiled into the program by qv_embed_icon
// (EmbedIcon.cmake), which registers each under its resource number before main runs.
// LoadIconW decodes one on first use and hands out the same shared handle afterwards.
#include <SDL.h>

#include <IconResource.h>

#include "Win32State.h"

namespace {

constexpr int kMaxIcons = 8;

// Constant-initialised, so registrations from static initialisers of any file are safe.
struct IconRecord {
    int id;
    const unsigned char* data;
    size_t size;
    SDL_Surface* surface;  // decoded on first LoadIconW
};
IconRecord g_icons[kMaxIcons];
int g_iconCount = 0;

// Handles for the system arrow cursor and the stock application icon, which SDL draws itself.
struct StockToken {
    int unused;
} g_arrowCursor, g_applicationIcon;

IconRecord* FindIcon(HICON icon) {
    for (int i = 0; i < g_iconCount; ++i)
        if (reinterpret_cast<HICON>(&g_icons[i]) == icon) return &g_icons[i];
    return nullptr;
}

}  // namespace

namespace platform {

bool RegisterIconResource(int id, const unsigned char* data, size_t size) {
    if (data == nullptr || size == 0 || g_iconCount == kMaxIcons) return false;
    for (int i = 0; i < g_iconCount; ++i)
        if (g_icons[i].id == id) return false;
    g_icons[g_iconCount++] = IconRecord{id, data, size, nullptr};
    return true;
}

SDL_Surface* IconSurface(HICON icon) {
    IconRecord* record = icon != nullptr ? FindIcon(icon) : nullptr;
    return record != nullptr ? record->surface : nullptr;
}

}  // namespace platform

// Every resource belongs to the program's one module, so the instance is not needed to find it.
HICON WINAPI LoadIconW(HINSTANCE instance, LPCWSTR name) {
    if (!IS_INTRESOURCE(name)) {  // named resources are not compiled in
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    int id = int(ULONG_PTR(name));
    if (instance == nullptr) {
        if (name == IDI_APPLICATION) return reinterpret_cast<HICON>(&g_applicationIcon);
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    for (int i = 0; i < g_iconCount; ++i) {
        IconRecord& r = g_icons[i];
        if (r.id != id) continue;
        if (r.surface == nullptr) {
            r.surface = SDL_LoadBMP_RW(SDL_RWFromConstMem(r.data, int(r.size)), 1);
            if (r.surface == nullptr) {
                SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
                return nullptr;  // not a BMP that SDL can read
            }
        }
        return reinterpret_cast<HICON>(&r);
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

HCURSOR WINAPI LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    if (instance == nullptr && name == IDC_ARROW) return reinterpret_cast<HCURSOR>(&g_arrowCursor);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}
