// D3DX11CompileFromFileW: profiles and stages, the input signature it records, and its failures
// (missing file, syntax error, missing entry point, bad arguments), macros, includes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ShaderBytecode.h"
#include "TestFiles.h"
#include "TestShaders.h"

using platform::ShaderInput;
using platform::ShaderStage;

namespace {

HRESULT CompileFile(const std::wstring& path, const char* entry, const char* profile, BlobPtr* code,
                    BlobPtr* errors = nullptr, const D3D10_SHADER_MACRO* macros = nullptr,
                    ID3DInclude* include = nullptr, UINT flags = 0x810)
{
    ID3D10Blob* c = reinterpret_cast<ID3D10Blob*>(1);  // must be overwritten, even on failure
    ID3D10Blob* e = reinterpret_cast<ID3D10Blob*>(1);
    HRESULT reported = 1;
    const HRESULT hr =
        D3DX11CompileFromFileW(path.c_str(), macros, include, entry, profile, flags, 0, nullptr, &c, &e, &reported);
    EXPECT_EQ(hr, reported);
    code->reset(c);
    if (errors)
        errors->reset(e);
    else if (e)
        e->Release();
    return hr;
}

std::string Text(const BlobPtr& blob)
{
    if (!blob) return "";
    const char* text = static_cast<const char*>(blob->GetBufferPointer());
    EXPECT_EQ(blob->GetBufferSize(), std::strlen(text) + 1) << "message must be one zero-terminated text";
    return text;
}

std::vector<ShaderInput> Signature(const BlobPtr& blob, ShaderStage* stage = nullptr)
{
    std::vector<ShaderInput> inputs;
    ShaderStage s;
    EXPECT_TRUE(platform::ReadShaderSignature(blob->GetBufferPointer(), blob->GetBufferSize(), &s, &inputs));
    if (stage) *stage = s;
    return inputs;
}

}  // namespace

TEST(ShaderCompile, AllSevenEntryPointsCompileForTheirStageInEveryShaderModel)
{
    const std::wstring path = Wide(WriteScratchFile("seven.hlsl", SevenEntryPointSource));
    for (const char* model : {"_4_0", "_4_1", "_5_0"}) {
        for (const EntryPoint& e : SevenEntryPoints) {
            const std::string profile = std::string(e.profile, 2) + model;
            BlobPtr code, errors;
            ASSERT_EQ(CompileFile(path, e.name, profile.c_str(), &code, &errors), S_OK)
                << e.name << " " << Text(errors);
            ASSERT_TRUE(code);
            EXPECT_FALSE(errors);
            ShaderStage stage;
            Signature(code, &stage);
            const ShaderStage expected = e.profile[0] == 'v'   ? ShaderStage::Vertex
                                         : e.profile[0] == 'g' ? ShaderStage::Geometry
                                                               : ShaderStage::Pixel;
            EXPECT_EQ(stage, expected) << e.name << " " << profile;
        }
    }
}

TEST(ShaderCompile, InputSignatureKeepsEveryDeclaredVertexInputWithItsSemantic)
{
    const std::wstring path = Wide(WriteScratchFile("seven.hlsl", SevenEntryPointSource));
    // VS reads all three; VS_SV declares the same struct but reads only the position, and the
    // signature must still list all three so the scene input layout fits it.
    for (const char* entry : {"VS", "VS_SV"}) {
        BlobPtr code;
        ASSERT_EQ(CompileFile(path, entry, "vs_4_0", &code), S_OK);
        const std::vector<ShaderInput> inputs = Signature(code);
        ASSERT_EQ(inputs.size(), 3u) << entry;
        const struct {
            const char* semantic;
            uint32_t components;
        } expected[] = {{"POSITION", 3}, {"NORMAL", 3}, {"TEXTURE", 2}};
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(inputs[i].semantic, expected[i].semantic) << entry;
            EXPECT_EQ(inputs[i].index, 0u);
            EXPECT_EQ(inputs[i].componentCount, expected[i].components) << entry << " " << inputs[i].semantic;
            EXPECT_EQ(inputs[i].location, platform::SemanticLocation(expected[i].semantic, 0));
        }
    }
    // System values are not fed by vertex buffers, so they are not part of the signature.
    BlobPtr strip;
    ASSERT_EQ(CompileFile(path, "VS_S", "vs_4_0", &strip), S_OK);
    EXPECT_TRUE(Signature(strip).empty());
}

