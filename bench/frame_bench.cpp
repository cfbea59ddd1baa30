// The program's frame (DrawFrame: clear, transforms, three passes) through the Direct3D 11
// layer, offscreen at 640 x 480 with the clock frozen, against hand-written OpenGL 4.5 that draws
// the same three passes with the same GLSL (the layer's own translation of Quenvale.sh), the same
// geometry, textures and states, and the least GL work: one pipeline object per pass, a
// persistently mapped constant ring, only the uniform bindings each pass reads. Both in both
// shadow-volume methods, for misc/kuma.obj and for a 21844-triangle torus (the most triangles a
// model may have), wound outwards, inside out, and open, on the device the program's own
// driver order gives (HARDWARE, else WARP), the hand-written half on the same EGL display.
// Prints each half's GL vendor, renderer and version, the median frame time of each (glFinish
// included), their ratio and frames per second, both in wall-clock time and in the process's
// CPU time (llvmpipe's threads included, so the second is the one to trust on a shared
// machine), and whether the two drew the same picture.
//
//   frame_bench [frames per round=10] [rounds=10]
//
// Run from anywhere: the data is found through QV_SOURCE_DIR or the source tree it was built from.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <d3d11.h>
#include <d3dx11.h>

#include "../platform/d3dx11/ImageDecode.h"
#include "../platform/internal/ShaderBytecode.h"
#include "BenchGl.h"
#include "BenchSupport.h"
#include "Frame.h"
#include "Graphics.h"
#include "ModelObjects.h"
#include "Pipelines.h"
#include "RenderTestSupport.h"
#include "SharedState.h"
#include "TransformMath.h"

namespace {

constexpr int TargetWidth = 640, TargetHeight = 480;
constexpr uint32_t FrozenMs = 700;  // a three-quarter view with shadows on the body
using Clock = std::chrono::steady_clock;

// A closed torus of 86 x 127 quads, each split into two triangles: 21844 triangles, the most a
// model may have. Every position is distinct and every edge longer than the merge distance. Its
// faces are wound outwards as the scene pass wants its fronts, or inwards when `insideOut` (the
// camera then sees the far inside of the tube, and the volumes come from the other side). With
// `open`, one ring of quads is left out: 21590 triangles, open at both ends, so that every
// triangle makes a volume from whichever side of the light it faces.
std::string TorusObj(bool insideOut, bool open)
{
    const int rings = 86, segments = 127;
    std::string obj = "mtllib ..\\misc\\kuma.mtl\ng torus\nusemtl fur\n";
    char line[160];
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const double a = 2 * pi * i / rings, b = 2 * pi * j / segments, r = 1 + 0.35 * std::cos(b);
            std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\nvn %.6f %.6f %.6f\nvt %.6f %.6f\n", r * std::cos(a),
                          0.35 * std::sin(b), r * std::sin(a), std::cos(b) * std::cos(a), std::sin(b),
                          std::cos(b) * std::sin(a), 4.0 * i / rings, 1.0 * j / segments);
            obj += line;
        }
    for (int i = open ? 1 : 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const int p = i * segments + j + 1, q = ((i + 1) % rings) * segments + j + 1,
                      r = ((i + 1) % rings) * segments + (j + 1) % segments + 1,
                      s = i * segments + (j + 1) % segments + 1;
            const int b = insideOut ? q : r, c = insideOut ? r : q, e = insideOut ? r : s, f = insideOut ? s : r;
            std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d\nf %d/%d/%d %d/%d/%d %d/%d/%d\n", p, p, p, b,
                          b, b, c, c, c, p, p, p, e, e, e, f, f, f);
            obj += line;
        }
    return obj;
}

// --- What both paths draw ------------------------------------------------------------------

