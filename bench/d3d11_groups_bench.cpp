// Frame time of N small draw groups, each with its own WRITE_DISCARD upload of the 224-byte
// constant block and its own texture bind: through the Direct3D 11 layer, and through
// hand-written OpenGL doing the same on the same kind of context (EGL, GL 4.5 core, robust
// access, llvmpipe). Prints the median frame time of each and their ratio.
//
//   d3d11_groups_bench [groups=256] [frames per round=10] [rounds=20]
//
// The two run in alternating short rounds, so that load from elsewhere on a shared machine hits
// both alike; besides the medians of all frames it prints the median of the per-round ratios,
// which a slow stretch during one round cannot move much.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <d3d11.h>
#include <d3dx11.h>

#include "BenchSupport.h"
#include "BenchGl.h"

namespace {

constexpr int TargetWidth = 640, TargetHeight = 480;
constexpr int TextureCount = 8, TextureSize = 64;
constexpr int QuadsPerSide = 4;  // each group: 4×4 quads, 32 triangles
constexpr int ConstantBytes = 224;

struct Vertex {
    float position[3];
    float normal[3];
    float texcoord[2];
};

// Groups in a grid of cells over clip space, each cell split into small quads wound clockwise.
void BuildGrid(int groups, std::vector<Vertex>* vertices, std::vector<uint32_t>* indices)
{
    int side = 1;
    while (side * side < groups) ++side;
    const float cell = 2.0f / side, quad = cell / QuadsPerSide;
    for (int g = 0; g < groups; ++g) {
        const float x0 = -1.0f + (g % side) * cell, y0 = 1.0f - (g / side) * cell;
        for (int q = 0; q < QuadsPerSide * QuadsPerSide; ++q) {
            const float x = x0 + (q % QuadsPerSide) * quad, y = y0 - (q / QuadsPerSide) * quad;
            const uint32_t base = uint32_t(vertices->size());
            vertices->push_back({{x, y, 0.5f}, {0, 0, -1}, {0, 0}});
            vertices->push_back({{x + quad, y, 0.5f}, {0, 0, -1}, {1, 0}});
            vertices->push_back({{x + quad, y - quad, 0.5f}, {0, 0, -1}, {1, 1}});
            vertices->push_back({{x, y - quad, 0.5f}, {0, 0, -1}, {0, 1}});
            // top-left, top-right, bottom-right: clockwise on screen
            for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) indices->push_back(base + i);
        }
    }
}

std::vector<uint32_t> TextureTexels(int seed)
{
    std::vector<uint32_t> texels(TextureSize * TextureSize);
    for (int i = 0; i < TextureSize * TextureSize; ++i) texels[i] = 0xff000000u | uint32_t(i * 2654435761u + seed);
    return texels;
}

// The constant block of one group: identity matrices (the grid is already in clip space) and a
// per-group colour.
void FillConstants(float* block, int group)
{
    std::memset(block, 0, ConstantBytes);
    for (int m = 0; m < 3; ++m)
        for (int i = 0; i < 4; ++i) block[m * 16 + i * 5] = 1.0f;
    block[48] = float(group % 7) / 6.0f;
    block[49] = float(group % 5) / 4.0f;
    block[50] = 1.0f;
    block[51] = 1.0f;
}

using Clock = std::chrono::steady_clock;

// --- Through the layer --------------------------------------------------------------------

struct LayerScene {
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    std::vector<IUnknown*> owned;
    ID3D11RenderTargetView* rtv = nullptr;
    ID3D11DepthStencilView* dsv = nullptr;
    ID3D11Buffer* constants = nullptr;
    ID3D11Texture2D* color = nullptr;
    ID3D11ShaderResourceView* textures[TextureCount] = {};
    std::vector<int> groupStart;

    template <class T>
    T* Keep(T* object)
    {
        if (object) owned.push_back(object);
        return object;
    }

