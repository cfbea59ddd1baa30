// Icon and cursor resources. Icons are BMP images compiled into the program by qv_embed_icon
// (EmbedIcon.cmake), which registers each under its resource number before main runs.
// LoadIconW decodes one on first use and hands out the same shared handle afterwards.
#include <SDL.h>

#include <IconResource.h>

#include "Win32State.h"

namespace {

constexpr int MaxIcons = 8;

// Constant-initialised, so registrations from static initialisers of any file are safe.
struct IconRecord {
    int id;
    const unsigned char* data;
    size_t size;
    SDL_Surface* surface;  // decoded on first LoadIconW
};
IconRecord IconTable[MaxIcons];
int IconCount = 0;

// Handles for the system arrow cursor and the stock application icon, which SDL draws itself.
struct StockToken {
    int unused;
} ArrowCursor, ApplicationIcon;

IconRecord* FindIcon(HICON icon)
{
    for (int i = 0; i < IconCount; ++i)
        if (reinterpret_cast<HICON>(&IconTable[i]) == icon) return &IconTable[i];
    return nullptr;
}

}  // namespace

namespace platform {

bool RegisterIconResource(int id, const unsigned char* data, size_t size)
{
    if (data == nullptr || size == 0 || IconCount == MaxIcons) return false;
    for (int i = 0; i < IconCount; ++i)
        if (IconTable[i].id == id) return false;
    IconTable[IconCount++] = IconRecord{id, data, size, nullptr};
    return true;
}

SDL_Surface* IconSurface(HICON icon)
{
    IconRecord* record = icon != nullptr ? FindIcon(icon) : nullptr;
    return record != nullptr ? record->surface : nullptr;
}

}  // namespace platform

// Every resource belongs to the program's one module, so the instance is not needed to find it.
HICON WINAPI LoadIconW(HINSTANCE instance, LPCWSTR name)
{
    if (!IS_INTRESOURCE(name)) {  // named resources are not compiled in
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    int id = int(ULONG_PTR(name));
    if (instance == nullptr) {
        if (name == IDI_APPLICATION) return reinterpret_cast<HICON>(&ApplicationIcon);
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    for (int i = 0; i < IconCount; ++i) {
        IconRecord& r = IconTable[i];
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

HCURSOR WINAPI LoadCursorW(HINSTANCE instance, LPCWSTR name)
{
    if (instance == nullptr && name == IDC_ARROW) return reinterpret_cast<HCURSOR>(&ArrowCursor);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}
