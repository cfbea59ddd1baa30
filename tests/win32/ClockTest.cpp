// timeGetTime: a monotonic millisecond clock that wraps at 32 bits, and its test controls.
#include <mmsystem.h>
#include <windows.h>

#include <ClockParse.h>
#include <PlatformTestHooks.h>
#include <gtest/gtest.h>

namespace {

class Clock : public ::testing::Test {
  protected:
    void TearDown() override { platform_test::SetTime(false, 0, 0); }
};

TEST_F(Clock, RunsForwardWithSleep)
{
    platform_test::SetTime(false, 0, 0);
    DWORD last = timeGetTime();
    for (int i = 0; i < 100000; ++i) {
        DWORD now = timeGetTime();
        ASSERT_LT(DWORD(now - last), 0x80000000u) << "went backwards";
        last = now;
    }
    DWORD before = timeGetTime();
    Sleep(30);
    DWORD elapsed = timeGetTime() - before;
    EXPECT_GE(elapsed, 29u);
    EXPECT_LT(elapsed, 5000u);
}

TEST_F(Clock, WrapsFromTheLargestValueToZero)
{
    platform_test::SetTime(false, 0, 0);
    DWORD real = timeGetTime();
    platform_test::SetTime(false, 0, 0xFFFFFFFFu - real - 20u);  // about 20 ms before the wrap
    DWORD before = timeGetTime();
    EXPECT_GE(before, 0xFFFFFF00u);
    Sleep(60);
    DWORD after = timeGetTime();
    EXPECT_LT(after, 1000u) << "wrapped through zero";
    EXPECT_GE(DWORD(after - before), 59u);
    EXPECT_LT(DWORD(after - before), 5000u);
}

TEST_F(Clock, FreezesAtTheValueGivenAndRunsAgainWhenReleased)
{
    platform_test::SetTime(true, 4294967295u);
    EXPECT_EQ(timeGetTime(), 4294967295u);
    Sleep(20);
    EXPECT_EQ(timeGetTime(), 4294967295u);
    platform_test::SetTime(true, 1500);
    EXPECT_EQ(timeGetTime(), 1500u);
    platform_test::SetTime(false, 0, 0);
    DWORD a = timeGetTime();
    Sleep(20);
    EXPECT_GE(DWORD(timeGetTime() - a), 19u);
}

TEST(ClockEnvironment, AcceptsOnlyWholeMillisecondCountsThatFit)
{
    uint32_t ms = 7;
    EXPECT_TRUE(win32::ParseTestTimeMs("0", &ms));
    EXPECT_EQ(ms, 0u);
    EXPECT_TRUE(win32::ParseTestTimeMs("4294967295", &ms));
    EXPECT_EQ(ms, 4294967295u);
    EXPECT_TRUE(win32::ParseTestTimeMs("000750", &ms));
    EXPECT_EQ(ms, 750u);
    for (const char* bad : {"", "4294967296", "99999999999999999999999", "-1", "12a", " 5", "5 ", "1.5", "0x10"}) {
        ms = 7;
        EXPECT_FALSE(win32::ParseTestTimeMs(bad, &ms)) << '"' << bad << '"';
        EXPECT_EQ(ms, 7u) << "untouched on failure";
    }
    EXPECT_FALSE(win32::ParseTestTimeMs(nullptr, &ms));
}

}  // namespace
