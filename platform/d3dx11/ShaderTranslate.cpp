// Shader blob to GLSL 4.50 through SPIRV-Cross, with Direct3D's binding model laid onto GL:
// varyings and vertex inputs located by semantic (SemanticLocation), constant buffers at
// ConstantBufferBinding(stage, b#), texture/sampler pairs combined on TextureUnit(stage, t#), and
// SV_Position in pixel shaders counted from the top.
#include <spirv_cross/spirv_cross_c.h>

#include <algorithm>
#include <string>

#include "ShaderBlob.h"
#include "ShaderBytecode.h"

namespace platform {
namespace {

constexpr uint32_t VertexAttributeCount = 16;  // GL_MAX_VERTEX_ATTRIBS guaranteed by GL 4.5
const std::string FlatBufferPrefix = "QvConstantBuffer";

// Owns a SPIRV-Cross context; errors reported through the callback collect in `error`.
class CrossContext {
  public:
    CrossContext()
    {
        if (spvc_context_create(&context_) != SPVC_SUCCESS) context_ = nullptr;
        if (context_) spvc_context_set_error_callback(context_, OnError, this);
    }
    ~CrossContext()
    {
        if (context_) spvc_context_destroy(context_);
    }
    CrossContext(const CrossContext&) = delete;
    CrossContext& operator=(const CrossContext&) = delete;

    // A compiler for `backend` over the module, or null (with `error` set).
    spvc_compiler Compiler(const std::vector<uint32_t>& spirv, spvc_backend backend)
    {
        spvc_parsed_ir ir = nullptr;
        spvc_compiler compiler = nullptr;
        if (!context_) {
            error = "SPIRV-Cross could not start";
            return nullptr;
        }
        if (spvc_context_parse_spirv(context_, spirv.data(), spirv.size(), &ir) != SPVC_SUCCESS ||
            spvc_context_create_compiler(context_, backend, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP, &compiler) !=
                SPVC_SUCCESS) {
            if (error.empty()) error = "SPIRV-Cross rejected the module";
            return nullptr;
        }
        return compiler;
    }

    std::string error;

