// The kernel32 calls: processor features from CPUID, Sleep, the module handle and last-error.
#include <windows.h>

#include <cstdlib>
#include <ctime>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

thread_local DWORD ThreadLastError = 0;

// The program's module: its address is the HINSTANCE of the program.
struct ModuleToken {
    int unused;
} Module;

#if defined(__x86_64__) || defined(__i386__)
bool CpuHas(DWORD feature)
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    switch (feature) {
    case PF_MMX_INSTRUCTIONS_AVAILABLE: return edx & bit_MMX;
    case PF_XMMI_INSTRUCTIONS_AVAILABLE: return edx & bit_SSE;
    case PF_RDTSC_INSTRUCTION_AVAILABLE: return edx & (1u << 4);  // TSC
    case PF_XMMI64_INSTRUCTIONS_AVAILABLE: return edx & bit_SSE2;
    case PF_SSE3_INSTRUCTIONS_AVAILABLE: return ecx & bit_SSE3;
    case PF_SSSE3_INSTRUCTIONS_AVAILABLE: return ecx & bit_SSSE3;
    case PF_SSE4_1_INSTRUCTIONS_AVAILABLE: return ecx & bit_SSE4_1;
    case PF_SSE4_2_INSTRUCTIONS_AVAILABLE: return ecx & bit_SSE4_2;
    case PF_AVX_INSTRUCTIONS_AVAILABLE:
    case PF_AVX2_INSTRUCTIONS_AVAILABLE: {
        // AVX needs the CPU flag and the OS saving the YMM state (XCR0 bits 1 and 2).
        if (!(ecx & bit_AVX) || !(ecx & bit_OSXSAVE)) return false;
        unsigned xcr0lo = 0, xcr0hi = 0;
        __asm__ volatile("xgetbv" : "=a"(xcr0lo), "=d"(xcr0hi) : "c"(0));
        if ((xcr0lo & 6u) != 6u) return false;
        if (feature == PF_AVX_INSTRUCTIONS_AVAILABLE) return true;
        if (__get_cpuid_max(0, nullptr) < 7) return false;
        __cpuid_count(7, 0, eax, ebx, ecx, edx);
        return ebx & bit_AVX2;
    }
    default: return false;
    }
}
#else
bool CpuHas(DWORD)
{
    return false;
}
#endif

// QV_TEST_NO_CPU_FEATURES="6,10": features that tests want reported as absent.
bool HiddenByTest(DWORD feature)
{
    const char* text = std::getenv("QV_TEST_NO_CPU_FEATURES");
    if (text == nullptr) return false;
    while (*text != '\0') {
        char* end = nullptr;
        unsigned long value = std::strtoul(text, &end, 10);
        if (end == text) {  // not a number: skip one character and go on
            ++text;
            continue;
        }
        if (value == feature) return true;
        text = end;
    }
    return false;
}

}  // namespace

BOOL WINAPI IsProcessorFeaturePresent(DWORD feature)
{
    if (HiddenByTest(feature)) return FALSE;
    return CpuHas(feature) ? TRUE : FALSE;
}

void WINAPI Sleep(DWORD milliseconds)
{
    timespec request{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    timespec remaining{};
    // Resume after signals so that the whole time passes, as on Windows.
    while (nanosleep(&request, &remaining) != 0) request = remaining;
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName)
{
    if (moduleName != nullptr) {
        ThreadLastError = 126;  // ERROR_MOD_NOT_FOUND: only the program itself is known
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(&Module);
}

DWORD WINAPI GetLastError()
{
    return ThreadLastError;
}

void WINAPI SetLastError(DWORD code)
{
    ThreadLastError = code;
}