// The loaded model as the layer holds it, read back once, so the GL path draws the very same data.
struct ModelData {
    std::vector<uint8_t> vertices, indices, adjacency;
    struct Group {
        int start = 0, count = 0;
        float diffuse[4] = {1, 1, 1, 1};
        float volumeSides = 0.0f;  // as the frame uploads it for the group
        std::string texture;       // the file, as the material library names it
    };
    std::vector<Group> groups;
    int triangles = 0;
};

bool CaptureModel(ModelData* model)
{
    if (!ReadBufferBytes(Mesh.GetVertexBuffer(), &model->vertices) ||
        !ReadBufferBytes(Mesh.GetIndexBuffer(), &model->indices) ||
        !ReadBufferBytes(Mesh.GetAdjacencyIndexBuffer(), &model->adjacency))
        return false;
    model->triangles = Mesh.GetIndexCount() / 3;
    ID3D11ShaderResourceView* fallback = Materials.GetTextureOrDefault(nullptr);
    for (int i = 0; i < Mesh.GetGroupCount(); ++i) {
        const MeshGroup& g = Mesh.GetGroups()[i];
        if (g.indexCount <= 0) continue;
        ModelData::Group group;
        group.start = g.startIndex;
        group.count = g.indexCount;
        group.volumeSides = float(int(Mesh.GetGroupVolumeSides()[i]));
        const Material* material = Materials.FindMaterial(g.materialName);
        group.texture = "..\\misc\\default.bmp";
        if (material) {
            std::memcpy(group.diffuse, material->Kd, sizeof material->Kd);
            group.diffuse[3] = material->d;
            if (Materials.GetTextureOrDefault(material->map_Kd) != fallback) group.texture = material->map_Kd;
        }
        model->groups.push_back(group);
    }
    return true;
}

// The frame's constants, computed as DrawFrame computes them.
void FillConstants(FrameConstants* c, const BoundingSphere& sphere)
{
    const Matrix4x4 view = FrameViewMatrix(CameraDistance);
    c->view = TransposeMatrix(view);
    const Vector3 light = FrameLightPosition(view);
    c->viewLightPosition[0] = light.x;
    c->viewLightPosition[1] = light.y;
    c->viewLightPosition[2] = light.z;
    c->world =
        TransposeMatrix(FrameWorldMatrix(FrozenMs, sphere.center.x, sphere.center.y, sphere.center.z, sphere.radius));
}

const char* GlString(GLenum name)
{
    const char* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "(none)";
}

// --- Hand-written GL ------------------------------------------------------------------------

struct GlScene {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint programs[7] = {};
    GLuint scenePipeline = 0, volumeAdjPipeline = 0, volumePlainPipeline = 0, shadowPipeline = 0;
    GLuint vb = 0, ib = 0, adjIb = 0, plainVao = 0, adjVao = 0, emptyVao = 0;
    GLuint sampler = 0;
    std::map<std::string, GLuint> textures;
    std::vector<GLuint> groupTextures;
    GLuint vsBinding = 0, gsBinding = 0, psBinding = 0, textureUnit = 0;
    GlConstantRing ring;
    GlTarget target;
    const ModelData* model = nullptr;
    BoundingSphere sphere{};
    FrameConstants constants{};