  private:
    static void OnError(void* self, const char* message)
    {
        std::string& e = static_cast<CrossContext*>(self)->error;
        if (!e.empty()) e += "; ";
        e += message ? message : "unknown error";
    }
    spvc_context context_ = nullptr;
};

bool ResourceList(spvc_resources resources, spvc_resource_type type, const spvc_reflected_resource** list,
                  size_t* count)
{
    *list = nullptr;
    *count = 0;
    return spvc_resources_get_resource_list_for_type(resources, type, list, count) == SPVC_SUCCESS;
}

bool IsBuiltIn(spvc_compiler compiler, SpvId id)
{
    return spvc_compiler_has_decoration(compiler, id, SpvDecorationBuiltIn);
}

const char* UserSemantic(spvc_compiler compiler, SpvId id)
{
    const char* s = spvc_compiler_get_decoration_string(compiler, id, SpvDecorationUserSemantic);
    return s && *s ? s : nullptr;
}

// Locates every non-built-in input or output of the stage by its semantic.
// Varyings (not vertex inputs, not pixel outputs) are listed in *varyings with their locations.
bool LocateInterface(spvc_compiler compiler, const spvc_reflected_resource* list, size_t count, ShaderStage stage,
                     bool inputs, std::vector<Varying>* varyings, std::string* error)
{
    varyings->clear();
    for (size_t i = 0; i < count; ++i) {
        const SpvId id = list[i].id;
        if (IsBuiltIn(compiler, id)) continue;
        const char* semantic = UserSemantic(compiler, id);
        if (!semantic) {
            *error = std::string("interface variable '") + list[i].name + "' carries no semantic";
            return false;
        }
        std::string name;
        uint32_t index = 0;
        SplitSemantic(semantic, &name, &index);
        uint32_t location;
        if (stage == ShaderStage::Pixel && !inputs) {
            if (name != "SV_TARGET" || index > 7) {
                *error = std::string("pixel shader output semantic ") + semantic + " is not SV_Target0..7";
                return false;
            }
            location = index;
        } else {
            const bool vertexInput = stage == ShaderStage::Vertex && inputs;
            location = vertexInput ? SemanticLocation(name, index) : VaryingSemanticLocation(name, index);
            if (location >= SemanticLocationCount) {
                *error = std::string("no location left for semantic ") + semantic;
                return false;
            }
            if (!vertexInput) varyings->push_back({semantic, location});
            if (vertexInput && location >= VertexAttributeCount) {
                *error = std::string("vertex input semantic ") + semantic + " has location " +
                         std::to_string(location) + ", beyond the 16 vertex attributes";
                return false;
            }
        }
        spvc_compiler_set_decoration(compiler, id, SpvDecorationLocation, location);
        spvc_compiler_unset_decoration(compiler, id, SpvDecorationComponent);
    }
    return true;
}

bool Register(spvc_compiler compiler, SpvId id, uint32_t base, uint32_t limit, const char* what, uint32_t* reg,
              std::string* error)
{
    const uint32_t binding = spvc_compiler_get_decoration(compiler, id, SpvDecorationBinding);
    if (binding < base || binding - base >= limit) {
        *error = std::string(what) + " '" + spvc_compiler_get_name(compiler, id) + "' uses an unsupported register";
        return false;
    }
    *reg = binding - base;
    return true;
}

// Constant buffer b# of the stage goes to ConstantBufferBinding(stage, #). With `flatten`, each
// buffer becomes one array of vec4 named FlatBufferPrefix + register (see BlockAroundFlatBuffers).
bool BindConstantBuffers(spvc_compiler compiler, spvc_resources resources, bool flatten, TranslatedShader* out,
                         std::string* error)
{
    const spvc_reflected_resource* list;
    size_t count;
    if (!ResourceList(resources, SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, &list, &count)) return false;
    for (size_t i = 0; i < count; ++i) {
        uint32_t reg;
        if (!Register(compiler, list[i].id, ConstantBufferBindingBase, ConstantBufferSlotsPerStage, "constant buffer",
                      &reg, error))
            return false;
        spvc_compiler_unset_decoration(compiler, list[i].id, SpvDecorationDescriptorSet);
        spvc_compiler_set_decoration(compiler, list[i].id, SpvDecorationBinding,
                                     ConstantBufferBinding(out->stage, reg));
        out->constantBufferSlots.push_back(reg);
        if (flatten) {
            spvc_compiler_set_name(compiler, list[i].base_type_id, (FlatBufferPrefix + std::to_string(reg)).c_str());
            if (spvc_compiler_flatten_buffer_block(compiler, list[i].id) != SPVC_SUCCESS) return false;
        }
    }
    std::sort(out->constantBufferSlots.begin(), out->constantBufferSlots.end());
    return true;
}

// Texture + sampler pairs become combined samplers on the texture's unit. A texture sampled with
// two different samplers needs a second unit: those take the stage's free units from the top.
bool BindSamplers(spvc_compiler compiler, TranslatedShader* out, std::string* error)
{
    // GLSL has no texelFetch on a bare texture: a texture read only with Load is paired with a
    // stand-in sampler, which binds nothing.
    spvc_variable_id dummy = 0;
    if (spvc_compiler_build_dummy_sampler_for_combined_images(compiler, &dummy) != SPVC_SUCCESS) return false;
    if (spvc_compiler_build_combined_image_samplers(compiler) != SPVC_SUCCESS) return false;
    const spvc_combined_image_sampler* pairs = nullptr;
    size_t count = 0;
    if (spvc_compiler_get_combined_image_samplers(compiler, &pairs, &count) != SPVC_SUCCESS) return false;
    std::vector<CombinedSampler> result;
    for (size_t i = 0; i < count; ++i) {
        CombinedSampler s;
        if (!Register(compiler, pairs[i].image_id, TextureBindingBase, TextureSlotsPerStage, "texture", &s.textureSlot,
                      error))
            return false;
        if (dummy != 0 && pairs[i].sampler_id == dummy)
            s.samplerSlot = NoSampler;
        else if (!Register(compiler, pairs[i].sampler_id, SamplerBindingBase, TextureSlotsPerStage, "sampler",
                           &s.samplerSlot, error))
            return false;
        result.push_back(s);
    }
    // Units (relative to the stage) that are some texture's own or already handed out as spares.
    std::vector<bool> used(TextureSlotsPerStage, false);
    for (const CombinedSampler& s : result) used[s.textureSlot] = true;
    std::vector<bool> given(TextureSlotsPerStage, false);
    for (CombinedSampler& s : result) {
        uint32_t slot = s.textureSlot;
        if (given[slot]) {
            slot = TextureSlotsPerStage;
            while (slot > 0 && used[slot - 1]) --slot;
            if (slot == 0) {
                *error = "too many texture and sampler pairs for one stage";
                return false;
            }
            --slot;
            used[slot] = true;
        }
        given[slot] = true;
        s.unit = TextureUnit(out->stage, slot);
    }
    for (size_t i = 0; i < count; ++i) {
        spvc_compiler_unset_decoration(compiler, pairs[i].combined_id, SpvDecorationDescriptorSet);
        spvc_compiler_set_decoration(compiler, pairs[i].combined_id, SpvDecorationBinding, result[i].unit);
    }
    out->samplers = result;
    return true;
}

// SPIRV-Cross writes a flattened buffer as a plain uniform array, "uniform vec4 Name[n];", which
// GL cannot feed from a buffer object. Each becomes a std140 block holding that array under the
// same name, so the shader's code stays as it is and vec4 elements keep their 16-byte stride.
bool BlockAroundFlatBuffers(ShaderStage stage, std::string* glsl, std::string* error)
{
    std::string result;
    size_t at = 0;
    while (at < glsl->size()) {
        size_t end = glsl->find('\n', at);
        if (end == std::string::npos) end = glsl->size();
        const std::string line = glsl->substr(at, end - at);
        at = end + 1;
        const size_t name = line.find(FlatBufferPrefix);
        const size_t open = line.find('[', name == std::string::npos ? 0 : name);
        if (name == std::string::npos || line.compare(0, 8, "uniform ") != 0 || open == std::string::npos) {
            result += line + "\n";
            continue;
        }
        const std::string reg = line.substr(name + FlatBufferPrefix.size(), open - name - FlatBufferPrefix.size());
        if (reg.empty() || reg.size() > 2 || reg.find_first_not_of("0123456789") != std::string::npos) {
            *error = "unexpected flattened constant buffer: " + line;
            return false;
        }
        const uint32_t binding = ConstantBufferBinding(stage, uint32_t(std::stoul(reg)));
        result += "layout(binding = " + std::to_string(binding) + ", std140) uniform " +
                  line.substr(name, open - name) + "_block\n{\n    " + line.substr(8) + "\n};\n";
    }
    *glsl = std::move(result);
    return true;
}

bool SetOptions(spvc_compiler compiler)
{
    spvc_compiler_options options = nullptr;
    return spvc_compiler_create_compiler_options(compiler, &options) == SPVC_SUCCESS &&
           spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, 450) == SPVC_SUCCESS &&
           spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE) == SPVC_SUCCESS &&
           spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_SEPARATE_SHADER_OBJECTS, SPVC_TRUE) ==
               SPVC_SUCCESS &&
           spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_VULKAN_SEMANTICS, SPVC_FALSE) ==
               SPVC_SUCCESS &&
           spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_FIXUP_DEPTH_CONVENTION, SPVC_FALSE) ==
               SPVC_SUCCESS &&
           spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_FLIP_VERTEX_Y, SPVC_FALSE) == SPVC_SUCCESS &&
           spvc_compiler_install_compiler_options(compiler, options) == SPVC_SUCCESS;
}

