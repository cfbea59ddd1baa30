// The blob layout between the compiler and the device, and the semantic-location table.
#include <gtest/gtest.h>

#include <cstring>

#include "ShaderBlob.h"
#include "TestShaders.h"

using namespace platform;

TEST(ShaderBlob, WrittenBlobReadsBackField)
{
    ShaderBlobContents c;
    c.stage = ShaderStage::Geometry;
    c.entryPoint = "GS_SV_1";
    c.inputs = {{"POSITION", 0, 0, 4}, {"VERTEXID", 0, 0, 1}, {"TEXCOORD", 7, 0, 2}};
    c.spirv = {0x07230203, 0x00010000, 1, 2, 3};
    const std::vector<uint8_t> bytes = WriteShaderBlob(c);
    ShaderBlobContents back;
    ASSERT_TRUE(ParseShaderBlob(bytes.data(), bytes.size(), &back));
    EXPECT_EQ(back.stage, c.stage);
    EXPECT_EQ(back.entryPoint, c.entryPoint);
    ASSERT_EQ(back.inputs.size(), 3u);
    EXPECT_EQ(back.inputs[2].semantic, "TEXCOORD");
    EXPECT_EQ(back.inputs[2].index, 7u);
    EXPECT_EQ(back.inputs[2].componentCount, 2u);
    EXPECT_EQ(back.spirv, c.spirv);

    ShaderStage stage;
    std::vector<ShaderInput> inputs;
    ASSERT_TRUE(ReadShaderSignature(bytes.data(), bytes.size(), &stage, &inputs));
    // A geometry shader's inputs are varyings: they take their places from the varying table.
    EXPECT_EQ(inputs[0].location, VaryingSemanticLocation("POSITION", 0));
    EXPECT_EQ(inputs[2].location, VaryingSemanticLocation("TEXCOORD", 7));
}

TEST(ShaderBlob, DamagedBlobsAreRejectedWithoutReadingPastTheirEnd)
{
    BlobPtr code = CompileSource(SevenEntryPointSource, "VS", "vs_4_0");
    ASSERT_TRUE(code);
    const auto* start = static_cast<const uint8_t*>(code->GetBufferPointer());
    const std::vector<uint8_t> good(start, start + code->GetBufferSize());
    ShaderStage stage;
    std::vector<ShaderInput> inputs;
    ASSERT_TRUE(ReadShaderSignature(good.data(), good.size(), &stage, &inputs));

    // Every shorter prefix, copied so that the sanitizer sees any read past its end.
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + long(n));
        EXPECT_FALSE(ReadShaderSignature(cut.data(), cut.size(), &stage, &inputs)) << n;
    }
    std::vector<uint8_t> longer = good;
    longer.insert(longer.end(), {0, 0, 0, 0});
    EXPECT_FALSE(ReadShaderSignature(longer.data(), longer.size(), &stage, &inputs));
    // Corrupt each header word: magic, version, stage, entry-point length, ("VS"), input count.
    for (size_t word : {0, 1, 2, 3, 5}) {
        std::vector<uint8_t> bad = good;
        bad[word * 4 + 3] ^= 0x80;
        EXPECT_FALSE(ReadShaderSignature(bad.data(), bad.size(), &stage, &inputs)) << word;
    }
    EXPECT_FALSE(ReadShaderSignature(nullptr, 0, &stage, &inputs));

    TranslatedShader translated;
    std::string error;
    const std::string text = "plain text, not byte code";
    EXPECT_FALSE(TranslateShaderBytecode(text.data(), text.size(), &translated, &error));
    EXPECT_FALSE(error.empty());

    // A well-formed blob whose SPIR-V is garbage fails in translation, with SPIRV-Cross's reason.
    ShaderBlobContents junk;
    junk.entryPoint = "VS";
    junk.spirv = {0x07230203, 0x00010000, 0, 100, 0, 0xFFFFFFFF};
    const std::vector<uint8_t> bytes = WriteShaderBlob(junk);
    error.clear();
    EXPECT_FALSE(TranslateShaderBytecode(bytes.data(), bytes.size(), &translated, &error));
    EXPECT_FALSE(error.empty());
}

TEST(ShaderBlob, SemanticsSplitIntoUpperCaseNameAndIndex)
{
    std::string name;
    uint32_t index = 99;
    SplitSemantic("TEXCOORD1", &name, &index);
    EXPECT_EQ(name, "TEXCOORD");
    EXPECT_EQ(index, 1u);
    SplitSemantic("texture", &name, &index);
    EXPECT_EQ(name, "TEXTURE");
    EXPECT_EQ(index, 0u);
    SplitSemantic("Color12", &name, &index);
    EXPECT_EQ(name, "COLOR");
    EXPECT_EQ(index, 12u);
    SplitSemantic("A99999999999", &name, &index);  // too many digits for an index
    EXPECT_EQ(name, "A99999999999");
    EXPECT_EQ(index, 0u);
}

TEST(ShaderBlob, BlobsAreReferenceCountedComObjects)
{
    BlobPtr code = CompileSource(SevenEntryPointSource, "PS_S", "ps_4_0");
    ASSERT_TRUE(code);
    void* same = nullptr;
    ASSERT_EQ(code->QueryInterface(IID_ID3D10Blob, &same), S_OK);
    EXPECT_EQ(same, code.get());
    void* unknown = nullptr;
    ASSERT_EQ(code->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(code->Release(), 2u);
    EXPECT_EQ(code->AddRef(), 3u);
    EXPECT_EQ(code->Release(), 2u);
    EXPECT_EQ(code->Release(), 1u);
    void* other = &same;
    EXPECT_EQ(code->QueryInterface(IID_ID3D11Device, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(code->QueryInterface(IID_ID3D10Blob, nullptr), E_POINTER);
}
