// Tests of the transform math against hand-worked single-precision figures.
#include "TransformMath.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace {
std::uint32_t Bits(float f)
{
    return std::bit_cast<std::uint32_t>(f);
}

// Non-zero values must match bit for bit; a zero may carry either sign.
void ExpectSame(float actual, float expected)
{
    if (expected == 0.0f)
        EXPECT_EQ(actual, 0.0f);
    else
        EXPECT_EQ(Bits(actual), Bits(expected)) << actual << " vs " << expected;
}

void ExpectRows(const Matrix4x4& m, const float (&expected)[4][4])
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            SCOPED_TRACE(testing::Message() << "row " << i << " column " << j);
            ExpectSame(m.m[i][j], expected[i][j]);
        }
}
}  // namespace

TEST(Normalize, ZeroOverflowAndOrdinaryVectors)
{
    Vector4 zero = NormalizeVector({0.0f, 0.0f, 0.0f, 1.0f});
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);

    // 3e19 squared overflows single precision.
    Vector4 huge = NormalizeVector({3e19f, 1.0f, 0.0f, 0.0f});
    EXPECT_EQ(Bits(huge.x), 0x7FC00000u);
    EXPECT_EQ(Bits(huge.y), 0x7FC00000u);
    EXPECT_EQ(Bits(huge.z), 0x7FC00000u);

    Vector4 v = NormalizeVector({3.0f, 0.0f, -4.0f, 7.0f});
    EXPECT_EQ(v.x, 0.6f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, -0.8f);
}

TEST(LookTo, DegenerateDirections)
{
    const Vector4 eye = {1.0f, 2.0f, 3.0f, 1.0f};
    const Vector4 up = {0.0f, 1.0f, 0.0f, 0.0f};
    ExpectRows(LookToMatrix(eye, {0.0f, 0.0f, 0.0f, 0.0f}, up),
               {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}});

    // Up parallel to the direction: no x or y axis.
    Matrix4x4 parallel = LookToMatrix(eye, {0.0f, 2.0f, 0.0f, 0.0f}, up);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(parallel.m[i][0], 0.0f);
        EXPECT_EQ(parallel.m[i][1], 0.0f);
    }
    EXPECT_EQ(parallel.m[1][2], 1.0f);
    EXPECT_EQ(parallel.m[3][2], -2.0f);

    Matrix4x4 overflow = LookToMatrix(eye, {0.0f, 0.0f, 1e30f, 0.0f}, up);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) EXPECT_TRUE(std::isnan(overflow.m[i][j])) << i << "," << j;
        EXPECT_EQ(overflow.m[i][3], i == 3 ? 1.0f : 0.0f);
    }
}

TEST(FrameView, BothCameraLimits)
{
    const Matrix4x4 nearView = FrameViewMatrix(2.5f);
    ExpectRows(
        nearView,
        {{1, 0, 0, 0}, {0, 0.70710677f, -0.70710677f, 0}, {0, 0.70710677f, 0.70710677f, 0}, {0, 0, 3.5355339f, 1}});
    const Vector3 nearLight = FrameLightPosition(nearView);
    ExpectSame(nearLight.x, 3.0f);
    ExpectSame(nearLight.y, 0.0f);
    ExpectSame(nearLight.z, -0.7071066f);

    const Matrix4x4 farView = FrameViewMatrix(20.0f);
    ExpectRows(
        farView,
        {{1, 0, 0, 0}, {0, 0.70710677f, -0.70710677f, 0}, {0, 0.70710677f, 0.70710677f, 0}, {0, 0, 28.284271f, 1}});
    const Vector3 farLight = FrameLightPosition(farView);
    ExpectSame(farLight.x, 3.0f);
    ExpectSame(farLight.y, 0.0f);
    ExpectSame(farLight.z, 24.04163f);
}

TEST(TargetProjection, AspectRatiosAndDepthRange)
{
    const Matrix4x4 vga = TargetProjectionMatrix(640, 480);
    ExpectRows(vga, {{2.799038f, 0, 0, 0},
                     {0, 3.7320507f, 0, 0},
                     {0, 0, std::bit_cast<float>(0x3F805220u), 1},
                     {0, 0, std::bit_cast<float>(0xBF805220u), 0}});
    EXPECT_EQ(Bits(vga.m[2][2]), Bits(400.0f / 399.0f));

    const Matrix4x4 hd = TargetProjectionMatrix(1920, 1080);
    ExpectSame(hd.m[0][0], 2.0992785f);
    ExpectSame(hd.m[1][1], 3.7320507f);

    // Depth: view z = near maps to 0 and z = far to 1 after the division by w = z.
    EXPECT_FLOAT_EQ(TransformPoint({0.0f, 0.0f, 1.0f}, vga).z, 0.0f);
    EXPECT_FLOAT_EQ(TransformPoint({0.0f, 0.0f, 400.0f}, vga).z, 1.0f);
}