// Direct3D's SV_Position counts y from the top of the target; GL's gl_FragCoord from the bottom
// unless redeclared. The line goes after #version and any #extension lines.
void UpperLeftFragCoord(std::string* glsl)
{
    if (glsl->find("in vec4 gl_FragCoord;") != std::string::npos) return;
    size_t at = 0;
    while (at < glsl->size() && glsl->compare(at, 1, "#") == 0) {
        const size_t end = glsl->find('\n', at);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    glsl->insert(at, "layout(origin_upper_left) in vec4 gl_FragCoord;\n");
}

}  // namespace

bool ReflectInputSignature(const std::vector<uint32_t>& spirv, std::vector<ShaderInput>* inputs, std::string* error)
{
    CrossContext cross;
    spvc_compiler compiler = cross.Compiler(spirv, SPVC_BACKEND_NONE);
    spvc_resources resources = nullptr;
    const spvc_reflected_resource* list;
    size_t count;
    if (!compiler || spvc_compiler_create_shader_resources(compiler, &resources) != SPVC_SUCCESS ||
        !ResourceList(resources, SPVC_RESOURCE_TYPE_STAGE_INPUT, &list, &count)) {
        *error = cross.error.empty() ? "cannot read the module's inputs" : cross.error;
        return false;
    }
    inputs->clear();
    for (size_t i = 0; i < count; ++i) {
        if (IsBuiltIn(compiler, list[i].id)) continue;
        const char* semantic = UserSemantic(compiler, list[i].id);
        if (!semantic) continue;
        ShaderInput in;
        SplitSemantic(semantic, &in.semantic, &in.index);
        spvc_type type = spvc_compiler_get_type_handle(compiler, list[i].type_id);
        in.componentCount = std::clamp(spvc_type_get_vector_size(type), 1u, 4u);
        if (inputs->size() >= MaxBlobInputs || in.semantic.size() > MaxBlobStringLength) {
            *error = "input signature too large";
            return false;
        }
        inputs->push_back(in);
    }
    return true;
}

