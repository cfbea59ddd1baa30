// Shader objects: blob → GLSL (translator) → glCreateShaderProgramv, with the link log on failure.
#include "Shaders.h"

#include <cstdio>
#include <string>

#include "Device.h"

namespace d3d11gl {

namespace {

GLenum GlStage(platform::ShaderStage stage)
{
    switch (stage) {
    case platform::ShaderStage::Vertex: return GL_VERTEX_SHADER;
    case platform::ShaderStage::Geometry: return GL_GEOMETRY_SHADER;
    default: return GL_FRAGMENT_SHADER;
    }
}

}  // namespace

HRESULT BuildShaderProgram(Device* device, const void* bytecode, SIZE_T size, platform::ShaderStage stage,
                           ShaderProgram* out)
{
    if (!bytecode || size == 0) return E_INVALIDARG;
    platform::ShaderStage blobStage{};
    std::vector<platform::ShaderInput> inputs;
    if (!platform::ReadShaderSignature(bytecode, size, &blobStage, &inputs) || blobStage != stage) return E_INVALIDARG;
    if (!out) return S_OK;
    platform::TranslatedShader translated;
    std::string error;
    if (!platform::TranslateShaderBytecode(bytecode, size, &translated, &error)) {
        std::fprintf(stderr, "shader translation failed: %s\n", error.c_str());
        return E_INVALIDARG;
    }
    if (!device->MakeCurrent()) return DXGI_ERROR_DEVICE_REMOVED;
    const char* source = translated.glsl.c_str();
    GLuint program = glCreateShaderProgramv(GlStage(stage), 1, &source);
    if (!program) return E_INVALIDARG;
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        char log[2048] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        std::fprintf(stderr, "GL rejected a translated shader: %s\n", log);
        glDeleteProgram(program);
        return E_INVALIDARG;
    }
    NoteGlCreated();
    out->program = program;
    out->constantBufferMask = 0;
    for (uint32_t slot : translated.constantBufferSlots)
        if (slot < 32) out->constantBufferMask |= 1u << slot;
    out->samplers = translated.samplers;
    return S_OK;
}

void DeleteShaderProgram(Device* device, ShaderProgram& program)
{
    if (!program.program) return;
    if (device->MakeCurrent()) glDeleteProgram(program.program);
    NoteGlDeleted();
    program.program = 0;
}

}  // namespace d3d11gl
