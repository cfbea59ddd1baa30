// Start-up time of the program, from the process's start to its first presented frame, with the
// program's own functions: CreateGraphics whole, then its steps (Graphics.h) one at a time, and
// a breakdown of the shader work inside CreatePipelines by layer part: glslang (HLSL to SPIR-V,
// its one-time set-up included), SPIRV-Cross (SPIR-V to GLSL) and GL program creation.
//
//   startup_bench [runs=7]
//
// Every run is a fresh process (this program started again with a step name), so that every
// one-time cost is counted as the program pays it; the window is an SDL offscreen window unless
// SDL_VIDEODRIVER says otherwise. Prints the median of each step.
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <epoxy/gl.h>

#include "../platform/internal/ShaderBytecode.h"
#include <d3dx11.h>

#include "AppShell.h"
#include "BenchSupport.h"
#include "Pipelines.h"
#include "StartupFailure.h"

extern char** environ;

namespace {

double NowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The child's steps: name and milliseconds, printed as "step <name> <ms>" lines.
struct Steps {
    double last = 0;
    void Start(double t0) { last = t0; }
    void Mark(const char* name)
    {
        const double now = NowMs();
        std::printf("step %s %.3f\n", name, now - last);
        last = now;
    }
};

// The program's start-up as wWinMain runs it: the window, CreateGraphics, and its first frames.
int ProgramRun(double t0)
{
    Steps steps;
    steps.Start(t0);
    steps.Mark("process start to main");
    if (!CreateAppWindow(GetModuleHandleW(nullptr))) return 2;
    steps.Mark("window");
    if (FAILED(CreateGraphics())) {
        std::fprintf(stderr, "%s\n", StartupFailureText);
        return 2;
    }
    steps.Mark("CreateGraphics");
    RenderFrame();
    glFinish();
    steps.Mark("first frame presented");
    RenderFrame();
    glFinish();
    steps.Mark("(second frame)");
    ReleaseGraphics();
    DestroyWindow(MainWindow);
    return 0;
}

// CreateGraphics' own steps (Graphics.h), called one at a time in its order. A step that
// CreateGraphics gains and this list lacks shows as the gap between CreateGraphics whole and the
// sum of these.
struct GraphicsStep {
    const char* name;
    HRESULT (*create)();
};
const GraphicsStep GraphicsSteps[] = {
    {"CreateDeviceAndSwapChain", CreateDeviceAndSwapChain},
    {"CreatePipelines", CreatePipelines},
    {"CreateFrameConstantBuffer", CreateFrameConstantBuffer},
    {"LoadMesh", LoadMesh},
    {"LoadMaterials", LoadMaterials},
    {"CreateLinearWrapSampler", CreateLinearWrapSampler},
    {"CreateRenderTargets", CreateRenderTargets},
};

int StepRun(double)
{
    if (!CreateAppWindow(GetModuleHandleW(nullptr))) return 2;
    Steps steps;
    steps.Start(NowMs());
    for (const GraphicsStep& step : GraphicsSteps) {
        if (FAILED(step.create())) {
            std::fprintf(stderr, "%s\n", StartupFailureText);
            return 2;
        }
        steps.Mark(step.name);
    }
    ReleaseGraphics();
    DestroyWindow(MainWindow);
    return 0;
}

// The shader work of CreatePipelines, below the program, by layer part: the seven entry points
// of the shader source compiled (glslang), translated (SPIRV-Cross), and made into shader objects
// (translation again, then GL compile and link). The entry points and flags are those that
// render/Pipelines.cpp compiles; its input layout and states are left out.
int ShaderRun(double t0)
{
    Steps steps;
    steps.Start(t0);
    if (!CreateAppWindow(GetModuleHandleW(nullptr))) return 2;
    if (FAILED(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION, &Device,
                                 nullptr, &ImmediateContext)))
        return 2;
    const char* entries[7][2] = {{"VS", "vs_4_0"},      {"PS", "ps_4_0"},   {"VS_SV", "vs_4_0"}, {"GS_SV_1", "gs_4_0"},
                                 {"GS_SV_2", "gs_4_0"}, {"VS_S", "vs_4_0"}, {"PS_S", "ps_4_0"}};
    std::vector<ID3D10Blob*> blobs;
    steps.Mark("(set-up)");
    for (int i = 0; i < 7; ++i) {
        ID3D10Blob* blob = nullptr;
        if (FAILED(D3DX11CompileFromFileW(ShaderSourceFile, nullptr, nullptr, entries[i][0], entries[i][1], 0x810, 0,
                                          nullptr, &blob, nullptr, nullptr)))
            return 2;
        blobs.push_back(blob);
        steps.Mark(i == 0 ? "glslang: first entry point (with one-time set-up)" : "glslang: each further entry point");
    }
    for (ID3D10Blob* blob : blobs) {
        platform::TranslatedShader shader;
        std::string error;
        if (!platform::TranslateShaderBytecode(blob->GetBufferPointer(), blob->GetBufferSize(), &shader, &error))
            return 2;
    }
    steps.Mark("SPIRV-Cross: all seven");
    for (int i = 0; i < 7; ++i) {
        ID3D11DeviceChild* object = nullptr;
        const void* code = blobs[i]->GetBufferPointer();
        const SIZE_T size = blobs[i]->GetBufferSize();
        HRESULT hr = E_FAIL;
        if (entries[i][1][0] == 'v')
            hr = Device->CreateVertexShader(code, size, nullptr, reinterpret_cast<ID3D11VertexShader**>(&object));
        else if (entries[i][1][0] == 'g')
            hr = Device->CreateGeometryShader(code, size, nullptr, reinterpret_cast<ID3D11GeometryShader**>(&object));
        else
            hr = Device->CreatePixelShader(code, size, nullptr, reinterpret_cast<ID3D11PixelShader**>(&object));
        if (FAILED(hr)) return 2;
        object->Release();
        blobs[i]->Release();
    }
    glFinish();
    steps.Mark("shader objects: all seven (translation and GL program)");
    ImmediateContext->Release();
    Device->Release();
    Device = nullptr;
    ImmediateContext = nullptr;
    DestroyWindow(MainWindow);
    return 0;
}

