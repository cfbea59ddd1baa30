// Shader objects: blob → GLSL (translator) → glCreateShaderProgramv, with the link log on failure.
#include "Shaders.h"

#include <cstdio>
#include <string>

#include "DebugLog.h"
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

const char* CreateCallName(platform::ShaderStage stage)
{
    switch (stage) {
    case platform::ShaderStage::Vertex: return "CreateVertexShader";
    case platform::ShaderStage::Geometry: return "CreateGeometryShader";
    default: return "CreatePixelShader";
    }
}

const char* StageName(platform::ShaderStage stage)
{
    switch (stage) {
    case platform::ShaderStage::Vertex: return "vertex";
    case platform::ShaderStage::Geometry: return "geometry";
    default: return "pixel";
    }
}

// Every varying's location must lie inside the stage's component limit (4 components a
// location); hardware drivers refuse or miscompile shaders beyond it. False with a message.
bool VaryingsFit(const std::vector<platform::Varying>& varyings, int components, const char* limitName,
                 std::string* why)
{
    for (const platform::Varying& v : varyings)
        if ((int64_t(v.location) + 1) * 4 > components) {
            *why = "varying " + v.semantic + " has location " + std::to_string(v.location) + " and needs " +
                   std::to_string((v.location + 1) * 4) + " components; this device's " + limitName + " is " +
                   std::to_string(components);
            return false;
        }
    return true;
}

bool StageFits(const Device::VaryingLimits& limits, const platform::TranslatedShader& shader, std::string* why)
{
    switch (shader.stage) {
    case platform::ShaderStage::Vertex:
        return VaryingsFit(shader.varyingOutputs, limits.vertexOutput, "GL_MAX_VERTEX_OUTPUT_COMPONENTS", why);
    case platform::ShaderStage::Geometry:
        return VaryingsFit(shader.varyingInputs, limits.geometryInput, "GL_MAX_GEOMETRY_INPUT_COMPONENTS", why) &&
               VaryingsFit(shader.varyingOutputs, limits.geometryOutput, "GL_MAX_GEOMETRY_OUTPUT_COMPONENTS", why);
    default: return VaryingsFit(shader.varyingInputs, limits.fragmentInput, "GL_MAX_FRAGMENT_INPUT_COMPONENTS", why);
    }
}

}  // namespace

HRESULT BuildShaderProgram(Device* device, const void* bytecode, SIZE_T size, platform::ShaderStage stage,
                           ShaderProgram* out)
{
    const char* call = CreateCallName(stage);
    if (!bytecode || size == 0)
        return Refuse(device, call, "no shader byte code (pShaderBytecode %s, BytecodeLength %zu)",
                      bytecode ? "given" : "NULL", size_t(size));
    platform::ShaderStage blobStage{};
    std::vector<platform::ShaderInput> inputs;
    if (!platform::ReadShaderSignature(bytecode, size, &blobStage, &inputs))
        return Refuse(device, call, "the %zu bytes are not a compiled shader", size_t(size));
    if (blobStage != stage) return Refuse(device, call, "the byte code is a %s shader's", StageName(blobStage));
    if (!out) return S_OK;
    platform::TranslatedShader translated;
    std::string error;
    if (!platform::TranslateShaderBytecode(bytecode, size, &translated, &error)) {
        DebugLine(DebugSeverity::Error, CreateCallName(stage), "shader translation failed: " + error);
        return E_INVALIDARG;
    }
    if (std::string why; !StageFits(device->Varyings(), translated, &why)) {
        DebugLine(DebugSeverity::Error, CreateCallName(stage), why);
        return E_INVALIDARG;
    }
    if (!device->MakeCurrent()) return RefuseWith(DXGI_ERROR_DEVICE_REMOVED, device, call, "the device is lost");
    const char* source = translated.glsl.c_str();
    GLuint program = glCreateShaderProgramv(GlStage(stage), 1, &source);
    if (!program) return Refuse(device, call, "GL made no program of the translated shader");
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        char log[2048] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        DebugLine(DebugSeverity::Error, CreateCallName(stage),
                  std::string("GL rejected the translated shader: ") + log);
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
