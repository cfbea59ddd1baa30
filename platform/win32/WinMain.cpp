// The process entry for programs written against wWinMain (target qv_win32_main): passes the
// program's instance and its arguments (after the program name, joined by spaces) to wWinMain,
// returns its result as the exit status, and writes the test-only exit report when the
// environment asks for it (QV_TEST_REPORT_LIVE_OBJECTS=1, see ExitReport.h).
#include <windows.h>

#include <string>

#include <ExitReport.h>

namespace {

// UTF-8 to wide (UTF-32); malformed bytes become U+FFFD.
std::wstring Utf8ToWide(const std::string& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        uint32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1Fu) : extra == 2 ? (c & 0x0Fu) : (c & 0x07u);
        bool ok = extra >= 0 && i + size_t(extra) < text.size() + (extra == 0 ? 1 : 0);
        for (int k = 1; ok && k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + size_t(k)]);
            ok = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        if (!ok) {
            out.push_back(L'\xFFFD');
            ++i;
            continue;
        }
        out.push_back(wchar_t(cp));
        i += size_t(extra) + 1;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    static std::wstring commandLine;  // lives as long as the program, like the real one
    commandLine = Utf8ToWide(line);
    const int status = wWinMain(GetModuleHandleW(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
    platform::WriteExitReport();
    return status;
}