// Runs this program again as `mode` and collects its step lines into *times (appending).
bool RunChild(const char* self, const char* mode, std::map<std::string, std::vector<double>>* times,
              std::vector<std::string>* order)
{
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    const std::string start = std::to_string(NowMs());
    char* argv[] = {const_cast<char*>(self), const_cast<char*>(mode), const_cast<char*>(start.c_str()), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    if (spawned != 0) {
        close(pipe_fds[0]);
        return false;
    }
    std::string output;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) output.append(buffer, size_t(n));
    close(pipe_fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    size_t at = 0;
    while ((at = output.find("step ", at)) != std::string::npos) {
        const size_t end = output.find('\n', at);
        const std::string line = output.substr(at + 5, end - at - 5);
        const size_t space = line.rfind(' ');
        const std::string name = line.substr(0, space);
        if (!times->count(name)) order->push_back(name);
        (*times)[name].push_back(std::atof(line.c_str() + space + 1));
        at = end;
    }
    return true;
}

// What a child process runs, and the heading of its table.
struct Mode {
    const char* name;
    int (*run)(double t0);
    const char* heading;
};
const Mode Modes[] = {
    {"program", ProgramRun, "start-up, median of %d fresh processes (ms):\n"},
    {"steps", StepRun, "\nCreateGraphics step by step, median of %d fresh processes (ms):\n"},
    {"shaders", ShaderRun, "\nthe shaders of CreatePipelines by layer part, median of %d fresh processes (ms):\n"},
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3)
        for (const Mode& mode : Modes)
            if (!std::strcmp(argv[1], mode.name)) return mode.run(std::atof(argv[2]));
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("QV_TEST_TIME_MS", "700", 0);
    // The program finds its data as "..\misc\": run beside the source tree's misc/.
    const char* source = std::getenv("QV_SOURCE_DIR");
    std::filesystem::current_path(std::filesystem::path(source ? source : QV_SOURCE_DIR) / "tests");
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();

    // The modes take turns, run by run, so that a change in the machine's load falls on all of them.
    const size_t modeCount = sizeof Modes / sizeof Modes[0];
    std::vector<std::map<std::string, std::vector<double>>> times(modeCount);
    std::vector<std::vector<std::string>> orders(modeCount);
    for (int run = 0; run < runs; ++run)
        for (size_t m = 0; m < modeCount; ++m)
            if (!RunChild(self.c_str(), Modes[m].name, &times[m], &orders[m])) {
                std::fprintf(stderr, "the %s run failed\n", Modes[m].name);
                return 1;
            }
    double wholeMs = 0;
    for (size_t m = 0; m < modeCount; ++m) {
        const Mode& mode = Modes[m];
        std::printf(mode.heading, runs);
        double total = 0;
        for (const std::string& name : orders[m]) {
            const double ms = Median(times[m][name]);
            std::printf("  %-58s %8.2f\n", name.c_str(), ms);
            if (name[0] != '(') total += ms;
            if (name == "CreateGraphics") wholeMs = ms;
        }
        if (mode.run == ProgramRun)
            std::printf("  %-58s %8.2f\n", "process start to first presented frame (sum of medians)", total);
        if (mode.run == StepRun) {
            std::printf("  %-58s %8.2f\n", "sum of the steps", total);
            std::printf("  %-58s %8.2f\n", "CreateGraphics whole less the sum of its steps", wholeMs - total);
        }
    }
    return 0;
}
