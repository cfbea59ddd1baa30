// Prints two readings of timeGetTime 50 ms apart; the clock test runs it with QV_TEST_TIME_MS.
#include <mmsystem.h>
#include <windows.h>

#include <cstdio>

int main()
{
    DWORD first = timeGetTime();
    Sleep(50);
    std::printf("%u %u\n", unsigned(first), unsigned(timeGetTime()));
    return 0;
}