    bool MakeCurrent() { return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context); }

    // On `layerDisplay`, the EGL display of the layer's device: both halves run on the device
    // the layer chose (a GPU where HARDWARE starts, else llvmpipe).
    bool Create(const ModelData& data, const std::vector<platform::TranslatedShader>& shaders, EGLDisplay layerDisplay)
    {
        model = &data;
        sphere = Mesh.GetBoundingSphere();
        constants = FrameConstantsImage;  // the projection, as CreateRenderTargets made it
        display = layerDisplay;
        if (display == EGL_NO_DISPLAY || !eglBindAPI(EGL_OPENGL_API)) return false;
        context = CreateCoreContext(display);
        if (context == EGL_NO_CONTEXT || !MakeCurrent()) return false;

        // VS, PS, VS_SV, GS_SV_1, GS_SV_2, VS_S, PS_S
        const GLenum types[7] = {GL_VERTEX_SHADER,   GL_FRAGMENT_SHADER, GL_VERTEX_SHADER,  GL_GEOMETRY_SHADER,
                                 GL_GEOMETRY_SHADER, GL_VERTEX_SHADER,   GL_FRAGMENT_SHADER};
        for (int i = 0; i < 7; ++i) {
            const char* source = shaders[i].glsl.c_str();
            programs[i] = glCreateShaderProgramv(types[i], 1, &source);
            GLint linked = 0;
            glGetProgramiv(programs[i], GL_LINK_STATUS, &linked);
            if (!linked) return false;
        }
        auto pipeline = [&](GLuint vs, GLuint gs, GLuint ps) {
            GLuint p = 0;
            glCreateProgramPipelines(1, &p);
            glUseProgramStages(p, GL_VERTEX_SHADER_BIT, vs);
            if (gs) glUseProgramStages(p, GL_GEOMETRY_SHADER_BIT, gs);
            if (ps) glUseProgramStages(p, GL_FRAGMENT_SHADER_BIT, ps);
            return p;
        };
        scenePipeline = pipeline(programs[0], 0, programs[1]);
        volumeAdjPipeline = pipeline(programs[2], programs[3], 0);
        volumePlainPipeline = pipeline(programs[2], programs[4], 0);
        shadowPipeline = pipeline(programs[5], 0, programs[6]);
        vsBinding = platform::ConstantBufferBinding(platform::ShaderStage::Vertex, 0);
        gsBinding = platform::ConstantBufferBinding(platform::ShaderStage::Geometry, 0);
        psBinding = platform::ConstantBufferBinding(platform::ShaderStage::Pixel, 0);
        if (shaders[1].samplers.empty()) return false;
        textureUnit = shaders[1].samplers[0].unit;

        glCreateBuffers(1, &vb);
        glNamedBufferStorage(vb, data.vertices.size(), data.vertices.data(), 0);
        glCreateBuffers(1, &ib);
        glNamedBufferStorage(ib, data.indices.size(), data.indices.data(), 0);
        glCreateBuffers(1, &adjIb);
        glNamedBufferStorage(adjIb, data.adjacency.size(), data.adjacency.data(), 0);
        glCreateVertexArrays(1, &plainVao);
        glCreateVertexArrays(1, &adjVao);
        glCreateVertexArrays(1, &emptyVao);
        for (GLuint vao : {plainVao, adjVao}) {
            glVertexArrayVertexBuffer(vao, 0, vb, 0, 32);
            for (const platform::ShaderInput& input : shaders[0].inputs) {
                const GLuint offset = input.semantic == "POSITION" ? 0 : input.semantic == "NORMAL" ? 12 : 24;
                const GLint size = input.semantic == "TEXTURE" ? 2 : 3;
                glEnableVertexArrayAttrib(vao, input.location);
                glVertexArrayAttribFormat(vao, input.location, size, GL_FLOAT, GL_FALSE, offset);
                glVertexArrayAttribBinding(vao, input.location, 0);
            }
        }
        glVertexArrayElementBuffer(plainVao, ib);
        glVertexArrayElementBuffer(adjVao, adjIb);

        if (!ring.Create()) return false;

        for (const ModelData::Group& group : data.groups) {
            GLuint& texture = textures[group.texture];
            if (!texture) {
                std::vector<platform::ImageLevel> levels;
                if (platform::LoadImageRgba8WithMips(group.texture, &levels) != platform::ImageResult::Ok) return false;
                glCreateTextures(GL_TEXTURE_2D, 1, &texture);
                glTextureStorage2D(texture, GLsizei(levels.size()), GL_RGBA8, levels[0].width, levels[0].height);
                for (size_t l = 0; l < levels.size(); ++l)
                    glTextureSubImage2D(texture, GLint(l), 0, 0, levels[l].width, levels[l].height, GL_RGBA,
                                        GL_UNSIGNED_BYTE, levels[l].rgba.data());
            }
            groupTextures.push_back(texture);
        }
        glCreateSamplers(1, &sampler);
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, GL_REPEAT);
        glBindSampler(textureUnit, sampler);

        target.Create(TargetWidth, TargetHeight);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.framebuffer);

        // Direct3D's conventions, as the layer sets them once per context.
        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
        glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
        glDisable(GL_DITHER);
        glFrontFace(GL_CW);
        glViewport(0, 0, TargetWidth, TargetHeight);
        glDepthRangef(0.0f, 1.0f);
        glEnable(GL_DEPTH_TEST);
        return glGetError() == GL_NO_ERROR;
    }

    void Groups(bool adjacency, GLuint stageA, GLuint stageB, bool bindTextures)
    {
        const GLenum mode = adjacency ? GL_TRIANGLES_ADJACENCY : GL_TRIANGLES;
        const int scale = adjacency ? 2 : 1;
        for (size_t i = 0; i < model->groups.size(); ++i) {
            const ModelData::Group& group = model->groups[i];
            std::memcpy(constants.diffuse, group.diffuse, sizeof group.diffuse);
            constants.volumeSides = group.volumeSides;
            const GLintptr offset = ring.NextSlot();
            std::memcpy(ring.Memory(offset), &constants, sizeof constants);
            glBindBufferRange(GL_UNIFORM_BUFFER, stageA, ring.Buffer(), offset, sizeof constants);
            glBindBufferRange(GL_UNIFORM_BUFFER, stageB, ring.Buffer(), offset, sizeof constants);
            if (bindTextures) glBindTextureUnit(textureUnit, groupTextures[i]);
            glDrawElements(mode, scale * group.count, GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>(uintptr_t(scale) * group.start * 4));
        }
    }

    void Frame()
    {
        const bool adjacency = UseAdjacency;
        // Clears obey the write masks in GL: open them first.
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
        glStencilMask(0xFF);
        glClearNamedFramebufferfv(target.framebuffer, GL_COLOR, 0, ClearColor);
        glClearNamedFramebufferfi(target.framebuffer, GL_DEPTH_STENCIL, 0, 1.0f, 0);
        FillConstants(&constants, sphere);

        // Pass 1: the lit model into colour and depth.
        glDepthFunc(GL_LESS);
        glDisable(GL_STENCIL_TEST);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glDisable(GL_BLEND);
        glBindProgramPipeline(scenePipeline);
        glBindVertexArray(plainVao);
        Groups(false, vsBinding, psBinding, true);

        // Pass 2: shadow volumes counted into the stencil, nothing else written.
        glDepthMask(GL_FALSE);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 0, 0xFF);
        glStencilOpSeparate(GL_FRONT, GL_KEEP, GL_KEEP, GL_INCR_WRAP);
        glStencilOpSeparate(GL_BACK, GL_KEEP, GL_KEEP, GL_DECR_WRAP);
        glDisable(GL_CULL_FACE);
        glBindProgramPipeline(adjacency ? volumeAdjPipeline : volumePlainPipeline);
        glBindVertexArray(adjacency ? adjVao : plainVao);
        Groups(adjacency, vsBinding, gsBinding, false);

        // Pass 3: the strip at depth 1, where the count is not 0, darkens what lies in shadow.
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthFunc(GL_GREATER);
        glStencilMask(0);
        glStencilFuncSeparate(GL_FRONT, GL_NOTEQUAL, 0, 0xFF);
        glStencilFuncSeparate(GL_BACK, GL_NEVER, 0, 0xFF);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        glEnable(GL_CULL_FACE);
        glEnable(GL_BLEND);
        glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ZERO);
        glBindProgramPipeline(shadowPipeline);
        glBindVertexArray(emptyVao);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        glFinish();
    }

    // The last frame's pixels, top row first (GL's rows run bottom-up).
    std::vector<uint8_t> Pixels()
    {
        std::vector<uint8_t> bottomUp(size_t(TargetWidth) * TargetHeight * 4), pixels;
        glGetTextureImage(target.color, 0, GL_RGBA, GL_UNSIGNED_BYTE, GLsizei(bottomUp.size()), bottomUp.data());
        for (int y = TargetHeight - 1; y >= 0; --y)
            pixels.insert(pixels.end(), bottomUp.begin() + size_t(y) * TargetWidth * 4,
                          bottomUp.begin() + size_t(y + 1) * TargetWidth * 4);
        return pixels;
    }

    void Release()
    {
        if (context == EGL_NO_CONTEXT) return;
        MakeCurrent();
        ring.Release();
        const GLuint buffers[3] = {vb, ib, adjIb};
        glDeleteBuffers(3, buffers);
        for (auto& [name, texture] : textures) glDeleteTextures(1, &texture);
        target.Release();
        const GLuint vaos[3] = {plainVao, adjVao, emptyVao};
        glDeleteVertexArrays(3, vaos);
        glDeleteSamplers(1, &sampler);
        const GLuint pipelines[4] = {scenePipeline, volumeAdjPipeline, volumePlainPipeline, shadowPipeline};
        glDeleteProgramPipelines(4, pipelines);
        for (GLuint p : programs) glDeleteProgram(p);
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, context);
        context = EGL_NO_CONTEXT;
    }
};

