// Start-up time of the program, from the process's start to its first presented frame, split
// into the steps CreateGraphics takes (each called here in the same order, with the program's
// own functions), and a second breakdown of the shader step: glslang (HLSL to SPIR-V, its
// one-time set-up included), SPIRV-Cross (SPIR-V to GLSL) and GL program creation.
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
#include "ModelObjects.h"
#include "Pipelines.h"

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

// The program's start-up, step by step, ending with its first frame presented.
int ProgramRun(double t0)
{
    Steps steps;
    steps.Start(t0);
    steps.Mark("process start to main");
    if (!CreateAppWindow(GetModuleHandleW(nullptr))) return 2;
    steps.Mark("window");

    RECT client = {};
    GetClientRect(MainWindow, &client);
    DXGI_SWAP_CHAIN_DESC desc = {};
    desc.BufferDesc.Width = UINT(client.right - client.left);
    desc.BufferDesc.Height = UINT(client.bottom - client.top);
    desc.BufferDesc.RefreshRate = {60, 1};
    desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 3;
    desc.OutputWindow = MainWindow;
    desc.Windowed = TRUE;
    desc.Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;
    const D3D_FEATURE_LEVEL levels[3] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1, D3D_FEATURE_LEVEL_10_0};
    // As CreateGraphics: hardware first (llvmpipe is refused as hardware), then WARP.
    HRESULT hr = E_FAIL;
    for (const D3D_DRIVER_TYPE type : {D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP, D3D_DRIVER_TYPE_REFERENCE}) {
        hr = D3D11CreateDeviceAndSwapChain(nullptr, type, nullptr, 0, levels, 3, D3D11_SDK_VERSION, &desc, &SwapChain,
                                           &Device, nullptr, &ImmediateContext);
        if (SUCCEEDED(hr)) break;
    }
    if (FAILED(hr)) return 2;
    steps.Mark("device and swap chain");

    if (FAILED(CreateScenePipeline(Device)) || FAILED(CreateShadowVolumePipeline(Device)) ||
        FAILED(CreateShadowPipeline(Device)))
        return 2;
    steps.Mark("shaders and pipeline states");

    D3D11_BUFFER_DESC constants = {
        sizeof(FrameConstants), D3D11_USAGE_DYNAMIC, D3D11_BIND_CONSTANT_BUFFER, D3D11_CPU_ACCESS_WRITE, 0, 0};
    if (FAILED(Device->CreateBuffer(&constants, nullptr, &FrameConstantBuffer))) return 2;
    char mtllib[80] = "";
    if (!Mesh.Load(Device, ImmediateContext, mtllib)) return 2;
    steps.Mark("model");
    if (!Materials.Load(mtllib, Device)) return 2;
    steps.Mark("materials and textures");

    D3D11_SAMPLER_DESC sampler = {};
    sampler.Filter = D3D11_FILTER_MIN_MAG_MIP_LINEAR;
    sampler.AddressU = sampler.AddressV = sampler.AddressW = D3D11_TEXTURE_ADDRESS_WRAP;
    sampler.MaxAnisotropy = 2;
    sampler.ComparisonFunc = D3D11_COMPARISON_NEVER;
    sampler.MinLOD = -3.402823466e+38f;
    sampler.MaxLOD = 3.402823466e+38f;
    if (FAILED(Device->CreateSamplerState(&sampler, &LinearWrapSampler)) || FAILED(CreateRenderTargets())) return 2;
    steps.Mark("sampler and targets");

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

// The shader step alone, in parts: each entry point compiled (glslang), translated (SPIRV-Cross),
// and made into a shader object (translation again, then GL compile and link).
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

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && (!std::strcmp(argv[1], "program") || !std::strcmp(argv[1], "shaders"))) {
        const double t0 = std::atof(argv[2]);
        return !std::strcmp(argv[1], "program") ? ProgramRun(t0) : ShaderRun(t0);
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("QV_TEST_TIME_MS", "700", 0);
    // The program finds its data as "..\misc\": run beside the source tree's misc/.
    const char* source = std::getenv("QV_SOURCE_DIR");
    std::filesystem::current_path(std::filesystem::path(source ? source : QV_SOURCE_DIR) / "tests");
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();

    for (const char* mode : {"program", "shaders"}) {
        std::map<std::string, std::vector<double>> times;
        std::vector<std::string> order;
        for (int run = 0; run < runs; ++run)
            if (!RunChild(self.c_str(), mode, &times, &order)) {
                std::fprintf(stderr, "the %s run failed\n", mode);
                return 1;
            }
        std::printf(!std::strcmp(mode, "program") ? "start-up, median of %d fresh processes (ms):\n"
                                                  : "\nthe shader step in parts, median of %d fresh processes (ms):\n",
                    runs);
        double total = 0;
        for (const std::string& name : order) {
            const double ms = Median(times[name]);
            std::printf("  %-58s %8.2f\n", name.c_str(), ms);
            if (name[0] != '(') total += ms;
        }
        if (!std::strcmp(mode, "program"))
            std::printf("  %-58s %8.2f\n", "process start to first presented frame (sum of medians)", total);
    }
    return 0;
}