    bool Create(int groups)
    {
        if (FAILED(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION, &device,
                                     nullptr, &context)))
            return false;
        std::string path = QV_GROUPS_BENCH_SHADER;
        std::wstring wide(path.begin(), path.end());
        ID3D10Blob *vsBlob = nullptr, *psBlob = nullptr;
        if (FAILED(D3DX11CompileFromFileW(wide.c_str(), nullptr, nullptr, "VS", "vs_4_0", 0x810, 0, nullptr, &vsBlob,
                                          nullptr, nullptr)) ||
            FAILED(D3DX11CompileFromFileW(wide.c_str(), nullptr, nullptr, "PS", "ps_4_0", 0x810, 0, nullptr, &psBlob,
                                          nullptr, nullptr)))
            return false;
        ID3D11VertexShader* vs = nullptr;
        ID3D11PixelShader* ps = nullptr;
        ID3D11InputLayout* layout = nullptr;
        const D3D11_INPUT_ELEMENT_DESC elements[] = {
            {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
            {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
            {"TEXTURE", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D11_INPUT_PER_VERTEX_DATA, 0}};
        device->CreateVertexShader(vsBlob->GetBufferPointer(), vsBlob->GetBufferSize(), nullptr, &vs);
        device->CreatePixelShader(psBlob->GetBufferPointer(), psBlob->GetBufferSize(), nullptr, &ps);
        device->CreateInputLayout(elements, 3, vsBlob->GetBufferPointer(), vsBlob->GetBufferSize(), &layout);
        vsBlob->Release();
        psBlob->Release();
        if (!Keep(vs) || !Keep(ps) || !Keep(layout)) return false;

        std::vector<Vertex> vertices;
        std::vector<uint32_t> indices;
        BuildGrid(groups, &vertices, &indices);
        ID3D11Buffer *vb = nullptr, *ib = nullptr;
        D3D11_BUFFER_DESC vbDesc{
            UINT(vertices.size() * sizeof(Vertex)), D3D11_USAGE_DEFAULT, D3D11_BIND_VERTEX_BUFFER, 0, 0, 0};
        D3D11_SUBRESOURCE_DATA vbData{vertices.data(), 0, 0};
        D3D11_BUFFER_DESC ibDesc{UINT(indices.size() * 4), D3D11_USAGE_DEFAULT, D3D11_BIND_INDEX_BUFFER, 0, 0, 0};
        D3D11_SUBRESOURCE_DATA ibData{indices.data(), 0, 0};
        D3D11_BUFFER_DESC cbDesc{
            ConstantBytes, D3D11_USAGE_DYNAMIC, D3D11_BIND_CONSTANT_BUFFER, D3D11_CPU_ACCESS_WRITE, 0, 0};
        device->CreateBuffer(&vbDesc, &vbData, &vb);
        device->CreateBuffer(&ibDesc, &ibData, &ib);
        device->CreateBuffer(&cbDesc, nullptr, &constants);
        if (!Keep(vb) || !Keep(ib) || !Keep(constants)) return false;

        D3D11_TEXTURE2D_DESC texDesc{TextureSize,
                                     TextureSize,
                                     1,
                                     1,
                                     DXGI_FORMAT_R8G8B8A8_UNORM,
                                     {1, 0},
                                     D3D11_USAGE_DEFAULT,
                                     D3D11_BIND_SHADER_RESOURCE,
                                     0,
                                     0};
        for (int t = 0; t < TextureCount; ++t) {
            std::vector<uint32_t> texels = TextureTexels(t);
            D3D11_SUBRESOURCE_DATA data{texels.data(), TextureSize * 4, 0};
            ID3D11Texture2D* texture = nullptr;
            device->CreateTexture2D(&texDesc, &data, &texture);
            if (!texture) return false;
            device->CreateShaderResourceView(texture, nullptr, &textures[t]);
            texture->Release();
            if (!Keep(textures[t])) return false;
        }
        D3D11_TEXTURE2D_DESC rtDesc{TargetWidth,
                                    TargetHeight,
                                    1,
                                    1,
                                    DXGI_FORMAT_R8G8B8A8_UNORM,
                                    {1, 0},
                                    D3D11_USAGE_DEFAULT,
                                    D3D11_BIND_RENDER_TARGET,
                                    0,
                                    0};
        ID3D11Texture2D* depth = nullptr;
        device->CreateTexture2D(&rtDesc, nullptr, &color);
        rtDesc.Format = DXGI_FORMAT_D32_FLOAT_S8X24_UINT;
        rtDesc.BindFlags = D3D11_BIND_DEPTH_STENCIL;
        device->CreateTexture2D(&rtDesc, nullptr, &depth);
        if (!Keep(color) || !Keep(depth)) return false;
        device->CreateRenderTargetView(color, nullptr, &rtv);
        device->CreateDepthStencilView(depth, nullptr, &dsv);
        if (!Keep(rtv) || !Keep(dsv)) return false;

        D3D11_SAMPLER_DESC sd{};
        sd.Filter = D3D11_FILTER_ANISOTROPIC;
        sd.AddressU = sd.AddressV = sd.AddressW = D3D11_TEXTURE_ADDRESS_WRAP;
        sd.MaxAnisotropy = 2;
        sd.ComparisonFunc = D3D11_COMPARISON_NEVER;
        sd.MinLOD = -D3D11_FLOAT32_MAX;
        sd.MaxLOD = D3D11_FLOAT32_MAX;
        ID3D11SamplerState* sampler = nullptr;
        device->CreateSamplerState(&sd, &sampler);
        D3D11_RASTERIZER_DESC rd{D3D11_FILL_SOLID, D3D11_CULL_BACK, FALSE, 0, 0, 0, TRUE, FALSE, FALSE, FALSE};
        ID3D11RasterizerState* rasterizer = nullptr;
        device->CreateRasterizerState(&rd, &rasterizer);
        if (!Keep(sampler) || !Keep(rasterizer)) return false;

        // Everything but the per-group work is bound once, as the program's frame does per pass.
        const UINT stride = sizeof(Vertex), offset = 0;
        context->IASetInputLayout(layout);
        context->IASetVertexBuffers(0, 1, &vb, &stride, &offset);
        context->IASetIndexBuffer(ib, DXGI_FORMAT_R32_UINT, 0);
        context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        context->VSSetShader(vs, nullptr, 0);
        context->PSSetShader(ps, nullptr, 0);
        context->VSSetConstantBuffers(0, 1, &constants);
        context->PSSetConstantBuffers(0, 1, &constants);
        context->PSSetSamplers(0, 1, &sampler);
        context->RSSetState(rasterizer);
        const D3D11_VIEWPORT viewport{0, 0, TargetWidth, TargetHeight, 0, 1};
        context->RSSetViewports(1, &viewport);
        context->OMSetRenderTargets(1, &rtv, dsv);
        return true;
    }

    void Frame(int groups)
    {
        const float clear[4] = {0.0f, 0.125f, 0.3f, 1.0f};
        context->ClearRenderTargetView(rtv, clear);
        context->ClearDepthStencilView(dsv, D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, 1.0f, 0);
        const int perGroup = QuadsPerSide * QuadsPerSide * 6;
        float block[ConstantBytes / 4];
        for (int g = 0; g < groups; ++g) {
            FillConstants(block, g);
            D3D11_MAPPED_SUBRESOURCE mapped{};
            if (FAILED(context->Map(constants, 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped))) return;
            std::memcpy(mapped.pData, block, ConstantBytes);
            context->Unmap(constants, 0);
            context->PSSetShaderResources(0, 1, &textures[g % TextureCount]);
            context->DrawIndexed(perGroup, g * perGroup, 0);
        }
        glFinish();  // the layer's GL context is current: wait until the frame is drawn
    }

    // The last frame's pixels, top row first, through a staging copy.
    std::vector<uint32_t> Pixels()
    {
        D3D11_TEXTURE2D_DESC desc{
            TargetWidth, TargetHeight,          1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_STAGING,
            0,           D3D11_CPU_ACCESS_READ, 0};
        ID3D11Texture2D* staging = nullptr;
        std::vector<uint32_t> pixels;
        if (FAILED(device->CreateTexture2D(&desc, nullptr, &staging))) return pixels;
        context->CopyResource(staging, color);
        D3D11_MAPPED_SUBRESOURCE mapped{};
        if (SUCCEEDED(context->Map(staging, 0, D3D11_MAP_READ, 0, &mapped))) {
            for (int y = 0; y < TargetHeight; ++y) {
                const auto* row = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(mapped.pData) +
                                                                    size_t(y) * mapped.RowPitch);
                pixels.insert(pixels.end(), row, row + TargetWidth);
            }
            context->Unmap(staging, 0);
        }
        staging->Release();
        return pixels;
    }

