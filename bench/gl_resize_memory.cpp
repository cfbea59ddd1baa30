// gl_resize_memory: hand-written OpenGL (SDL2 and libepoxy, no Direct3D 11 layer) doing what the
// viewer's window does when it is resized: the window takes a new size, an RGBA8 colour texture and
// a 32-bit float depth, 8-bit stencil texture of that size replace the old ones on one framebuffer,
// and every frame clears them and blits the colour to the window before the swap. It prints the
// process's resident memory (VmRSS) after each round of sizes, so that a driver that keeps memory
// for every window or target size shows without any code of ours in between. A measurement, not a
// test: it prints and exits 0.
//
//   gl_resize_memory [--rounds N] [--frames F] [--change window|targets|both|none]
//
// --change says what changes size from one step to the next: the window alone (the targets keep
// 640 x 480), the targets alone (the window keeps 640 x 480), both (as in the viewer), or neither
// (the frames alone). Runs on whatever X display or SDL video driver the environment gives.
#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Size {
    int width, height;
};

// The sizes one round of the soak test's actions passes through (five resizes, full screen on a
// 1280 x 1024 screen and back), ending where it starts.
constexpr Size Sizes[] = {{320, 240}, {480, 200}, {200, 320}, {560, 400}, {640, 480}, {1280, 1024}, {640, 480}};

long ResidentKb()
{
    FILE* file = std::fopen("/proc/self/status", "r");
    if (!file) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, file))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
    std::fclose(file);
    return kb;
}

// The tenth percentile: below the bulk of the samples, above the odd dip.
long LowLevel(std::vector<long> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 10];
}

struct Target {
    GLuint color = 0, depth = 0, framebuffer = 0;
    int width = 0, height = 0;

    void Create(int w, int h)
    {
        width = w;
        height = h;
        glCreateTextures(GL_TEXTURE_2D, 1, &color);
        glTextureStorage2D(color, 1, GL_RGBA8, w, h);
        glCreateTextures(GL_TEXTURE_2D, 1, &depth);
        glTextureStorage2D(depth, 1, GL_DEPTH32F_STENCIL8, w, h);
        if (!framebuffer) glCreateFramebuffers(1, &framebuffer);
        glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, color, 0);
        glNamedFramebufferTexture(framebuffer, GL_DEPTH_STENCIL_ATTACHMENT, depth, 0);
        glNamedFramebufferReadBuffer(framebuffer, GL_COLOR_ATTACHMENT0);
    }

    void ReleaseTextures()
    {
        glDeleteTextures(1, &color);
        glDeleteTextures(1, &depth);
        color = depth = 0;
    }
};

void Frame(SDL_Window* window, const Target& target)
{
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glViewport(0, 0, target.width, target.height);
    glClearColor(0.0f, 0.125f, 0.3f, 1.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window, &width, &height);
    glBlitNamedFramebuffer(target.framebuffer, 0, 0, 0, target.width, target.height, 0, 0, width, height,
                           GL_COLOR_BUFFER_BIT, GL_LINEAR);
    SDL_GL_SwapWindow(window);
}

void PumpEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {}
}

int Usage()
{
    std::fprintf(stderr, "usage: gl_resize_memory [--rounds N] [--frames F] [--change window|targets|both|none]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = 100, frames = 4;
    std::string change = "both";
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) return Usage();
        const char* value = argv[++i];
        if (option == "--rounds")
            rounds = std::atoi(value);
        else if (option == "--frames")
            frames = std::atoi(value);
        else if (option == "--change")
            change = value;
        else
            return Usage();
    }
    const bool windowChanges = change == "window" || change == "both";
    const bool targetsChange = change == "targets" || change == "both";
    if (rounds < 1 || frames < 1 || (!windowChanges && !targetsChange && change != "none")) return Usage();

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "gl_resize_memory: SDL_Init failed: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window = SDL_CreateWindow("gl_resize_memory", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 640,
                                          480, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        std::fprintf(stderr, "gl_resize_memory: no OpenGL 4.5 core context: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetSwapInterval(0);
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    Target target;
    target.Create(640, 480);
    for (int i = 0; i < frames; ++i) Frame(window, target);
    std::vector<long> samples;  // VmRSS after each round
    for (int round = 1; round <= rounds; ++round) {
        for (const Size& size : Sizes) {
            if (windowChanges) {
                SDL_SetWindowSize(window, size.width, size.height);
                PumpEvents();
            }
            if (targetsChange) {
                target.ReleaseTextures();
                target.Create(size.width, size.height);
            }
            for (int i = 0; i < frames; ++i) {
                PumpEvents();
                Frame(window, target);
            }
        }
        samples.push_back(ResidentKb());
        std::printf("round %d (%d steps): VmRSS %ld kB\n", round, round * int(std::size(Sizes)), samples.back());
        std::fflush(stdout);
    }
    // As the soak test judges the program: a low level (the tenth percentile) of the first and last
    // thirds of the rounds, whose middles lie rounds - third apart.
    const int third = std::max(1, rounds / 3);
    const long first = LowLevel({samples.begin(), samples.begin() + third});
    const long last = LowLevel({samples.end() - third, samples.end()});
    std::printf("VmRSS level: %ld kB in the first third of the rounds, %ld kB in the last (%+ld kB, %+.1f kB a "
                "round)\n",
                first, last, last - first, rounds > third ? double(last - first) / double(rounds - third) : 0.0);

    target.ReleaseTextures();
    glDeleteFramebuffers(1, &target.framebuffer);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