TEST(FrameSpin, AngleFollowsTheClockAndItsWrap)
{
    EXPECT_EQ(Bits(FrameSpinAngle(0)), Bits(0.0f));
    EXPECT_EQ(Bits(FrameSpinAngle(750)), Bits(1.5707964f));
    EXPECT_EQ(Bits(FrameSpinAngle(2999)), Bits(6.2810912f));
    EXPECT_EQ(Bits(FrameSpinAngle(3000)), Bits(0.0f));
    EXPECT_EQ(Bits(FrameSpinAngle(3750)), Bits(1.5707964f));
    // 4294967295 mod 3000 is 2295; the next reading, 0 after the wrap, starts a new turn.
    EXPECT_EQ(Bits(FrameSpinAngle(4294967295u)), Bits(FrameSpinAngle(2295)));
    EXPECT_EQ(Bits(FrameSpinAngle(static_cast<std::uint32_t>(4294967295u + 1u))), Bits(0.0f));
    EXPECT_NE(Bits(FrameSpinAngle(2295)), Bits(0.0f));

    // Frames keep turning through the wrap: one millisecond after 2295 comes 2296, and every
    // later wrap carries another 2296. Until the first wrap the reading is used unchanged, also
    // when a test clock is set back.
    SpinClock clock;
    for (std::uint32_t reading : {0u, 1234u, 500u, 7u, 2999999999u, 4294967295u})
        EXPECT_EQ(AdvanceSpinClock(clock, reading), reading);
    EXPECT_EQ(Bits(FrameSpinAngle(AdvanceSpinClock(clock, 0u))), Bits(FrameSpinAngle(2296)));
    EXPECT_EQ(Bits(FrameSpinAngle(AdvanceSpinClock(clock, 704u))), Bits(0.0f));
    EXPECT_EQ(Bits(FrameSpinAngle(AdvanceSpinClock(clock, 4294967295u))), Bits(FrameSpinAngle(2295 + 2296)));
    EXPECT_EQ(Bits(FrameSpinAngle(AdvanceSpinClock(clock, 0u))), Bits(FrameSpinAngle(2 * 2296)));

    // A quarter turn takes +x to -z.
    const Vector3 turned = TransformPoint({1.0f, 0.0f, 0.0f}, RotationYMatrix(FrameSpinAngle(750)));
    EXPECT_NEAR(turned.x, 0.0f, 1e-6f);
    EXPECT_EQ(turned.z, -1.0f);
}

TEST(FrameWorld, CentresScalesAndSpinsTheSphere)
{
    const Matrix4x4 still = FrameWorldMatrix(0, 1.0f, 2.0f, 3.0f, 2.0f);
    ExpectRows(still, {{0.5f, 0, 0, 0}, {0, 0.5f, 0, 0}, {0, 0, 0.5f, 0}, {-0.5f, -1.0f, -1.5f, 1}});
    const Vector3 p = TransformPoint({3.0f, 2.0f, 3.0f}, still);
    ExpectSame(p.x, 1.0f);
    ExpectSame(p.y, 0.0f);
    ExpectSame(p.z, 0.0f);

    const Vector3 q = TransformPoint({3.0f, 2.0f, 3.0f}, FrameWorldMatrix(750, 1.0f, 2.0f, 3.0f, 2.0f));
    EXPECT_NEAR(q.x, 0.0f, 1e-6f);
    EXPECT_NEAR(q.y, 0.0f, 1e-6f);
    EXPECT_NEAR(q.z, -1.0f, 1e-6f);

    // The written-out rows at an arbitrary angle.
    const float a = FrameSpinAngle(1234);
    const float c = static_cast<float>(std::cos(static_cast<double>(a)));
    const float s = static_cast<float>(std::sin(static_cast<double>(a)));
    const Matrix4x4 w = FrameWorldMatrix(1234, 1.0f, 2.0f, 3.0f, 2.0f);
    EXPECT_FLOAT_EQ(w.m[0][0], 0.5f * c);
    EXPECT_FLOAT_EQ(w.m[0][2], -0.5f * s);
    EXPECT_FLOAT_EQ(w.m[2][0], 0.5f * s);
    EXPECT_FLOAT_EQ(w.m[3][0], -0.5f * (1.0f * c + 3.0f * s));
    EXPECT_FLOAT_EQ(w.m[3][1], -1.0f);
    EXPECT_FLOAT_EQ(w.m[3][2], 0.5f * (1.0f * s - 3.0f * c));
}

TEST(MatrixOps, ProductOrderTransposeAndDivision)
{
    // Translation then scaling differs from scaling then translation.
    const Matrix4x4 ts = MultiplyMatrix(TranslationMatrix(1, 0, 0), ScalingMatrix(2, 2, 2));
    const Matrix4x4 st = MultiplyMatrix(ScalingMatrix(2, 2, 2), TranslationMatrix(1, 0, 0));
    EXPECT_EQ(TransformPoint({1, 0, 0}, ts).x, 4.0f);
    EXPECT_EQ(TransformPoint({1, 0, 0}, st).x, 3.0f);

    Matrix4x4 m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m.m[i][j] = static_cast<float>(4 * i + j);
    const Matrix4x4 t = TransposeMatrix(m);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(t.m[i][j], m.m[j][i]);

    // The result is divided by w.
    Matrix4x4 halfW = ScalingMatrix(1, 1, 1);
    halfW.m[3][3] = 2.0f;
    const Vector3 d = TransformPoint({2, 4, 6}, halfW);
    EXPECT_EQ(d.x, 1.0f);
    EXPECT_EQ(d.y, 2.0f);
    EXPECT_EQ(d.z, 3.0f);
}