bool ReadShaderSignature(const void* bytecode, size_t size, ShaderStage* stage, std::vector<ShaderInput>* inputs)
{
    ShaderBlobContents blob;
    if (!ParseShaderBlob(bytecode, size, &blob)) return false;
    for (ShaderInput& in : blob.inputs) {
        if (blob.stage == ShaderStage::Vertex) {
            in.location = SemanticLocation(in.semantic, in.index);
            if (in.location >= VertexAttributeCount) return false;
        } else {
            in.location = VaryingSemanticLocation(in.semantic, in.index);
            if (in.location >= SemanticLocationCount) return false;
        }
    }
    if (stage) *stage = blob.stage;
    if (inputs) *inputs = std::move(blob.inputs);
    return true;
}

namespace {

// One translation attempt; `flatten` turns every constant buffer into an array of vec4.
bool Generate(const ShaderBlobContents& blob, bool flatten, TranslatedShader* result, std::string* message)
{
    CrossContext cross;
    spvc_compiler compiler = cross.Compiler(blob.spirv, SPVC_BACKEND_GLSL);
    spvc_resources resources = nullptr;
    const spvc_reflected_resource *inputs, *outputs;
    size_t inputCount, outputCount;
    std::string failure;
    const char* source = nullptr;
    result->constantBufferSlots.clear();
    result->samplers.clear();
    const bool ok =
        compiler && SetOptions(compiler) &&
        spvc_compiler_create_shader_resources(compiler, &resources) == SPVC_SUCCESS &&
        ResourceList(resources, SPVC_RESOURCE_TYPE_STAGE_INPUT, &inputs, &inputCount) &&
        ResourceList(resources, SPVC_RESOURCE_TYPE_STAGE_OUTPUT, &outputs, &outputCount) &&
        LocateInterface(compiler, inputs, inputCount, blob.stage, true, &result->varyingInputs, &failure) &&
        LocateInterface(compiler, outputs, outputCount, blob.stage, false, &result->varyingOutputs, &failure) &&
        BindConstantBuffers(compiler, resources, flatten, result, &failure) &&
        BindSamplers(compiler, result, &failure) && spvc_compiler_compile(compiler, &source) == SPVC_SUCCESS && source;
    if (!ok) {
        *message = !failure.empty() ? failure : !cross.error.empty() ? cross.error : "SPIR-V translation failed";
        return false;
    }
    result->glsl = source;
    if (flatten && !BlockAroundFlatBuffers(blob.stage, &result->glsl, message)) return false;
    if (blob.stage == ShaderStage::Pixel) UpperLeftFragCoord(&result->glsl);
    return true;
}

}  // namespace

bool TranslateShaderBytecode(const void* bytecode, size_t size, TranslatedShader* out, std::string* error)
{
    std::string scratch;
    std::string& message = error ? *error : scratch;
    ShaderBlobContents blob;
    if (!ParseShaderBlob(bytecode, size, &blob)) {
        message = "not a shader blob made by D3DX11CompileFromFileW";
        return false;
    }
    TranslatedShader result;
    result.stage = blob.stage;
    if (!ReadShaderSignature(bytecode, size, nullptr, &result.inputs)) {
        message = "no location left for an input semantic";
        return false;
    }
    // Direct3D packs a cbuffer more tightly than std140 (a float3 may follow a float in the same
    // 16 bytes). When GLSL cannot declare such a buffer, it is read as an array of vec4 instead.
    if (!Generate(blob, false, &result, &message)) {
        if (message.find("cannot be expressed") == std::string::npos) return false;
        if (!Generate(blob, true, &result, &message)) return false;
        message.clear();
    }
    *out = std::move(result);
    return true;
}

}  // namespace platform