// --- The comparison ------------------------------------------------------------------------------

// The layer's GLSL for the seven entry points, in GlScene's order.
bool TranslateAll(std::vector<platform::TranslatedShader>* shaders)
{
    const char* entries[7][2] = {{"VS", "vs_4_0"},      {"PS", "ps_4_0"},   {"VS_SV", "vs_4_0"}, {"GS_SV_1", "gs_4_0"},
                                 {"GS_SV_2", "gs_4_0"}, {"VS_S", "vs_4_0"}, {"PS_S", "ps_4_0"}};
    for (auto& [entry, profile] : entries) {
        ID3D10Blob* blob = nullptr;
        if (FAILED(D3DX11CompileFromFileW(ShaderSourceFile, nullptr, nullptr, entry, profile, 0x810, 0, nullptr, &blob,
                                          nullptr, nullptr)))
            return false;
        platform::TranslatedShader shader;
        std::string error;
        const bool ok =
            platform::TranslateShaderBytecode(blob->GetBufferPointer(), blob->GetBufferSize(), &shader, &error);
        blob->Release();
        if (!ok) {
            std::fprintf(stderr, "%s: %s\n", entry, error.c_str());
            return false;
        }
        shaders->push_back(std::move(shader));
    }
    return true;
}

size_t DifferentPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size()) return std::max(a.size(), b.size()) / 4;
    size_t count = 0;
    for (size_t i = 0; i < a.size(); i += 4) count += std::memcmp(&a[i], &b[i], 3) != 0;
    return count;
}

