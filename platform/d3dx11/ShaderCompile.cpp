// D3DX11CompileFromFileW over glslang's HLSL front end: one entry point of an HLSL file to a
// shader blob (ShaderBlob.h) holding SPIR-V and the input signature.
//
// Supported: vs/gs/ps profiles of shader models 4.0, 4.1 and 5.0, macros, an include handler,
// row- or column-major matrix packing. Not supported: thread pumps (E_NOTIMPL), other stages.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>

#include "Blob.h"
#include "ShaderBlob.h"
#include "d3dx11.h"

namespace {

using platform::ShaderStage;

constexpr size_t MaxSourceBytes = 64u << 20;  // glslang takes string lengths as int

// glslang keeps process-wide tables; set them up once and tear them down at exit.
struct GlslangProcess {
    GlslangProcess() { glslang::InitializeProcess(); }
    ~GlslangProcess() { glslang::FinalizeProcess(); }
};
void EnsureGlslang()
{
    static GlslangProcess process;
}

// Wide path (UTF-32 on Linux) to UTF-8 with Windows separators turned into '/'. False for code
// points that are not Unicode scalar values.
bool WidePathToUtf8(const wchar_t* w, std::string* out)
{
    out->clear();
    for (; *w; ++w) {
        const uint32_t c = static_cast<uint32_t>(*w);
        if (c == '\\') {
            out->push_back('/');
        } else if (c < 0x80) {
            out->push_back(char(c));
        } else if (c < 0x800) {
            out->push_back(char(0xC0 | (c >> 6)));
            out->push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            if (c >= 0xD800 && c <= 0xDFFF) return false;
            out->push_back(char(0xE0 | (c >> 12)));
            out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out->push_back(char(0x80 | (c & 0x3F)));
        } else if (c <= 0x10FFFF) {
            out->push_back(char(0xF0 | (c >> 18)));
            out->push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out->push_back(char(0x80 | (c & 0x3F)));
        } else {
            return false;
        }
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string* text)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    text->clear();
    char buffer[16384];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text->append(buffer, n);
    const bool ok = !std::ferror(f);  // a directory opens but cannot be read
    std::fclose(f);
    return ok;
}

bool ParseProfile(const char* profile, ShaderStage* stage, EShLanguage* language)
{
    static const char* const Models[] = {"_4_0", "_4_1", "_5_0"};
    static const struct {
        const char* prefix;
        ShaderStage stage;
        EShLanguage language;
    } Stages[] = {{"vs", ShaderStage::Vertex, EShLangVertex},
                  {"gs", ShaderStage::Geometry, EShLangGeometry},
                  {"ps", ShaderStage::Pixel, EShLangFragment}};
    for (const auto& s : Stages)
        for (const char* model : Models)
            if (std::string(s.prefix) + model == profile) {
                *stage = s.stage;
                *language = s.language;
                return true;
            }
    return false;
}

bool IsIdentifier(const char* s)
{
    if (!s || !*s || std::isdigit(static_cast<unsigned char>(*s))) return false;
    for (; *s; ++s)
        if (!std::isalnum(static_cast<unsigned char>(*s)) && *s != '_') return false;
    return true;
}

// Macros become #define lines ahead of the source; a macro that cannot be written as one line
// is refused rather than silently changed.
bool BuildPreamble(const D3D10_SHADER_MACRO* defines, UINT flags, std::string* preamble)
{
    if (flags & D3D10_SHADER_PACK_MATRIX_ROW_MAJOR) *preamble += "#pragma pack_matrix(row_major)\n";
    for (const D3D10_SHADER_MACRO* m = defines; m && m->Name; ++m) {
        const char* value = m->Definition ? m->Definition : "";
        if (!IsIdentifier(m->Name) || std::strpbrk(value, "\r\n")) return false;
        *preamble += std::string("#define ") + m->Name + " " + value + "\n";
    }
    return true;
}

// Serves #include through the caller's ID3DInclude.
class IncludeAdapter : public glslang::TShader::Includer {
  public:
    explicit IncludeAdapter(ID3DInclude* include) : include_(include) {}
    IncludeResult* includeSystem(const char* name, const char*, size_t) override
    {
        return Open(D3D_INCLUDE_SYSTEM, name);
    }
    IncludeResult* includeLocal(const char* name, const char*, size_t) override
    {
        return Open(D3D_INCLUDE_LOCAL, name);
    }
    void releaseInclude(IncludeResult* result) override
    {
        if (!result) return;
        include_->Close(result->userData);
        delete result;
    }

