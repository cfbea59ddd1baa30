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

constexpr uint32_t kLocationCount = 32;
constexpr uint32_t kVertexAttributeCount = 16;  // GL_MAX_VERTEX_ATTRIBS guaranteed by GL 4.5

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
bool LocateInterface(spvc_compiler compiler, const spvc_reflected_resource* list, size_t count, ShaderStage stage,
                     bool inputs, std::string* error)
{
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
            location = SemanticLocation(name, index);
            if (location >= kLocationCount) {
                *error = std::string("no location left for semantic ") + semantic;
                return false;
            }
            if (stage == ShaderStage::Vertex && inputs && location >= kVertexAttributeCount) {
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

bool BindConstantBuffers(spvc_compiler compiler, spvc_resources resources, TranslatedShader* out,
                         std::string* error)
{
    const spvc_reflected_resource* list;
    size_t count;
    if (!ResourceList(resources, SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, &list, &count)) return false;
    for (size_t i = 0; i < count; ++i) {
        uint32_t reg;
        if (!Register(compiler, list[i].id, kConstantBufferBindingBase, kConstantBufferSlotsPerStage,
                      "constant buffer", &reg, error))
            return false;
        spvc_compiler_unset_decoration(compiler, list[i].id, SpvDecorationDescriptorSet);
        spvc_compiler_set_decoration(compiler, list[i].id, SpvDecorationBinding, ConstantBufferBinding(out->stage, reg));
        out->constantBufferSlots.push_back(reg);
    }
    std::sort(out->constantBufferSlots.begin(), out->constantBufferSlots.end());
    return true;
}

// Texture + sampler pairs become combined samplers on the texture's unit. A texture sampled with
// two different samplers needs a second unit: those take the stage's free units from the top.
bool BindSamplers(spvc_compiler compiler, TranslatedShader* out, std::string* error)
{
    if (spvc_compiler_build_combined_image_samplers(compiler) != SPVC_SUCCESS) return false;
    const spvc_combined_image_sampler* pairs = nullptr;
    size_t count = 0;
    if (spvc_compiler_get_combined_image_samplers(compiler, &pairs, &count) != SPVC_SUCCESS) return false;
    std::vector<CombinedSampler> result;
    for (size_t i = 0; i < count; ++i) {
        CombinedSampler s;
        if (!Register(compiler, pairs[i].image_id, kTextureBindingBase, kTextureSlotsPerStage, "texture",
                      &s.textureSlot, error) ||
            !Register(compiler, pairs[i].sampler_id, kSamplerBindingBase, kTextureSlotsPerStage, "sampler",
                      &s.samplerSlot, error))
            return false;
        result.push_back(s);
    }
    // Units (relative to the stage) that are some texture's own or already handed out as spares.
    std::vector<bool> used(kTextureSlotsPerStage, false);
    for (const CombinedSampler& s : result) used[s.textureSlot] = true;
    std::vector<bool> given(kTextureSlotsPerStage, false);
    for (CombinedSampler& s : result) {
        uint32_t slot = s.textureSlot;
        if (given[slot]) {
            slot = kTextureSlotsPerStage;
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
        if (inputs->size() >= kMaxBlobInputs || in.semantic.size() > kMaxBlobStringLength) {
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
        in.location = SemanticLocation(in.semantic, in.index);
        if (in.location >= kLocationCount) return false;
    }
    if (stage) *stage = blob.stage;
    if (inputs) *inputs = std::move(blob.inputs);
    return true;
}

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

    CrossContext cross;
    spvc_compiler compiler = cross.Compiler(blob.spirv, SPVC_BACKEND_GLSL);
    spvc_resources resources = nullptr;
    const spvc_reflected_resource *inputs, *outputs;
    size_t inputCount, outputCount;
    std::string failure;
    const char* source = nullptr;
    const bool ok = compiler && SetOptions(compiler) &&
                    spvc_compiler_create_shader_resources(compiler, &resources) == SPVC_SUCCESS &&
                    ResourceList(resources, SPVC_RESOURCE_TYPE_STAGE_INPUT, &inputs, &inputCount) &&
                    ResourceList(resources, SPVC_RESOURCE_TYPE_STAGE_OUTPUT, &outputs, &outputCount) &&
                    LocateInterface(compiler, inputs, inputCount, blob.stage, true, &failure) &&
                    LocateInterface(compiler, outputs, outputCount, blob.stage, false, &failure) &&
                    BindConstantBuffers(compiler, resources, &result, &failure) &&
                    BindSamplers(compiler, &result, &failure) &&
                    spvc_compiler_compile(compiler, &source) == SPVC_SUCCESS && source;
    if (!ok) {
        message = !failure.empty() ? failure : !cross.error.empty() ? cross.error : "SPIR-V translation failed";
        return false;
    }
    result.glsl = source;
    if (blob.stage == ShaderStage::Pixel) UpperLeftFragCoord(&result.glsl);
    *out = std::move(result);
    return true;
}

}  // namespace platform
