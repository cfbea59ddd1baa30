// Screenshot.cpp: draws one frame offscreen with the clock frozen and writes it as a PNG, for
// the pictures under docs/. Usage: render_screenshot OUTPUT.png adjacency|plain [ms] [distance]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "Frame.h"
#include "Graphics.h"
#include "RenderTestSupport.h"
#include "SharedState.h"
#include "StartupFailure.h"

int main(int argc, char** argv)
{
    if (argc < 3 || (std::strcmp(argv[2], "adjacency") != 0 && std::strcmp(argv[2], "plain") != 0)) {
        std::fprintf(stderr, "usage: %s OUTPUT.png adjacency|plain [milliseconds] [camera distance]\n", argv[0]);
        return 2;
    }
    const std::string output = std::filesystem::absolute(argv[1]).string();
    UseAdjacency = std::strcmp(argv[2], "adjacency") == 0;
    const uint32_t milliseconds = argc > 3 ? static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10)) : 0;
    CameraDistance = argc > 4 ? std::strtof(argv[4], nullptr) : MinCameraDistance;

    WorkingDirectory directory;
    if (!directory.ok()) {
        std::fprintf(stderr, "render_screenshot: cannot enter %s/tests\n", SourceDirectory().c_str());
        return 1;
    }
    int status = 0;
    {
        OffscreenRenderer renderer(640, 480, milliseconds);
        std::vector<uint8_t> rgba;
        if (FAILED(renderer.result())) {
            std::fprintf(stderr, "render_screenshot: %s\n", StartupFailureText);
            status = 1;
        } else {
            DrawFrame();
            if (!ReadPixels(OffscreenTarget, &rgba) || !WritePng(output, rgba, 640, 480)) {
                std::fprintf(stderr, "render_screenshot: cannot read the frame back or write %s\n", output.c_str());
                status = 1;
            }
        }
    }
    return status;
}
