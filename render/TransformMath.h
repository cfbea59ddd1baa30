// TransformMath.h: single-precision vectors and 4x4 matrices (row vectors, left-handed spaces)
// and the frame's transforms: projection of the render targets, view, light and world.
#pragma once

#include <cstdint>

struct Vector4 {
    float x, y, z, w;
};

// A transformed point: x, y, z after the division by w.
struct Vector3 {
    float x, y, z;
};

// M[row][column]; a point p becomes p * M, row 3 is the translation.
struct Matrix4x4 {
    float m[4][4];
};

// The world-space point light.
inline constexpr Vector3 LightPosition = {3.0f, 3.0f, -3.0f};

// Unit vector along v (x, y, z; w of the result is 0). A squared length of +infinity gives
// NaN in every component, a zero length gives the zero vector.
Vector4 NormalizeVector(const Vector4& v);
Vector4 CrossProduct(const Vector4& a, const Vector4& b);
float DotProduct(const Vector4& a, const Vector4& b);

Matrix4x4 LookToMatrix(const Vector4& eye, const Vector4& direction, const Vector4& up);
Matrix4x4 PerspectiveMatrix(float fieldOfViewY, float aspect, float nearZ, float farZ);
Matrix4x4 RotationYMatrix(float angle);
Matrix4x4 TranslationMatrix(float x, float y, float z);
Matrix4x4 ScalingMatrix(float x, float y, float z);
Matrix4x4 MultiplyMatrix(const Matrix4x4& a, const Matrix4x4& b);
Matrix4x4 TransposeMatrix(const Matrix4x4& m);
// (x, y, z, 1) * M divided by its w; w is not checked for 0.
Vector3 TransformPoint(const Vector3& p, const Matrix4x4& m);

// Projection of a width x height back buffer: 30 degree vertical field of view, near 1, far 400.
Matrix4x4 TargetProjectionMatrix(std::uint32_t width, std::uint32_t height);
// View of a camera at (0, D, -D) looking at the origin with +y up.
Matrix4x4 FrameViewMatrix(float cameraDistance);
// LightPosition in the space of the given view.
Vector3 FrameLightPosition(const Matrix4x4& view);
// Spin angle for a millisecond clock reading: one full turn every 3000 ms.
float FrameSpinAngle(std::uint32_t milliseconds);
// timeGetTime's 32-bit milliseconds wrap every 2^32 ms (about 49.7 days), which would make the
// spin jump by 2^32 mod 3000 = 2296 ms of turn. AdvanceSpinClock takes each frame's reading and
// returns the reading to spin by: the reading itself until the clock first wraps (a reading that
// goes back, as a test clock may, is not a wrap), afterwards a value that continues the turn.
struct SpinClock {
    std::uint32_t last = 0;     // the previous reading
    std::uint32_t carried = 0;  // turn carried over from the wraps so far, in ms mod 3000
};
std::uint32_t AdvanceSpinClock(SpinClock& clock, std::uint32_t milliseconds);
// World of a frame: centres the bounding sphere (cx, cy, cz; radius) on the origin, scales it
// to radius 1 and spins it about y by FrameSpinAngle(milliseconds).
Matrix4x4 FrameWorldMatrix(std::uint32_t milliseconds, float cx, float cy, float cz, float radius);
