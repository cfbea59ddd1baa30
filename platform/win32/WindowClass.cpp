// The window-class registry: classes by name (case-insensitive, as on Windows) and instance.
#include <cwctype>

#include "Win32State.h"

namespace win32 {
namespace {

ClassRecord Classes[MaxClasses];
ATOM NextAtom = 0xC000;  // registered class atoms live in 0xC000..0xFFFF

bool SameName(const wchar_t* a, const wchar_t* b)
{
    for (;; ++a, ++b) {
        if (std::towlower(wint_t(*a)) != std::towlower(wint_t(*b))) return false;
        if (*a == L'\0') return true;
    }
}

}  // namespace

ClassRecord* ClassAt(int index)
{
    if (index < 0 || index >= MaxClasses || !Classes[index].used) return nullptr;
    return &Classes[index];
}

int FindClass(LPCWSTR name, HINSTANCE instance)
{
    if (name == nullptr) return -1;
    for (int i = 0; i < MaxClasses; ++i) {
        const ClassRecord& c = Classes[i];
        if (!c.used || c.wc.hInstance != instance) continue;
        if (IS_INTRESOURCE(name) ? c.atom == ATOM(ULONG_PTR(name)) : SameName(c.name, name)) return i;
    }
    return -1;
}

}  // namespace win32

using namespace win32;

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* wc)
{
    if (wc == nullptr || wc->cbSize != sizeof(WNDCLASSEXW) || wc->lpfnWndProc == nullptr ||
        wc->lpszClassName == nullptr || IS_INTRESOURCE(wc->lpszClassName) || wc->lpszClassName[0] == L'\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = 0;
    while (wc->lpszClassName[length] != L'\0') {
        if (++length >= size_t(MaxClassName)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    }
    if (FindClass(wc->lpszClassName, wc->hInstance) >= 0) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    for (ClassRecord& c : Classes) {
        if (c.used) continue;
        c = ClassRecord{};
        c.used = true;
        c.atom = NextAtom;
        NextAtom = NextAtom == 0xFFFF ? ATOM(0xC000) : ATOM(NextAtom + 1);
        for (size_t i = 0; i <= length; ++i) c.name[i] = wc->lpszClassName[i];
        c.wc = *wc;
        c.wc.lpszClassName = nullptr;
        c.wc.lpszMenuName = nullptr;
        return c.atom;
    }
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

ATOM WINAPI RegisterClassW(const WNDCLASSW* wc)
{
    if (wc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WNDCLASSEXW ex{sizeof(WNDCLASSEXW), wc->style,        wc->lpfnWndProc,   wc->cbClsExtra,
                   wc->cbWndExtra,      wc->hInstance,    wc->hIcon,         wc->hCursor,
                   wc->hbrBackground,   wc->lpszMenuName, wc->lpszClassName, nullptr};
    return RegisterClassExW(&ex);
}

BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE instance)
{
    int index = FindClass(className, instance);
    if (index < 0) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (Classes[index].windowCount > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    Classes[index].used = false;
    return TRUE;
}
