// Processor features, the embedded icon resource and the stock cursor.
#include <SDL.h>
#include <windows.h>

#include <IconResource.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

TEST(ProcessorFeatures, AgreeWithTheCompilersOwnCpuCheck)
{
#if defined(__x86_64__)
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE));    // every x86-64 has SSE
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));  // and SSE2
    __builtin_cpu_init();
    EXPECT_EQ(bool(IsProcessorFeaturePresent(PF_SSE3_INSTRUCTIONS_AVAILABLE)), bool(__builtin_cpu_supports("sse3")));
    EXPECT_EQ(bool(IsProcessorFeaturePresent(PF_SSSE3_INSTRUCTIONS_AVAILABLE)), bool(__builtin_cpu_supports("ssse3")));
    EXPECT_EQ(bool(IsProcessorFeaturePresent(PF_SSE4_1_INSTRUCTIONS_AVAILABLE)),
              bool(__builtin_cpu_supports("sse4.1")));
    EXPECT_EQ(bool(IsProcessorFeaturePresent(PF_SSE4_2_INSTRUCTIONS_AVAILABLE)),
              bool(__builtin_cpu_supports("sse4.2")));
    EXPECT_EQ(bool(IsProcessorFeaturePresent(PF_AVX_INSTRUCTIONS_AVAILABLE)), bool(__builtin_cpu_supports("avx")));
    EXPECT_EQ(bool(IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE)), bool(__builtin_cpu_supports("avx2")));
#endif
    EXPECT_FALSE(IsProcessorFeaturePresent(0));
    EXPECT_FALSE(IsProcessorFeaturePresent(9999));
}

TEST(ProcessorFeatures, TestsCanHideFeatures)
{
    setenv("QV_TEST_NO_CPU_FEATURES", "6,10", 1);
    EXPECT_FALSE(IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE));
    EXPECT_FALSE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
    setenv("QV_TEST_NO_CPU_FEATURES", "10", 1);
    EXPECT_EQ(bool(IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE)), bool(__builtin_cpu_supports("sse")));
    EXPECT_FALSE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
    unsetenv("QV_TEST_NO_CPU_FEATURES");
}

SDL_Color PixelAt(SDL_Surface* s, int x, int y)
{
    SDL_LockSurface(s);
    const auto* row = static_cast<const uint8_t*>(s->pixels) + y * s->pitch;
    Uint32 value = 0;
    std::memcpy(&value, row + x * s->format->BytesPerPixel, s->format->BytesPerPixel);
    SDL_Color c{};
    SDL_GetRGBA(value, s->format, &c.r, &c.g, &c.b, &c.a);
    SDL_UnlockSurface(s);
    return c;
}

// The test binary embeds app/icon/bear.bmp as resource 101, as the program does.
TEST(Resources, IconResource101IsTheEmbeddedBear)
{
    HINSTANCE self = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(self, MAKEINTRESOURCEW(101));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconW(self, MAKEINTRESOURCEW(101)), icon) << "shared icon: one handle";
    SDL_Surface* image = platform::IconSurface(icon);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->w, 64);
    EXPECT_EQ(image->h, 64);
    SDL_Color corner = PixelAt(image, 1, 62);
    EXPECT_EQ(corner.a, 0) << "transparent around the head";
    SDL_Color ear = PixelAt(image, 10, 12);  // ears are at the top: rows are not upside down
    EXPECT_EQ(ear.a, 255);
    EXPECT_GT(ear.r, ear.b) << "brown fur";
    SDL_Color nose = PixelAt(image, 32, 40);
    EXPECT_LT(nose.r, 60);

    EXPECT_EQ(LoadIconW(self, MAKEINTRESOURCEW(102)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadIconW(self, L"named"), nullptr);
    static const unsigned char other[] = {'B', 'M'};
    EXPECT_FALSE(platform::RegisterIconResource(101, other, sizeof other)) << "101 is taken";
}

TEST(Resources, BrokenIconImageGivesNoIcon)
{
    static const unsigned char notBmp[] = {'B', 'M', 1, 2, 3, 4, 5, 6, 7};
    ASSERT_TRUE(platform::RegisterIconResource(900, notBmp, sizeof notBmp));
    EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(900)), nullptr);
    EXPECT_FALSE(platform::RegisterIconResource(901, nullptr, 10));
}

TEST(Resources, StockArrowCursorAndApplicationIcon)
{
    EXPECT_NE(LoadCursorW(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(1)), nullptr);
    HICON stock = LoadIconW(nullptr, IDI_APPLICATION);
    EXPECT_NE(stock, nullptr);
    EXPECT_EQ(platform::IconSurface(stock), nullptr) << "drawn by the system";
}

}  // namespace
