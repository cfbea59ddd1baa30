// Filling the process-wide semantic table (its own test program, since the table never empties).
#include <gtest/gtest.h>

#include <set>

#include "ShaderBlob.h"
#include "TestShaders.h"

using namespace platform;

TEST(SemanticTable, FullTableRefusesNewSemanticsAndTranslationSaysSo)
{
    // 13 places are fixed; the other 19 go to the first semantics that ask.
    std::set<uint32_t> seen;
    for (uint32_t i = 0; i < 19; ++i) {
        const uint32_t location = SemanticLocation("EXTRA", i);
        EXPECT_GE(location, 13u);
        EXPECT_LT(location, 32u);
        seen.insert(location);
    }
    EXPECT_EQ(seen.size(), 19u);
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
