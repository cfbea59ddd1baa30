// Helpers shared by the Direct3D 11 layer tests: an offscreen device (WARP unless chosen), owning references,
// render targets and readback through staging textures in Direct3D row order.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <PlatformTestHooks.h>
#include <d3d11.h>

// Holds one reference and releases it when it goes.
template <class T>
class Ref {
  public:
    Ref() = default;
    explicit Ref(T* p) : p_(p) {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ref& operator=(Ref&& other) noexcept
    {
        if (this != std::addressof(other)) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ~Ref() { Reset(); }
    void Reset()
    {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    T** operator&()
    {
        Reset();
        return &p_;
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    operator T*() const { return p_; }
    T* const* addr() const { return &p_; }

  private:
    T* p_ = nullptr;
};

// The driver type the fixtures use: WARP (Mesa's llvmpipe), or HARDWARE when the environment has
// QV_TEST_DRIVER=hardware (scripts/gpu-check sets it on a machine with a GPU).
D3D_DRIVER_TYPE TestDriverType();

// Every test gets a fresh device of that type and checks on the way out that releasing
// everything it made leaves no layer object and no GL object alive.
class D3D11Test : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A render target (and shader resource) of the given size and format.
    Ref<ID3D11Texture2D> MakeTexture(UINT width, UINT height, DXGI_FORMAT format, UINT bindFlags,
                                     const void* data = nullptr, UINT pitch = 0);
    // RGBA8 texels of a texture (any usage) in Direct3D row order, through a staging copy.
    std::vector<uint32_t> ReadRgba(ID3D11Texture2D* texture);
    // Depth values of a D32_FLOAT_S8X24_UINT texture, top row first.
    std::vector<float> ReadDepth(ID3D11Texture2D* texture);

    Ref<ID3D11Device> device;
    Ref<ID3D11DeviceContext> context;
    int baselineObjects = 0;
    int baselineGlObjects = 0;
};

// True when every channel of two RGBA8 texels differs by at most `tolerance` (Direct3D allows
// either neighbour when a colour converts to a value halfway between two steps).
inline bool NearRgba(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8) {
        int d = int((a >> shift) & 0xff) - int((b >> shift) & 0xff);
        if (d < -tolerance || d > tolerance) return false;
    }
    return true;
}

// Stores a number in an enum field, also one outside the enum's range (as a careless caller might).
template <class E>
void SetRaw(E& field, uint32_t value)
{
    std::memcpy(&field, &value, sizeof value);
}

inline uint32_t Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(a) << 24;
}
