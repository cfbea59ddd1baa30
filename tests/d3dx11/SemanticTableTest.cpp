// The process-wide semantic table: fixed and first-come places, and what happens when it is full.
// Its own test program, since the table never empties and these tests depend on what came first.
#include <gtest/gtest.h>

#include <set>

#include "ShaderBlob.h"
#include "TestShaders.h"

using namespace platform;

TEST(SemanticTable, CommonSemanticsHaveFixedPlacesAndOthersKeepTheirFirstPlace)
{
    EXPECT_EQ(SemanticLocation("POSITION", 0), 0u);
    EXPECT_EQ(SemanticLocation("NORMAL", 0), 1u);
    EXPECT_EQ(SemanticLocation("TEXTURE", 0), 2u);
    for (uint32_t i = 0; i < 8; ++i) EXPECT_EQ(SemanticLocation("TEXCOORD", i), 3u + i);
    EXPECT_EQ(SemanticLocation("COLOR", 0), 11u);
    EXPECT_EQ(SemanticLocation("COLOR", 1), 12u);

    // Other vertex inputs take the next free attribute place (13 up to 15), and keep it.
    const uint32_t tangent = SemanticLocation("TANGENT", 0);
    const uint32_t weights = SemanticLocation("BLENDWEIGHT", 0);
    EXPECT_EQ(tangent, 13u);
    EXPECT_EQ(weights, 14u);
    EXPECT_EQ(SemanticLocation("TANGENT", 0), tangent);
    EXPECT_EQ(SemanticLocation("TANGENT", 1), 15u);
}

TEST(SemanticTable, VaryingsCountUpFromZeroInTheirOwnTable)
{
    // Varyings are placed in order of first use from 0, whatever the vertex inputs took, and keep
    // their place: drivers check locations against limits that may end at 15.
    EXPECT_EQ(SemanticLocation("TANGENT", 0), 13u);
    EXPECT_EQ(VaryingSemanticLocation("DEPTH", 0), 0u);
    EXPECT_EQ(VaryingSemanticLocation("TEXCOORD", 3), 1u);
    EXPECT_EQ(VaryingSemanticLocation("TANGENT", 0), 2u);
    EXPECT_EQ(VaryingSemanticLocation("DEPTH", 0), 0u);
    EXPECT_EQ(SemanticLocation("TEXCOORD", 3), 6u) << "the attribute table is not disturbed";
}

TEST(SemanticTable, FullTableRefusesNewSemanticsAndTranslationSaysSo)
{
    // 13 places are fixed; the others (at most 19) go to the first semantics that ask.
    std::set<uint32_t> seen;
    bool full = false;
    for (uint32_t i = 0; i < 20 && !full; ++i) {
        const uint32_t location = SemanticLocation("EXTRA", i);
        full = location == 32;
        if (!full) {
            EXPECT_GE(location, 13u);
            EXPECT_TRUE(seen.insert(location).second) << "location " << location << " given twice";
        }
    }
    ASSERT_TRUE(full);
    EXPECT_EQ(SemanticLocation("ONE_TOO_MANY", 0), 32u);
    EXPECT_EQ(SemanticLocation("POSITION", 0), 0u) << "existing entries are still found";

    BlobPtr code = CompileSource("float4 VS(float4 p : ONE_TOO_MANY) : SV_Position { return p; }", "VS", "vs_4_0");
    ASSERT_TRUE(code);
    ShaderStage stage;
    std::vector<ShaderInput> inputs;
    EXPECT_FALSE(ReadShaderSignature(code->GetBufferPointer(), code->GetBufferSize(), &stage, &inputs));
    TranslatedShader out;
    std::string error;
    EXPECT_FALSE(TranslateShaderBytecode(code->GetBufferPointer(), code->GetBufferSize(), &out, &error));
    EXPECT_NE(error.find("location"), std::string::npos) << error;
}