    void Release()
    {
        if (context) context->ClearState();
        for (IUnknown* object : owned) object->Release();
        owned.clear();
        if (context) context->Release();
        if (device) device->Release();
        context = nullptr;
        device = nullptr;
    }
};

// --- Hand-written GL ----------------------------------------------------------------------

const char* VertexSource = R"(#version 450 core
layout(std140, binding = 0) uniform FrameConstants {
    mat4 world; mat4 view; mat4 projection; vec4 diffuse; vec3 viewLightPosition; float reserved;
};
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texcoord;
out vec2 uv;
void main() {
    gl_Position = ((vec4(position, 1.0) * world) * view) * projection;
    uv = texcoord;
})";

const char* FragmentSource = R"(#version 450 core
layout(std140, binding = 0) uniform FrameConstants {
    mat4 world; mat4 view; mat4 projection; vec4 diffuse; vec3 viewLightPosition; float reserved;
};
layout(binding = 0) uniform sampler2D diffuseTexture;
in vec2 uv;
layout(location = 0) out vec4 color;
void main() { color = texture(diffuseTexture, uv) * diffuse; })";

struct GlScene {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext eglContext = EGL_NO_CONTEXT;
    GLuint program = 0, vao = 0, vb = 0, ib = 0, sampler = 0;
    GLuint textures[TextureCount] = {};
    GlConstantRing ring;
    GlTarget target;