TEST(ShaderCompile, SemanticIndicesAndLowerCaseNamesAreNormalised)
{
    BlobPtr code =
        CompileSource("float4 main(float4 a : texcoord3, float b : Color1, float4 p : POSITION) : SV_Position"
                      " { return a * b + p; }",
                      "main", "vs_5_0");
    ASSERT_TRUE(code);
    const std::vector<ShaderInput> inputs = Signature(code);
    ASSERT_EQ(inputs.size(), 3u);
    EXPECT_EQ(inputs[0].semantic, "TEXCOORD");
    EXPECT_EQ(inputs[0].index, 3u);
    EXPECT_EQ(inputs[0].componentCount, 4u);
    EXPECT_EQ(inputs[1].semantic, "COLOR");
    EXPECT_EQ(inputs[1].index, 1u);
    EXPECT_EQ(inputs[1].componentCount, 1u);
}

TEST(ShaderCompile, MissingFileGivesFileNotFoundAndNoBlob)
{
    BlobPtr code, errors;
    EXPECT_EQ(CompileFile(Wide(ScratchPath("no such file.hlsl")), "VS", "vs_4_0", &code, &errors),
              D3D11_ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(code);
    EXPECT_EQ(CompileFile(Wide(ScratchPath("")), "VS", "vs_4_0", &code, &errors), D3D11_ERROR_FILE_NOT_FOUND)
        << "a directory is not a shader file";
    EXPECT_FALSE(code);
}

TEST(ShaderCompile, WindowsSeparatorsAndNonAsciiNamesFindTheFile)
{
    WriteScratchFile("caf\xC3\xA9.hlsl", SevenEntryPointSource);
    std::wstring path = Wide(ScratchPath(""));  // "/tmp/qv_d3dx11_XXXXXX/"
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == L'/') path[i] = L'\\';
    path += L"caf\u00e9.hlsl";
    BlobPtr code;
    EXPECT_EQ(CompileFile(path, "PS_S", "ps_4_0", &code), S_OK);
    EXPECT_TRUE(code);
}

TEST(ShaderCompile, SyntaxErrorGivesNegativeCodeAndTheCompilerMessage)
{
    const std::wstring path = Wide(WriteScratchFile("broken.hlsl", "float4 VS(float4 p : POSITION) : SV_Position\n"
                                                                   "{\n    return p +;\n}\n"));
    BlobPtr code, errors;
    const HRESULT hr = CompileFile(path, "VS", "vs_4_0", &code, &errors);
    EXPECT_LT(hr, 0);
    EXPECT_FALSE(code);
    ASSERT_TRUE(errors);
    const std::string message = Text(errors);
    EXPECT_NE(message.find("broken.hlsl:3"), std::string::npos) << message;  // file and line of the fault
    EXPECT_NE(message.find("ERROR"), std::string::npos) << message;

    // Without an error output the call still fails, and nothing leaks (sanitizer builds).
    ID3D10Blob* plain = nullptr;
    EXPECT_LT(D3DX11CompileFromFileW(path.c_str(), nullptr, nullptr, "VS", "vs_4_0", 0x810, 0, nullptr, &plain, nullptr,
                                     nullptr),
              0);
    EXPECT_EQ(plain, nullptr);
}

TEST(ShaderCompile, MissingEntryPointIsACompileErrorNamingIt)
{
    std::string source = SevenEntryPointSource;
    source.replace(source.find("GS_SV_2("), 7, "GS_SV_X");
    std::string errors;
    HRESULT hr = S_OK;
    EXPECT_FALSE(CompileSource(source, "GS_SV_2", "gs_4_0", 0x810, &errors, &hr));
    EXPECT_LT(hr, 0);
    EXPECT_NE(errors.find("GS_SV_2"), std::string::npos) << errors;
    // The other entry points of the same file are unaffected.
    EXPECT_TRUE(CompileSource(source, "GS_SV_1", "gs_4_0"));
}

