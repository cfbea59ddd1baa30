// TransformMath.cpp: the vector and matrix operations and the frame's transforms. Every sum is
// written in the order it is evaluated; contraction into fused multiply-adds is off globally,
// so the results are the same bit for bit on every build.
#include "TransformMath.h"

#include <bit>
#include <cmath>

namespace {
constexpr float Pi = 3.14159265358979323846f;  // 3.1415927 in single precision
}

Vector4 NormalizeVector(const Vector4& v)
{
    const float squared = (v.x * v.x + v.y * v.y) + v.z * v.z;
    const float length = std::sqrt(squared);
    if (squared == INFINITY) {
        const float nan = std::bit_cast<float>(0x7FC00000u);
        return {nan, nan, nan, 0.0f};
    }
    if (length == 0.0f) return {0.0f, 0.0f, 0.0f, 0.0f};
    return {v.x / length, v.y / length, v.z / length, 0.0f};
}

Vector4 CrossProduct(const Vector4& a, const Vector4& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0.0f};
}

float DotProduct(const Vector4& a, const Vector4& b)
{
    return (a.x * b.x + a.y * b.y) + a.z * b.z;
}

Matrix4x4 LookToMatrix(const Vector4& eye, const Vector4& direction, const Vector4& up)
{
    const Vector4 r2 = NormalizeVector(direction);
    const Vector4 r0 = NormalizeVector(CrossProduct(up, r2));
    const Vector4 r1 = CrossProduct(r2, r0);
    const Vector4 negEye = {-eye.x, -eye.y, -eye.z, 0.0f};
    const float t0 = DotProduct(r0, negEye);
    const float t1 = DotProduct(r1, negEye);
    const float t2 = DotProduct(r2, negEye);
    return {{{r0.x, r1.x, r2.x, 0.0f}, {r0.y, r1.y, r2.y, 0.0f}, {r0.z, r1.z, r2.z, 0.0f}, {t0, t1, t2, 1.0f}}};
}

Matrix4x4 PerspectiveMatrix(float fieldOfViewY, float aspect, float nearZ, float farZ)
{
    const float half = fieldOfViewY / 2.0f;
    const float c = static_cast<float>(std::cos(static_cast<double>(half)));
    const float s = static_cast<float>(std::sin(static_cast<double>(half)));
    const float yScale = c / s;
    const float xScale = yScale / aspect;
    const float q = farZ / (farZ - nearZ);
    return {{{xScale, 0.0f, 0.0f, 0.0f},
             {0.0f, yScale, 0.0f, 0.0f},
             {0.0f, 0.0f, q, 1.0f},
             {0.0f, 0.0f, -q * nearZ, 0.0f}}};
}

Matrix4x4 RotationYMatrix(float angle)
{
    const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
    const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
    return {{{c, 0.0f, -s, 0.0f}, {0.0f, 1.0f, 0.0f, 0.0f}, {s, 0.0f, c, 0.0f}, {0.0f, 0.0f, 0.0f, 1.0f}}};
}

Matrix4x4 TranslationMatrix(float x, float y, float z)
{
    return {{{1.0f, 0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f, 0.0f}, {x, y, z, 1.0f}}};
}

Matrix4x4 ScalingMatrix(float x, float y, float z)
{
    return {{{x, 0.0f, 0.0f, 0.0f}, {0.0f, y, 0.0f, 0.0f}, {0.0f, 0.0f, z, 0.0f}, {0.0f, 0.0f, 0.0f, 1.0f}}};
}

Matrix4x4 MultiplyMatrix(const Matrix4x4& a, const Matrix4x4& b)
{
    Matrix4x4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] =
                ((a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j]) + a.m[i][2] * b.m[2][j]) + a.m[i][3] * b.m[3][j];
    return r;
}

Matrix4x4 TransposeMatrix(const Matrix4x4& m)
{
    Matrix4x4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m.m[j][i];
    return r;
}

Vector3 TransformPoint(const Vector3& p, const Matrix4x4& m)
{
    float out[4];
    for (int j = 0; j < 4; ++j) out[j] = ((p.x * m.m[0][j] + p.y * m.m[1][j]) + p.z * m.m[2][j]) + 1.0f * m.m[3][j];
    return {out[0] / out[3], out[1] / out[3], out[2] / out[3]};
}

Matrix4x4 TargetProjectionMatrix(std::uint32_t width, std::uint32_t height)
{
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    return PerspectiveMatrix(Pi / 6.0f, aspect, 1.0f, 400.0f);
}

Matrix4x4 FrameViewMatrix(float cameraDistance)
{
    const Vector4 eye = {0.0f, cameraDistance, -cameraDistance, 1.0f};
    const Vector4 direction = {0.0f - eye.x, 0.0f - eye.y, 0.0f - eye.z, 0.0f};
    const Vector4 up = {0.0f, 1.0f, 0.0f, 0.0f};
    return LookToMatrix(eye, direction, up);
}

Vector3 FrameLightPosition(const Matrix4x4& view)
{
    return TransformPoint(LightPosition, view);
}

float FrameSpinAngle(std::uint32_t milliseconds)
{
    const std::uint32_t phase = milliseconds % 3000u;
    const float turned = static_cast<float>(phase) * Pi;  // rounded to single before the division
    return turned / 1500.0f;
}

std::uint32_t AdvanceSpinClock(SpinClock& clock, std::uint32_t milliseconds)
{
    constexpr std::uint32_t TurnMs = 3000u;
    constexpr std::uint32_t WrapCarry = static_cast<std::uint32_t>((std::uint64_t(1) << 32) % TurnMs);  // 2296
    // Forward across 2^32: the reading fell, yet moved less than half the clock's range ahead.
    if (milliseconds < clock.last && milliseconds - clock.last < 0x80000000u)
        clock.carried = (clock.carried + WrapCarry) % TurnMs;
    clock.last = milliseconds;
    if (clock.carried == 0) return milliseconds;
    return (milliseconds % TurnMs + clock.carried) % TurnMs;
}

Matrix4x4 FrameWorldMatrix(std::uint32_t milliseconds, float cx, float cy, float cz, float radius)
{
    const float k = 1.0f / radius;
    return MultiplyMatrix(MultiplyMatrix(TranslationMatrix(-cx, -cy, -cz), ScalingMatrix(k, k, k)),
                          RotationYMatrix(FrameSpinAngle(milliseconds)));
}