    bool MakeCurrent() { return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, eglContext); }

    bool Create(int groups)
    {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API))
            return false;
        eglContext = CreateCoreContext(display);
        if (eglContext == EGL_NO_CONTEXT || !MakeCurrent()) return false;

        GLuint vs = glCreateShader(GL_VERTEX_SHADER), fs = glCreateShader(GL_FRAGMENT_SHADER);
        glShaderSource(vs, 1, &VertexSource, nullptr);
        glShaderSource(fs, 1, &FragmentSource, nullptr);
        glCompileShader(vs);
        glCompileShader(fs);
        program = glCreateProgram();
        glAttachShader(program, vs);
        glAttachShader(program, fs);
        glLinkProgram(program);
        glDeleteShader(vs);
        glDeleteShader(fs);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (!linked) return false;

        std::vector<Vertex> vertices;
        std::vector<uint32_t> indices;
        BuildGrid(groups, &vertices, &indices);
        glCreateBuffers(1, &vb);
        glNamedBufferStorage(vb, vertices.size() * sizeof(Vertex), vertices.data(), 0);
        glCreateBuffers(1, &ib);
        glNamedBufferStorage(ib, indices.size() * 4, indices.data(), 0);
        glCreateVertexArrays(1, &vao);
        glVertexArrayVertexBuffer(vao, 0, vb, 0, sizeof(Vertex));
        glVertexArrayElementBuffer(vao, ib);
        const GLint sizes[3] = {3, 3, 2};
        const GLuint offsets[3] = {0, 12, 24};
        for (GLuint a = 0; a < 3; ++a) {
            glEnableVertexArrayAttrib(vao, a);
            glVertexArrayAttribFormat(vao, a, sizes[a], GL_FLOAT, GL_FALSE, offsets[a]);
            glVertexArrayAttribBinding(vao, a, 0);
        }
        if (!ring.Create()) return false;

        glCreateTextures(GL_TEXTURE_2D, TextureCount, textures);
        for (int t = 0; t < TextureCount; ++t) {
            std::vector<uint32_t> texels = TextureTexels(t);
            glTextureStorage2D(textures[t], 1, GL_RGBA8, TextureSize, TextureSize);
            glTextureSubImage2D(textures[t], 0, 0, 0, TextureSize, TextureSize, GL_RGBA, GL_UNSIGNED_BYTE,
                                texels.data());
        }
        glCreateSamplers(1, &sampler);
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT, 2.0f);

        target.Create(TargetWidth, TargetHeight);

        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.framebuffer);
        glViewport(0, 0, TargetWidth, TargetHeight);
        glUseProgram(program);
        glBindVertexArray(vao);
        glBindSampler(0, sampler);
        return glGetError() == GL_NO_ERROR;
    }

    void Frame(int groups)
    {
        const float clear[4] = {0.0f, 0.125f, 0.3f, 1.0f};
        glClearNamedFramebufferfv(target.framebuffer, GL_COLOR, 0, clear);
        glClearNamedFramebufferfi(target.framebuffer, GL_DEPTH_STENCIL, 0, 1.0f, 0);
        const int perGroup = QuadsPerSide * QuadsPerSide * 6;
        float block[ConstantBytes / 4];
        for (int g = 0; g < groups; ++g) {
            FillConstants(block, g);
            const GLintptr offset = ring.NextSlot();
            std::memcpy(ring.Memory(offset), block, ConstantBytes);
            glBindBufferRange(GL_UNIFORM_BUFFER, 0, ring.Buffer(), offset, ConstantBytes);
            glBindTextureUnit(0, textures[g % TextureCount]);
            glDrawElements(GL_TRIANGLES, perGroup, GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>(uintptr_t(g) * perGroup * 4));
        }
        glFinish();
    }

    // The last frame's pixels, top row first (GL's rows run bottom-up).
    std::vector<uint32_t> Pixels()
    {
        std::vector<uint32_t> bottomUp(size_t(TargetWidth) * TargetHeight), pixels;
        glGetTextureImage(target.color, 0, GL_RGBA, GL_UNSIGNED_BYTE, GLsizei(bottomUp.size() * 4), bottomUp.data());
        for (int y = TargetHeight - 1; y >= 0; --y)
            pixels.insert(pixels.end(), bottomUp.begin() + size_t(y) * TargetWidth,
                          bottomUp.begin() + size_t(y + 1) * TargetWidth);
        return pixels;
    }

    void Release()
    {
        if (eglContext == EGL_NO_CONTEXT) return;
        MakeCurrent();
        ring.Release();
        GLuint buffers[2] = {vb, ib};
        glDeleteBuffers(2, buffers);
        glDeleteTextures(TextureCount, textures);
        target.Release();
        glDeleteVertexArrays(1, &vao);
        glDeleteSamplers(1, &sampler);
        glDeleteProgram(program);
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, eglContext);
        eglTerminate(display);
        eglContext = EGL_NO_CONTEXT;
    }
};