bool CompareModel(const char* name, int frames, int rounds)
{
    OffscreenRenderer renderer(TargetWidth, TargetHeight, FrozenMs);
    if (FAILED(renderer.result())) {
        std::fprintf(stderr, "%s: the renderer did not start\n", name);
        return false;
    }
    const EGLDisplay layerDisplay = eglGetCurrentDisplay();
    const EGLContext layerContext = eglGetCurrentContext();
    ModelData model;
    std::vector<platform::TranslatedShader> shaders;
    if (!CaptureModel(&model) || !TranslateAll(&shaders)) {
        std::fprintf(stderr, "%s: could not read the model or translate the shaders back\n", name);
        return false;
    }
    std::printf("%-22s layer GL: %s | %s | %s\n", name, GlString(GL_VENDOR), GlString(GL_RENDERER),
                GlString(GL_VERSION));
    GlScene gl;
    if (!gl.Create(model, shaders, layerDisplay)) {
        std::fprintf(stderr, "%s: could not set up the GL scene\n", name);
        gl.Release();
        eglMakeCurrent(layerDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, layerContext);
        return false;
    }
    std::printf("%-22s hand-written GL: %s | %s | %s\n", name, GlString(GL_VENDOR), GlString(GL_RENDERER),
                GlString(GL_VERSION));
    bool same = true;
    for (const bool adjacency : {true, false}) {
        UseAdjacency = adjacency;
        std::vector<double> layerTimes, glTimes, layerCpu, glCpu;
        auto time = [&](auto&& frame, std::vector<double>* times, std::vector<double>* cpu) {
            for (int f = 0; f < 3; ++f) frame();  // llvmpipe compiles its variants in the first frames
            for (int f = 0; f < frames; ++f) {
                const auto start = Clock::now();
                const double cpuStart = CpuMs();
                frame();
                cpu->push_back(CpuMs() - cpuStart);
                times->push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }
        };
        // Rounds alternate, so that a slow stretch of a shared machine hits both.
        for (int round = 0; round < rounds; ++round) {
            eglMakeCurrent(layerDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, layerContext);
            time(
                [] {
                    DrawFrame();
                    glFinish();
                },
                &layerTimes, &layerCpu);
            gl.MakeCurrent();
            time([&] { gl.Frame(); }, &glTimes, &glCpu);
        }
        const std::vector<uint8_t> glPixels = gl.Pixels();
        eglMakeCurrent(layerDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, layerContext);
        std::vector<uint8_t> layerPixels;
        ReadPixels(OffscreenTarget, &layerPixels);
        const size_t different = DifferentPixels(layerPixels, glPixels);
        same = same && different == 0;
        const double layerMs = Median(layerTimes), glMs = Median(glTimes);
        const double layerCpuMs = Median(layerCpu), glCpuMs = Median(glCpu);
        std::printf("%-22s %6d %-10s %9.3f %9.3f %7.3f %9.3f %9.3f %7.3f %8.1f %8.1f   %s\n", name, model.triangles,
                    adjacency ? "adjacency" : "plain", layerMs, glMs, glMs > 0 ? layerMs / glMs : 0.0, layerCpuMs,
                    glCpuMs, glCpuMs > 0 ? layerCpuMs / glCpuMs : 0.0, layerMs > 0 ? 1000.0 / layerMs : 0.0,
                    glMs > 0 ? 1000.0 / glMs : 0.0,
                    different ? (std::to_string(different) + " pixels differ").c_str() : "same image");
        std::fflush(stdout);
    }
    gl.Release();
    eglMakeCurrent(layerDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, layerContext);
    UseAdjacency = true;
    return same;
}

}  // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    std::printf("640x480, clock frozen at %u ms, %d frames x %d rounds per path and method, medians in ms\n", FrozenMs,
                frames, rounds);
    std::printf("%-22s %6s %-10s %9s %9s %7s %9s %9s %7s %8s %8s\n", "model", "tris", "method", "layer", "GL", "ratio",
                "layer CPU", "GL CPU", "ratio", "layer/s", "GL/s");
    bool ok = true;
    {
        WorkingDirectory directory;
        ok = directory.ok() && CompareModel("kuma.obj", frames, rounds) && ok;
    }
    {
        WorkingDirectory directory(AllDataFiles(), {}, {{"kuma.obj", TorusObj(false, false)}});
        ok = directory.ok() && CompareModel("torus (largest model)", frames, rounds) && ok;
    }
    {
        WorkingDirectory directory(AllDataFiles(), {}, {{"kuma.obj", TorusObj(true, false)}});
        ok = directory.ok() && CompareModel("torus, inside out", frames, rounds) && ok;
    }
    {
        WorkingDirectory directory(AllDataFiles(), {}, {{"kuma.obj", TorusObj(false, true)}});
        ok = directory.ok() && CompareModel("torus, open", frames, rounds) && ok;
    }
    return ok ? 0 : 1;
}
