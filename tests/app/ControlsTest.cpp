// The shell's pure decisions: the camera step of Up and Down, what a removed reason asks of
// the idle step, and folding a compiler log onto one line.
#include <gtest/gtest.h>

#include "Controls.h"

TEST(CameraStep, OneStepEachWayFromTheStartingDistance)
{
    // 2.5 + 0.10000000149011612 = 2.60000000149..., nearest float is 2.6f.
    EXPECT_EQ(StepCameraDistance(2.5f, +1), 2.6f);
    // Up at the nearest distance stays there, exactly.
    EXPECT_EQ(StepCameraDistance(2.5f, -1), 2.5f);
    EXPECT_EQ(StepCameraDistance(2.6f, -1), 2.5f);
}

TEST(CameraStep, LimitsAreInclusiveAndClampExactly)
{
    EXPECT_EQ(StepCameraDistance(19.95f, +1), 20.0f);
    EXPECT_EQ(StepCameraDistance(20.0f, +1), 20.0f);
    // 19.899999618530273 + 0.10000000149011612 rounds to 20 itself, without the clamp.
    EXPECT_EQ(StepCameraDistance(19.9f, +1), 20.0f);
    EXPECT_EQ(StepCameraDistance(2.55f, -1), 2.5f);
    // 19.8999999985... rounds to 19.9f (19.899999618530273).
    EXPECT_EQ(StepCameraDistance(20.0f, -1), 19.9f);
}

TEST(CameraStep, TwentyFiveUpsFromTheStartLeaveTheNearestDistance)
{
    float d = 2.5f;
    for (int i = 0; i < 25; ++i) {
        d = StepCameraDistance(d, -1);
    }
    EXPECT_EQ(d, 2.5f);
}

TEST(CameraStep, WalkingOutAndBackStaysInRangeAndEndsOnTheLimits)
{
    float d = 2.5f;
    int steps = 0;
    while (d < 20.0f && steps < 1000) {
        float next = StepCameraDistance(d, +1);
        ASSERT_GT(next, d);
        ASSERT_LE(next, 20.0f);
        d = next;
        ++steps;
    }
    EXPECT_EQ(d, 20.0f);
    // 17.5 / 0.1 = 175 steps, give or take the rounding of the accumulated float.
    EXPECT_GE(steps, 174);
    EXPECT_LE(steps, 176);
    for (int i = 0; i < 200; ++i) {
        d = StepCameraDistance(d, -1);
        ASSERT_GE(d, 2.5f);
    }
    EXPECT_EQ(d, 2.5f);
}

TEST(DeviceStateTest, HungAndResetRebuildOtherFailuresClose)
{
    EXPECT_EQ(ClassifyDeviceState(S_OK), DeviceState::Healthy);
    EXPECT_EQ(ClassifyDeviceState(S_FALSE), DeviceState::Healthy);
    EXPECT_EQ(ClassifyDeviceState(DXGI_STATUS_OCCLUDED), DeviceState::Healthy);
    EXPECT_EQ(ClassifyDeviceState(DXGI_ERROR_DEVICE_HUNG), DeviceState::Rebuild);
    EXPECT_EQ(ClassifyDeviceState(DXGI_ERROR_DEVICE_RESET), DeviceState::Rebuild);
    EXPECT_EQ(ClassifyDeviceState(DXGI_ERROR_DEVICE_REMOVED), DeviceState::Lost);
    EXPECT_EQ(ClassifyDeviceState(DXGI_ERROR_DRIVER_INTERNAL_ERROR), DeviceState::Lost);
    EXPECT_EQ(ClassifyDeviceState(E_OUTOFMEMORY), DeviceState::Lost);
}

TEST(JoinLinesTest, CompilerLogBecomesOneLine)
{
    // One blank for each line break, and the blanks beside it kept: the line reads as the log does.
    EXPECT_EQ(JoinLines("ERROR: a.sh:1: 'expression' : Expected \nERROR: 1 compilation errors.\n\n"),
              "ERROR: a.sh:1: 'expression' : Expected  ERROR: 1 compilation errors.");
    EXPECT_EQ(JoinLines("a.sh(3,1): error X3000: syntax error\r\n  a.sh(9,2): error: x \n\n"),
              "a.sh(3,1): error X3000: syntax error    a.sh(9,2): error: x");
    EXPECT_EQ(JoinLines("  one line  "), "one line");
    EXPECT_EQ(JoinLines("\n\nlate start"), "late start");
    EXPECT_EQ(JoinLines(""), "");
    EXPECT_EQ(JoinLines("\r\n \t\n"), "");
    EXPECT_EQ(JoinLines("tab\tinside"), "tab inside");
    EXPECT_EQ(JoinLines("'\x1b[2J' : unexpected token"), "' [2J' : unexpected token");
}