  private:
    IncludeResult* Open(D3D_INCLUDE_TYPE type, const char* name)
    {
        LPCVOID data = nullptr;
        UINT bytes = 0;
        if (FAILED(include_->Open(type, name, nullptr, &data, &bytes)) || !data) return nullptr;
        return new IncludeResult(name, static_cast<const char*>(data), bytes, const_cast<void*>(data));
    }
    ID3DInclude* include_;
};

struct CompileOutput {
    std::vector<uint32_t> plainSpirv;      // straight from the front end: every declared input
    std::vector<uint32_t> legalisedSpirv;  // after glslang's HLSL legalisation passes
    std::string log;
};

// One source file to compile; glslang keeps pointers to the string arrays, so they live here.
struct HlslSource {
    HlslSource(const std::string& text, const std::string& name, const std::string& preamble, const char* entryPoint,
               EShLanguage language)
        : strings{text.c_str()}, lengths{static_cast<int>(text.size())}, names{name.c_str()}, name(name),
          preamble(preamble), entryPoint(entryPoint), language(language)
    {
    }
    const char* strings[1];
    int lengths[1];
    const char* names[1];
    const std::string& name;
    const std::string& preamble;
    const char* entryPoint;
    EShLanguage language;
};

// HLSL packing rules for cbuffers, so that byte offsets are the ones the program uploads.
const EShMessages GlslangMessages =
    EShMessages(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl | EShMsgHlslOffsets);

void Configure(glslang::TShader& shader, const HlslSource& src)
{
    shader.setStringsWithLengthsAndNames(src.strings, src.lengths, src.names, 1);
    shader.setPreamble(src.preamble.c_str());
    shader.setEntryPoint(src.entryPoint);
    shader.setEnvInput(glslang::EShSourceHlsl, src.language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();  // keeps semantic names as UserSemantic decorations
    shader.setHlslIoMapping(true);
    shader.setAutoMapLocations(true);
    shader.setAutoMapBindings(true);
    shader.setShiftBinding(glslang::EResUbo, platform::ConstantBufferBindingBase);
    shader.setShiftBinding(glslang::EResTexture, platform::TextureBindingBase);
    shader.setShiftBinding(glslang::EResSampler, platform::SamplerBindingBase);
    shader.setShiftBinding(glslang::EResUav, platform::OtherBindingBase);
    shader.setShiftBinding(glslang::EResSsbo, platform::OtherBindingBase);
    shader.setShiftBinding(glslang::EResImage, platform::OtherBindingBase);
}

// Whether the preprocessed source mentions `name(`: when it does not, a failed compile is
// first of all a missing entry point, which glslang itself does not always say.
bool MentionsFunction(const HlslSource& src, glslang::TShader::Includer& includer)
{
    glslang::TShader shader(src.language);
    Configure(shader, src);
    std::string text;
    if (!shader.preprocess(GetDefaultResources(), 100, ENoProfile, false, false, GlslangMessages, &text, includer))
        return true;  // the preprocessor's own error is the message to show
    const std::string name = src.entryPoint;
    const auto isWord = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        if (at > 0 && isWord(text[at - 1])) continue;
        size_t next = at + name.size();
        while (next < text.size() && std::isspace(static_cast<unsigned char>(text[next]))) ++next;
        if (next < text.size() && text[next] == '(') return true;
    }
    return false;
}

bool CompileHlsl(const HlslSource& src, ID3DInclude* include, CompileOutput* out)
{
    EnsureGlslang();
    glslang::TShader shader(src.language);
    Configure(shader, src);
    glslang::TShader::ForbidIncluder forbid;
    IncludeAdapter adapter(include);
    glslang::TShader::Includer& includer = include ? static_cast<glslang::TShader::Includer&>(adapter) : forbid;
    const std::string missing = "ERROR: " + src.name + ": entry point '" + src.entryPoint + "' not found\n";
    if (!shader.parse(GetDefaultResources(), 100, false, GlslangMessages, includer)) {
        out->log = shader.getInfoLog();
        if (!MentionsFunction(src, includer)) out->log = missing + out->log;
        return false;
    }
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(GlslangMessages) || !program.mapIO()) {
        out->log = std::string(shader.getInfoLog()) + program.getInfoLog();
        // glslang reports a missing entry point only as a link warning; say what failed.
        if (out->log.find("Entry point not found") != std::string::npos) out->log = missing + out->log;
        return false;
    }
    const glslang::TIntermediate* intermediate = program.getIntermediate(src.language);
    if (!intermediate) {
        out->log = "no code was generated for the entry point";
        return false;
    }
    spv::SpvBuildLogger logger;
    glslang::SpvOptions options;
    options.disableOptimizer = true;
    glslang::GlslangToSpv(*intermediate, out->plainSpirv, &logger, &options);
    options.disableOptimizer = false;
    glslang::GlslangToSpv(*intermediate, out->legalisedSpirv, &logger, &options);
    if (out->plainSpirv.empty() || out->legalisedSpirv.empty()) {
        out->log = "SPIR-V generation failed: " + logger.getAllMessages();
        return false;
    }
    return true;
}