TEST(ShaderCompile, ProfilesOutsideTheSupportedStagesAndModelsAreInvalidArguments)
{
    const std::wstring path = Wide(WriteScratchFile("seven.hlsl", SevenEntryPointSource));
    for (const char* profile : {"cs_5_0", "hs_5_0", "vs_3_0", "ps_4_0_level_9_1", "vs_4_0 ", "VS_4_0", ""}) {
        BlobPtr code;
        EXPECT_EQ(CompileFile(path, "VS", profile, &code), E_INVALIDARG) << "'" << profile << "'";
        EXPECT_FALSE(code);
    }
    BlobPtr code;
    EXPECT_EQ(CompileFile(path, "VS", "vs_4_0", &code, nullptr, nullptr, nullptr,
                          D3D10_SHADER_PACK_MATRIX_ROW_MAJOR | D3D10_SHADER_PACK_MATRIX_COLUMN_MAJOR),
              E_INVALIDARG);
    EXPECT_EQ(CompileFile(path, std::string(300, 'V').c_str(), "vs_4_0", &code), E_INVALIDARG) << "entry name too long";
    ID3D10Blob* out = nullptr;
    EXPECT_EQ(D3DX11CompileFromFileW(path.c_str(), nullptr, nullptr, "VS", "vs_4_0", 0, 0, nullptr, nullptr, nullptr,
                                     nullptr),
              E_INVALIDARG);
    EXPECT_EQ(D3DX11CompileFromFileW(path.c_str(), nullptr, nullptr, "VS", "vs_4_0", 0, 0,
                                     reinterpret_cast<ID3DX11ThreadPump*>(&out), &out, nullptr, nullptr),
              E_NOTIMPL);
    EXPECT_EQ(out, nullptr);
}

TEST(ShaderCompile, MacrosAreDefinedForTheSource)
{
    const std::wstring path = Wide(WriteScratchFile("macro.hlsl", "#if SCALE != 3\n#error SCALE not set\n#endif\n"
                                                                  "float4 VS(float4 p : POSITION) : SV_Position"
                                                                  " { return p * SCALE; }\n"));
    BlobPtr code, errors;
    const D3D10_SHADER_MACRO scale[] = {{"SCALE", "3"}, {nullptr, nullptr}};
    EXPECT_EQ(CompileFile(path, "VS", "vs_4_0", &code, &errors, scale), S_OK) << Text(errors);
    EXPECT_LT(CompileFile(path, "VS", "vs_4_0", &code, &errors), 0);
    EXPECT_NE(Text(errors).find("SCALE not set"), std::string::npos) << Text(errors);
    const D3D10_SHADER_MACRO twoLines[] = {{"SCALE", "3\n#define X"}, {nullptr, nullptr}};
    EXPECT_EQ(CompileFile(path, "VS", "vs_4_0", &code, &errors, twoLines), E_INVALIDARG);
}

namespace {

class MemoryInclude : public ID3DInclude {
  public:
    HRESULT Open(D3D_INCLUDE_TYPE, LPCSTR name, LPCVOID, LPCVOID* data, UINT* bytes) override
    {
        if (std::string(name) != "common.hlsli") return E_FAIL;
        ++opened;
        *data = IncludedText;
        *bytes = UINT(std::strlen(IncludedText));
        return S_OK;
    }
    HRESULT Close(LPCVOID data) override
    {
        closed += data == IncludedText;
        return S_OK;
    }
    int opened = 0, closed = 0;
    static constexpr const char* IncludedText = "float4 Twice(float4 v) { return v * 2; }\n";
};

}  // namespace

TEST(ShaderCompile, IncludesGoThroughTheHandlerAndFailWithoutOne)
{
    const std::wstring path = Wide(WriteScratchFile("inc.hlsl", "#include \"common.hlsli\"\n"
                                                                "float4 VS(float4 p : POSITION) : SV_Position"
                                                                " { return Twice(p); }\n"));
    MemoryInclude include;
    BlobPtr code, errors;
    EXPECT_EQ(CompileFile(path, "VS", "vs_4_0", &code, &errors, nullptr, &include), S_OK) << Text(errors);
    EXPECT_EQ(include.opened, 1);
    EXPECT_EQ(include.closed, 1);
    EXPECT_LT(CompileFile(path, "VS", "vs_4_0", &code, &errors), 0);
    EXPECT_FALSE(code);
}
