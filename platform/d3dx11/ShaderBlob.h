// The byte layout of a compiled shader blob, written by D3DX11CompileFromFileW and read by
// ReadShaderSignature / TranslateShaderBytecode.
//
// All fields are little-endian 32-bit words; strings are stored as a length word followed by
// their bytes (no terminator), zero-padded to a multiple of 4:
//
//   magic 'QVSB' (0x42535651)   version (1)   stage (ShaderStage)
//   entry point: length, bytes
//   input count (at most MaxBlobInputs), then per input: semantic length, bytes (upper case,
//       without the index), semantic index, component count (1..4)
//   SPIR-V word count, then the words
//
// The size of the blob must match its contents exactly. The input signature lists the inputs
// that vertex buffers feed (system values such as SV_VertexID are not part of it), taken from
// an unoptimised compile so that inputs the shader never reads are still listed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ShaderBytecode.h"

namespace platform {

constexpr uint32_t ShaderBlobMagic = 0x42535651;  // "QVSB"
constexpr uint32_t ShaderBlobVersion = 1;
constexpr uint32_t MaxBlobInputs = 32;
constexpr uint32_t MaxBlobStringLength = 256;
constexpr uint32_t SemanticLocationCount = 32;  // SemanticLocation's results are below this

// glslang gives every HLSL register class its own range of SPIR-V bindings, so the translator can
// tell b3 from t3: binding = base of the class + register number.
constexpr uint32_t ConstantBufferBindingBase = 0;
constexpr uint32_t TextureBindingBase = 128;
constexpr uint32_t SamplerBindingBase = 256;
constexpr uint32_t OtherBindingBase = 384;  // UAVs and structured buffers (not translated)

struct ShaderBlobContents {
    ShaderStage stage = ShaderStage::Vertex;
    std::string entryPoint;
    std::vector<ShaderInput> inputs;  // `location` is not stored
    std::vector<uint32_t> spirv;
};

std::vector<uint8_t> WriteShaderBlob(const ShaderBlobContents& contents);

// False when the bytes are not a well-formed blob (wrong magic or version, truncated, trailing
// bytes, counts out of range). Locations of the inputs are left at 0.
bool ParseShaderBlob(const void* bytes, size_t size, ShaderBlobContents* out);

// The process-wide location of a varying semantic, so that stages translated separately agree: a
// semantic seen for the first time takes the lowest free location, counted up from 0, since
// drivers check locations against their stages' component limits (4 components a location; GL
// 4.5 promises only 64 vertex output components, locations 0 to 15). SemanticLocationCount
// when SemanticLocationCount semantics are already placed.
uint32_t VaryingSemanticLocation(const std::string& semantic, uint32_t index);

// Splits an HLSL semantic as glslang records it ("TEXCOORD1") into upper-case name and index.
void SplitSemantic(const std::string& semantic, std::string* name, uint32_t* index);

// Reads the input signature of an entry point from its SPIR-V (UserSemantic decorations of the
// Input variables that are not built-ins). False with a message when the module cannot be read.
bool ReflectInputSignature(const std::vector<uint32_t>& spirv, std::vector<ShaderInput>* inputs, std::string* error);

}  // namespace platform