HRESULT Finish(HRESULT hr, HRESULT* pHResult)
{
    if (pHResult) *pHResult = hr;
    return hr;
}

}  // namespace

HRESULT WINAPI D3DX11CompileFromFileW(LPCWSTR pSrcFile, const D3D10_SHADER_MACRO* pDefines, LPD3D10INCLUDE pInclude,
                                      LPCSTR pFunctionName, LPCSTR pProfile, UINT Flags1, UINT /*Flags2*/,
                                      ID3DX11ThreadPump* pPump, ID3D10Blob** ppShader, ID3D10Blob** ppErrorMsgs,
                                      HRESULT* pHResult)
{
    if (ppShader) *ppShader = nullptr;
    if (ppErrorMsgs) *ppErrorMsgs = nullptr;
    if (pPump) return Finish(E_NOTIMPL, pHResult);
    if (!pSrcFile || !pFunctionName || !pProfile || !ppShader) return Finish(E_INVALIDARG, pHResult);
    if (std::strlen(pFunctionName) > platform::MaxBlobStringLength) return Finish(E_INVALIDARG, pHResult);

    ShaderStage stage;
    EShLanguage language;
    if (!ParseProfile(pProfile, &stage, &language)) return Finish(E_INVALIDARG, pHResult);
    const UINT packing = D3D10_SHADER_PACK_MATRIX_ROW_MAJOR | D3D10_SHADER_PACK_MATRIX_COLUMN_MAJOR;
    if ((Flags1 & packing) == packing) return Finish(E_INVALIDARG, pHResult);
    std::string preamble;
    if (!BuildPreamble(pDefines, Flags1, &preamble)) return Finish(E_INVALIDARG, pHResult);

    std::string path, source;
    if (!WidePathToUtf8(pSrcFile, &path)) return Finish(E_INVALIDARG, pHResult);
    if (!ReadWholeFile(path, &source)) return Finish(D3D11_ERROR_FILE_NOT_FOUND, pHResult);
    if (source.size() > MaxSourceBytes) {
        if (ppErrorMsgs) *ppErrorMsgs = platform::CreateTextBlob(("ERROR: " + path + ": file too large").c_str());
        return Finish(E_FAIL, pHResult);
    }

    CompileOutput output;
    platform::ShaderBlobContents contents;
    std::string failure;
    const HlslSource src(source, path, preamble, pFunctionName, language);
    if (!CompileHlsl(src, pInclude, &output)) {
        failure = output.log.empty() ? std::string("compilation failed") : output.log;
    } else if (!platform::ReflectInputSignature(output.plainSpirv, &contents.inputs, &failure)) {
        failure = "input signature: " + failure;
    }
    if (!failure.empty()) {
        if (ppErrorMsgs) *ppErrorMsgs = platform::CreateTextBlob(failure.c_str());
        return Finish(E_FAIL, pHResult);
    }

    contents.stage = stage;
    contents.entryPoint = pFunctionName;
    contents.spirv = std::move(output.legalisedSpirv);
    const std::vector<uint8_t> bytes = platform::WriteShaderBlob(contents);
    *ppShader = platform::CreateBlob(bytes.data(), bytes.size());
    return Finish(*ppShader ? S_OK : E_OUTOFMEMORY, pHResult);
}
