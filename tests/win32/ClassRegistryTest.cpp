// The window-class registry: registration by name and instance, and the failures Windows gives.
#include <string>

#include "Win32TestSupport.h"

using namespace win32_test;

namespace {

WNDCLASSEXW MakeClass(LPCWSTR name, HINSTANCE instance)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = instance;
    wc.lpszClassName = name;
    return wc;
}

HINSTANCE Self()
{
    return GetModuleHandleW(nullptr);
}

TEST(ClassRegistry, DuplicateRegistrationFailsAndUnknownUnregisterFails)
{
    WNDCLASSEXW wc = MakeClass(L"Quenvale", Self());
    ATOM atom = RegisterClassExW(&wc);
    EXPECT_GE(atom, 0xC000);
    EXPECT_EQ(RegisterClassExW(&wc), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
    WNDCLASSEXW upper = MakeClass(L"QUENVALE", Self());
    EXPECT_EQ(RegisterClassExW(&upper), 0) << "class names ignore case";

    EXPECT_FALSE(UnregisterClassW(L"Unknown", Self()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));
    EXPECT_FALSE(UnregisterClassW(L"Quenvale", reinterpret_cast<HINSTANCE>(0x10))) << "other instance";
    EXPECT_TRUE(UnregisterClassW(MAKEINTATOM(atom), Self())) << "by atom";
    EXPECT_FALSE(UnregisterClassW(L"Quenvale", Self())) << "already gone";
    ATOM again = RegisterClassExW(&wc);
    EXPECT_NE(again, 0);
    EXPECT_NE(again, atom);
    EXPECT_TRUE(UnregisterClassW(L"quenvale", Self()));
}

TEST(ClassRegistry, SameNameInAnotherInstanceIsAnotherClass)
{
    WNDCLASSEXW a = MakeClass(L"Shared", Self());
    WNDCLASSEXW b = MakeClass(L"Shared", reinterpret_cast<HINSTANCE>(0x10));
    ASSERT_NE(RegisterClassExW(&a), 0);
    ASSERT_NE(RegisterClassExW(&b), 0);
    EXPECT_TRUE(UnregisterClassW(L"Shared", reinterpret_cast<HINSTANCE>(0x10)));
    EXPECT_TRUE(UnregisterClassW(L"Shared", Self()));
}

TEST(ClassRegistry, ClassWithALiveWindowCannotGo)
{
    UseOffscreenUnlessChosen();
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = Self();
    wc.lpszClassName = L"Busy";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND w = CreateWindowExW(0, L"Busy", L"busy", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr, Self(), nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(UnregisterClassW(L"Busy", Self()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassW(L"Busy", Self()));
}

TEST(ClassRegistry, MalformedClassesAreRefused)
{
    WNDCLASSEXW wc = MakeClass(L"Bad", Self());
    wc.cbSize = sizeof(WNDCLASSW);
    EXPECT_EQ(RegisterClassExW(&wc), 0);
    wc = MakeClass(L"Bad", Self());
    wc.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassExW(&wc), 0);
    wc = MakeClass(L"", Self());
    EXPECT_EQ(RegisterClassExW(&wc), 0);
    EXPECT_EQ(RegisterClassExW(nullptr), 0);
    std::wstring longest(255, L'n'), tooLong(256, L'n');
    wc = MakeClass(tooLong.c_str(), Self());
    EXPECT_EQ(RegisterClassExW(&wc), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    wc = MakeClass(longest.c_str(), Self());
    EXPECT_NE(RegisterClassExW(&wc), 0);
    EXPECT_TRUE(UnregisterClassW(longest.c_str(), Self()));
}

TEST(ClassRegistry, FullTableRefusesAndRecovers)
{
    std::vector<std::wstring> names;
    for (int i = 0;; ++i) {
        names.push_back(L"Class" + std::to_wstring(i));
        WNDCLASSEXW wc = MakeClass(names.back().c_str(), Self());
        if (RegisterClassExW(&wc) == 0) break;
        ASSERT_LT(i, 1000);
    }
    EXPECT_EQ(names.size(), 17u) << "room for 16 classes";
    names.pop_back();
    for (const std::wstring& n : names) EXPECT_TRUE(UnregisterClassW(n.c_str(), Self()));
}

}  // namespace
