// The contract between D3DX11CompileFromFileW (which makes shader blobs) and the device's
// Create*Shader / CreateInputLayout (which consume them).
//
// A blob holds the SPIR-V that glslang's HLSL front end produced for one entry point, the stage,
// and the input signature (semantic names and indices) of that entry point. The device turns it
// into GLSL 4.50 through TranslateShaderBytecode when a shader object is created.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class ShaderStage : uint32_t { Vertex = 0, Geometry = 1, Pixel = 2 };

// GL binding points used by translated shaders. Direct3D gives every stage its own constant-buffer,
// texture and sampler slots; GL has one binding space, so each stage gets its own range.
// Constant buffer slot k of stage s is uniform-buffer binding ConstantBufferBinding(s, k); texture slot
// k of stage s is texture unit TextureUnit(s, k).
constexpr uint32_t ConstantBufferSlotsPerStage = 14;
constexpr uint32_t TextureSlotsPerStage = 16;
constexpr uint32_t ConstantBufferBinding(ShaderStage s, uint32_t slot)
{
    return static_cast<uint32_t>(s) * ConstantBufferSlotsPerStage + slot;
}
constexpr uint32_t TextureUnit(ShaderStage s, uint32_t slot)
{
    return static_cast<uint32_t>(s) * TextureSlotsPerStage + slot;
}

// One input of a shader's signature. `semantic` is upper case without the index ("POSITION",
// "TEXTURE"); `index` is the semantic index; `location` is the GL attribute location, fixed by
// SemanticLocation so that CreateInputLayout can bind attributes without looking at the shader.
struct ShaderInput {
    std::string semantic;
    uint32_t index = 0;
    uint32_t location = 0;
    uint32_t componentCount = 4;  // 1..4
};

// A texture+sampler pair that the GLSL samples as one combined sampler on texture unit `unit`
// (= TextureUnit(stage, textureSlot)); the device binds the sampler object of `samplerSlot` there.
// A texture only read with Load has no sampler: samplerSlot is NoSampler and the unit reads with
// the texture's own parameters.
constexpr uint32_t NoSampler = 0xFFFFFFFFu;
struct CombinedSampler {
    uint32_t unit = 0;
    uint32_t textureSlot = 0;
    uint32_t samplerSlot = 0;
};

// A value passed between stages: its semantic as written ("TEXCOORD1") and its GL location. Each
// location takes 4 components of the stage's output or input limit.
struct Varying {
    std::string semantic;
    uint32_t location = 0;
};

struct TranslatedShader {
    ShaderStage stage = ShaderStage::Vertex;
    std::string glsl;                           // complete GLSL 4.50 source for glCreateShaderProgramv
    std::vector<ShaderInput> inputs;            // vertex shaders: the input signature
    std::vector<uint32_t> constantBufferSlots;  // cbuffer registers used (b#)
    std::vector<CombinedSampler> samplers;      // pixel shaders: sampled textures
    std::vector<Varying> varyingInputs;         // geometry and pixel shaders
    std::vector<Varying> varyingOutputs;        // vertex and geometry shaders
};

// The process-wide attribute location of a vertex-input semantic (name upper case, index separate),
// so that CreateInputLayout binds attributes without looking at the shader. Below 32; 32 only when
// 32 different semantics are already placed (ReadShaderSignature and TranslateShaderBytecode then fail).
// Varyings have their own table (VaryingSemanticLocation).
uint32_t SemanticLocation(const std::string& semantic, uint32_t index);

// Reads the stage and input signature of a blob without translating it (cheap).
// False when the bytes are not a blob made by D3DX11CompileFromFileW.
bool ReadShaderSignature(const void* bytecode, size_t size, ShaderStage* stage, std::vector<ShaderInput>* inputs);

// Full translation of a blob to GLSL. False (and a message in *error) when the bytes are not a
// valid blob or SPIRV-Cross rejects the module.
bool TranslateShaderBytecode(const void* bytecode, size_t size, TranslatedShader* out, std::string* error);

}  // namespace platform