template <class Scene>
void TimeFrames(Scene& scene, int groups, int frames, std::vector<double>* times)
{
    for (int f = 0; f < frames; ++f) {
        auto start = Clock::now();
        scene.Frame(groups);
        times->push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const int groups = argc > 1 ? std::max(1, std::atoi(argv[1])) : 256;
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20;
    std::vector<double> layerTimes, glTimes, roundRatios;
    std::vector<uint32_t> layerPixels, glPixels;
    GlScene gl;
    // Rounds alternate between the two so that a slow stretch of a shared machine hits both.
    for (int round = 0; round < rounds; ++round) {
        LayerScene layer;
        if (!layer.Create(groups)) {
            std::fprintf(stderr, "could not set up the Direct3D 11 scene\n");
            return 1;
        }
        TimeFrames(layer, groups, 5, &layerTimes);  // warm-up: llvmpipe compiles its variants
        layerTimes.resize(layerTimes.size() - 5);
        std::vector<double> layerRound, glRound;
        TimeFrames(layer, groups, frames, &layerRound);
        layerTimes.insert(layerTimes.end(), layerRound.begin(), layerRound.end());
        if (round == 0) layerPixels = layer.Pixels();
        layer.Release();

        if (round == 0 && !gl.Create(groups)) {
            std::fprintf(stderr, "could not set up the GL scene\n");
            return 1;
        }
        gl.MakeCurrent();
        TimeFrames(gl, groups, 5, &glTimes);
        glTimes.resize(glTimes.size() - 5);
        TimeFrames(gl, groups, frames, &glRound);
        glTimes.insert(glTimes.end(), glRound.begin(), glRound.end());
        roundRatios.push_back(Median(layerRound) / Median(glRound));
        if (round == 0) glPixels = gl.Pixels();
        eglMakeCurrent(gl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    gl.Release();
    const double layerMs = Median(layerTimes), glMs = Median(glTimes);
    std::printf("groups per frame: %d (each: WRITE_DISCARD of %d bytes, texture bind, %d-index draw), "
                "640x480, %d frames per path\n",
                groups, ConstantBytes, QuadsPerSide * QuadsPerSide * 6, int(layerTimes.size()));
    std::printf("Direct3D 11 layer:    median %.3f ms/frame\n", layerMs);
    std::printf("hand-written OpenGL:  median %.3f ms/frame\n", glMs);
    std::printf("ratio layer/GL:       %.3f (of the medians), %.3f (median of %d per-round ratios)\n",
                glMs > 0 ? layerMs / glMs : 0.0, Median(roundRatios), rounds);
    // Both must have drawn the same picture, or the comparison means nothing.
    const bool same = !layerPixels.empty() && layerPixels == glPixels;
    std::printf("same image:           %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
