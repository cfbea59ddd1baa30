// FrameAllocationTest.cpp: once the first frames have been drawn, the program's frame step
// (the main loop's idle turn: an empty message poll and IdleFrame, which renders and presents)
// allocates nothing on the heap, in both shadow-volume methods and across the F2 key that
// switches between them. Runs the real shell and renderer on an offscreen window.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <PlatformTestHooks.h>
#include <SDL.h>
#include <epoxy/gl.h>

#include "AllocationCounter.h"
#include "AppShell.h"
#include "ScratchFolder.h"
#include "StartupFailure.h"

namespace {

// The clock is frozen so every frame draws the same picture (a three-quarter view).
constexpr uint32_t FrozenMs = 700;
constexpr int WarmUpFrames = 5;
// What a frame allocates does not depend on its size; a small window keeps a software driver's
// fill work, and so the test's run time, low.
constexpr int TestWindowWidth = 160;
constexpr int TestWindowHeight = 120;

class FrameAllocationTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        // The program finds its data as "..\misc\": run in <tmp>/work beside a link <tmp>/misc.
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        const char* source = std::getenv("QV_SOURCE_DIR");
        ASSERT_NE(source, nullptr) << "QV_SOURCE_DIR is not set";
        scratch_ = std::make_unique<ScratchFolder>("quenvale-alloc-");
        ASSERT_TRUE(scratch_->EnterWork());
        ASSERT_TRUE(scratch_->LinkMisc(std::string(source) + "/misc"));
    }

    static void TearDownTestSuite() { scratch_.reset(); }

    void SetUp() override
    {
        if (!alloc_count::Available())
            GTEST_SKIP()
                << "the sanitizer's allocator owns malloc in this build; counting is left to the optimised build";
        platform_test::SetTime(true, FrozenMs);
        UseAdjacency = true;
        StandbyMode = false;
        WindowWidth = TestWindowWidth;
        WindowHeight = TestWindowHeight;
        ASSERT_TRUE(CreateAppWindow(GetModuleHandleW(nullptr)));
        ASSERT_GE(CreateGraphics(), 0) << StartupFailureText;
    }

    void TearDown() override
    {
        if (!alloc_count::Available()) return;
        if (MainWindow) DestroyWindow(MainWindow);
        MSG message = {};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        UnregisterClassW(L"Quenvale", InstanceHandle);
        platform_test::SetTime(false, 0);
        EXPECT_EQ(platform_test::LiveObjectCount(), 0);
    }

    // One turn of the main loop with no message waiting; false if the turn did something else.
    static bool IdleTurn()
    {
        MSG message = {};
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return false;
        return IdleFrame() && !StandbyMode;
    }

    static void Key(WPARAM key) { AppWindowProc(MainWindow, WM_KEYDOWN, key, 0); }

    // Runs `frames` idle turns; counts the turns that did not render.
    static int Frames(int frames)
    {
        int missed = 0;
        for (int i = 0; i < frames; ++i) missed += IdleTurn() ? 0 : 1;
        return missed;
    }

    static std::unique_ptr<ScratchFolder> scratch_;
};

std::unique_ptr<ScratchFolder> FrameAllocationTest::scratch_;

TEST_F(FrameAllocationTest, TheCounterSeesAnAllocation)
{
    // The measurement itself can fail: an allocation inside the window is counted, also one that
    // a library linked at start-up (SDL) makes for the program.
    alloc_count::Start();
    void* volatile block = std::malloc(100);
    std::string* volatile text = new std::string(100, 'x');
    char* volatile copy = SDL_strdup("a copy made by SDL");
    const uint64_t counted = alloc_count::Stop();
    std::free(block);
    delete text;
    SDL_free(copy);
    EXPECT_GE(counted, 3u);
    EXPECT_EQ(alloc_count::DriverAllocations(), 0u);
}

TEST_F(FrameAllocationTest, TheDriversAllocationsAreToldApart)
{
    // A buffer object and its storage are the driver's to allocate, whichever driver runs.
    alloc_count::Start();
    GLuint buffer = 0;
    glCreateBuffers(1, &buffer);
    glNamedBufferData(buffer, 1 << 16, nullptr, GL_STATIC_DRAW);
    glDeleteBuffers(1, &buffer);
    glFinish();
    const uint64_t counted = alloc_count::Stop();
    std::printf("driver libraries: %s\n", alloc_count::DriverObjects().c_str());
    EXPECT_GE(alloc_count::DriverAllocations(), 1u) << "the driver's libraries: " << alloc_count::DriverObjects();
    EXPECT_EQ(counted, 0u) << "allocations inside GL calls charged to the program";
    if (counted) alloc_count::PrintFirstStacks();
}

TEST_F(FrameAllocationTest, AThousandFramesInBothMethodsAllocateNothing)
{
    // The first frames compile the driver's shader variants for both methods; they may allocate.
    ASSERT_EQ(Frames(WarmUpFrames), 0);
    Key(VK_F2);
    ASSERT_EQ(Frames(WarmUpFrames), 0);
    Key(VK_F2);
    ASSERT_EQ(Frames(WarmUpFrames), 0);

    alloc_count::Start();
    int missed = Frames(400);  // adjacency
    Key(VK_F2);
    missed += Frames(400);  // plain triangles
    Key(VK_F2);
    missed += Frames(200);  // adjacency again
    const uint64_t allocations = alloc_count::Stop();

    EXPECT_TRUE(UseAdjacency);
    EXPECT_EQ(missed, 0) << "some idle turns found a message or went to standby instead of rendering";
    std::printf("1000 frames: %llu allocations outside the GL driver, %llu inside it (%s)\n",
                static_cast<unsigned long long>(allocations),
                static_cast<unsigned long long>(alloc_count::DriverAllocations()),
                alloc_count::DriverObjects().c_str());
    EXPECT_EQ(allocations, 0u) << "heap allocations during 1000 frames";
    if (allocations) alloc_count::PrintFirstStacks();
}

TEST_F(FrameAllocationTest, ResizingAllocatesOnlyOutsideTheFrames)
{
    // A resize rebuilds the targets (that may allocate); the frames after it do not.
    ASSERT_EQ(Frames(WarmUpFrames), 0);
    AppWindowProc(MainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 100));
    ASSERT_EQ(Frames(WarmUpFrames), 0);
    alloc_count::Start();
    const int missed = Frames(200);
    const uint64_t allocations = alloc_count::Stop();
    EXPECT_EQ(missed, 0);
    EXPECT_EQ(allocations, 0u) << "heap allocations during 200 frames after a resize";
    if (allocations) alloc_count::PrintFirstStacks();
}

}  // namespace
