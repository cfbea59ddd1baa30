// Translated shaders in a real OpenGL 4.5 context (Mesa llvmpipe, no display): every stage links
// as a separable program, stages built apart meet by semantic, and Direct3D's conventions hold
// (row-vector matrices, SV_VertexID of 0xFFFFFFFF, SV_Position from the top, bindings per stage).
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "GlContext.h"
#include "ShaderBytecode.h"
#include "TestShaders.h"

using namespace platform;

namespace {

struct Stage {
    GLuint program = 0;
    TranslatedShader shader;
    std::string log;
};

GLenum GlStage(ShaderStage s)
{
    return s == ShaderStage::Vertex     ? GL_VERTEX_SHADER
           : s == ShaderStage::Geometry ? GL_GEOMETRY_SHADER
                                        : GL_FRAGMENT_SHADER;
}

GLbitfield StageBit(ShaderStage s)
{
    return s == ShaderStage::Vertex     ? GL_VERTEX_SHADER_BIT
           : s == ShaderStage::Geometry ? GL_GEOMETRY_SHADER_BIT
                                        : GL_FRAGMENT_SHADER_BIT;
}

// Translates the blob and links it with glCreateShaderProgramv; program 0 (and a log) on failure.
Stage Link(const BlobPtr& blob)
{
    Stage s;
    if (!blob) {
        s.log = "no blob";
        return s;
    }
    if (!TranslateShaderBytecode(blob->GetBufferPointer(), blob->GetBufferSize(), &s.shader, &s.log)) return s;
    const char* source = s.shader.glsl.c_str();
    GLuint program = glCreateShaderProgramv(GlStage(s.shader.stage), 1, &source);
    GLint linked = 0, length = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    if (!linked) {
        std::string log(size_t(std::max(length, 1)), '\0');
        glGetProgramInfoLog(program, length, nullptr, log.data());
        s.log = log + "\n" + s.shader.glsl;
        glDeleteProgram(program);
        return s;
    }
    s.program = program;
    return s;
}

Stage Link(const std::string& source, const char* entry, const char* profile, UINT flags = 0x810)
{
    std::string errors;
    Stage s = Link(CompileSource(source, entry, profile, flags, &errors));
    if (!errors.empty()) s.log = errors;
    return s;
}

class Pipeline {
  public:
    explicit Pipeline(const std::vector<const Stage*>& stages)
    {
        glCreateProgramPipelines(1, &id_);
        for (const Stage* s : stages) glUseProgramStages(id_, StageBit(s->shader.stage), s->program);
    }
    ~Pipeline() { glDeleteProgramPipelines(1, &id_); }
    bool Validate(std::string* log)
    {
        glValidateProgramPipeline(id_);
        GLint ok = 0, length = 0;
        glGetProgramPipelineiv(id_, GL_VALIDATE_STATUS, &ok);
        glGetProgramPipelineiv(id_, GL_INFO_LOG_LENGTH, &length);
        log->assign(size_t(std::max(length, 1)), '\0');
        glGetProgramPipelineInfoLog(id_, length, nullptr, log->data());
        return ok;
    }
    void Bind() { glBindProgramPipeline(id_); }

  private:
    GLuint id_ = 0;
};

// A small RGBA8 colour target with a vertex array, read back in Direct3D's row order.
class Target {
  public:
    static constexpr int ImageSide = 16;
    Target()
    {
        glCreateRenderbuffers(1, &colour_);
        glNamedRenderbufferStorage(colour_, GL_RGBA8, ImageSide, ImageSide);
        glCreateFramebuffers(1, &fbo_);
        glNamedFramebufferRenderbuffer(fbo_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glViewport(0, 0, ImageSide, ImageSide);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glCreateVertexArrays(1, &vao_);
        glBindVertexArray(vao_);
    }
    ~Target()
    {
        glBindVertexArray(0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteVertexArrays(1, &vao_);
        glDeleteFramebuffers(1, &fbo_);
        glDeleteRenderbuffers(1, &colour_);
        for (GLuint b : buffers_) glDeleteBuffers(1, &b);
    }
    GLuint Vao() const { return vao_; }
    GLuint Buffer(const void* data, size_t size)
    {
        GLuint b = 0;
        glCreateBuffers(1, &b);
        glNamedBufferData(b, GLsizeiptr(size), data, GL_STATIC_DRAW);
        buffers_.push_back(b);
        return b;
    }
    // Feeds `components` floats per vertex from `data` to attribute `location`.
    void Attribute(GLuint location, const std::vector<float>& data, int components)
    {
        const GLuint b = Buffer(data.data(), data.size() * sizeof(float));
        glVertexArrayVertexBuffer(vao_, location, b, 0, GLsizei(components * sizeof(float)));
        glVertexArrayAttribFormat(vao_, location, components, GL_FLOAT, GL_FALSE, 0);
        glVertexArrayAttribBinding(vao_, location, location);
        glEnableVertexArrayAttrib(vao_, location);
    }
    std::array<int, 4> Pixel(int x, int yFromTop) const
    {
        uint8_t p[4] = {};
        glReadPixels(x, ImageSide - 1 - yFromTop, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2], p[3]};
    }

  private:
    GLuint colour_ = 0, fbo_ = 0, vao_ = 0;
    std::vector<GLuint> buffers_;
};

const std::vector<float> FullScreenTriangle = {-1, -1, 0, 3, -1, 0, -1, 3, 0};

class GlTranslate : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { context_ = new GlContext; }
    static void TearDownTestSuite()
    {
        delete context_;
        context_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(context_->Ok()) << context_->Error(); }
    void TearDown() override
    {
        for (Stage* s : owned_) glDeleteProgram(s->program);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    Stage& Keep(Stage s)
    {
        stages_.push_back(std::make_unique<Stage>(std::move(s)));
        owned_.push_back(stages_.back().get());
        return *stages_.back();
    }

  private:
    static GlContext* context_;
    std::vector<std::unique_ptr<Stage>> stages_;
    std::vector<Stage*> owned_;
};
GlContext* GlTranslate::context_ = nullptr;

}  // namespace

TEST_F(GlTranslate, SevenEntryPointsLinkAndPairIntoValidPipelines)
{
    Stage* s[7];
    for (int i = 0; i < 7; ++i) {
        s[i] = &Keep(Link(SevenEntryPointSource, SevenEntryPoints[i].name, SevenEntryPoints[i].profile));
        ASSERT_NE(s[i]->program, 0u) << SevenEntryPoints[i].name << ": " << s[i]->log;
    }
    const Stage &vs = *s[0], &ps = *s[1], &vsSv = *s[2], &gsAdj = *s[3], &gs = *s[4], &vsS = *s[5], &psS = *s[6];
    for (const auto& stages : {std::vector<const Stage*>{&vs, &ps}, {&vsSv, &gsAdj}, {&vsSv, &gs}, {&vsS, &psS}}) {
        Pipeline pipeline(stages);
        std::string log;
        EXPECT_TRUE(pipeline.Validate(&log)) << log;
    }
    EXPECT_EQ(vs.shader.constantBufferSlots, std::vector<uint32_t>{0});
    EXPECT_EQ(gsAdj.shader.constantBufferSlots, std::vector<uint32_t>{0});
    EXPECT_EQ(ps.shader.constantBufferSlots, std::vector<uint32_t>{0});
    ASSERT_EQ(ps.shader.samplers.size(), 1u);
    EXPECT_EQ(ps.shader.samplers[0].unit, TextureUnit(ShaderStage::Pixel, 0));
    EXPECT_EQ(ps.shader.samplers[0].textureSlot, 0u);
    EXPECT_EQ(ps.shader.samplers[0].samplerSlot, 0u);
    EXPECT_TRUE(vsS.shader.constantBufferSlots.empty());
    EXPECT_EQ(vs.shader.inputs.size(), 3u);
}

TEST_F(GlTranslate, VaryingsMeetBySemanticNotByDeclarationOrder)
{
    const std::string source = R"(
        struct VIn { float2 uv : TEXTURE; float3 pos : POSITION; };
        struct VOut { float4 pos : SV_Position; float4 a : TEXCOORD0; float4 b : COLOR1; float2 uv : TEXTURE; };
        struct PIn { float2 uv : TEXTURE; float4 b : COLOR1; float4 pos : SV_Position; float4 a : TEXCOORD0; };
        VOut VS(VIn i) { VOut o; o.pos = float4(i.pos, 1); o.a = float4(0.25, 0, 0, 0); o.b = float4(0, 0.5, 0, 0);
                         o.uv = i.uv; return o; }
        float4 PS(PIn i) : SV_Target { return float4(i.a.x, i.b.y, i.uv.x, 1); })";
    Stage& vs = Keep(Link(source, "VS", "vs_4_0"));
    Stage& ps = Keep(Link(source, "PS", "ps_4_0"));
    ASSERT_NE(vs.program, 0u) << vs.log;
    ASSERT_NE(ps.program, 0u) << ps.log;
    Target target;
    target.Attribute(SemanticLocation("POSITION", 0), FullScreenTriangle, 3);
    target.Attribute(SemanticLocation("TEXTURE", 0), {0.75f, 0, 0.75f, 0, 0.75f, 0}, 2);
    Pipeline pipeline({&vs, &ps});
    pipeline.Bind();
    glDrawArrays(GL_TRIANGLES, 0, 3);
    const std::array<int, 4> p = target.Pixel(8, 8);
    EXPECT_NEAR(p[0], 64, 1);
    EXPECT_NEAR(p[1], 128, 1);
    EXPECT_NEAR(p[2], 191, 1);
    EXPECT_EQ(p[3], 255);
}

TEST_F(GlTranslate, TransposedUploadOfARowVectorMatrixGivesPointTimesMatrix)
{
    const std::string source = R"(
        cbuffer Transform : register(b1) { float4x4 M; };
        float4 VS(float3 p : POSITION) : SV_Position { return mul(float4(p, 1), M); }
        float4 PS() : SV_Target { return float4(1, 1, 1, 1); })";
    // Row-vector translation by (0.5, -0.5): its last row holds the offset.
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0.5f, -0.5f, 0, 1}};
    float transposed[16], asIs[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            transposed[r * 4 + c] = m[c][r];
            asIs[r * 4 + c] = m[r][c];
        }
    const struct {
        UINT flags;
        const float* upload;
    } cases[] = {{D3D10_SHADER_PACK_MATRIX_COLUMN_MAJOR, transposed},
                 {0, transposed},
                 {D3D10_SHADER_PACK_MATRIX_ROW_MAJOR, asIs}};
    for (const auto& c : cases) {
        Stage& vs = Keep(Link(source, "VS", "vs_4_0", c.flags));
        Stage& ps = Keep(Link(source, "PS", "ps_4_0", c.flags));
        ASSERT_NE(vs.program, 0u) << vs.log;
        ASSERT_NE(ps.program, 0u) << ps.log;
        ASSERT_EQ(vs.shader.constantBufferSlots, std::vector<uint32_t>{1});
        Target target;
        target.Attribute(SemanticLocation("POSITION", 0), {0, 0, 0}, 3);
        const GLuint ubo = target.Buffer(c.upload, 64);
        glBindBufferBase(GL_UNIFORM_BUFFER, ConstantBufferBinding(ShaderStage::Vertex, 1), ubo);
        Pipeline pipeline({&vs, &ps});
        pipeline.Bind();
        glPointSize(3);
        glDrawArrays(GL_POINTS, 0, 1);
        // NDC (0.5, -0.5) is three quarters across and three quarters down.
        EXPECT_EQ(target.Pixel(12, 12)[0], 255) << "flags " << c.flags;
        EXPECT_EQ(target.Pixel(8, 8)[0], 0) << "flags " << c.flags;
    }
}

TEST_F(GlTranslate, VertexIdOfAnAllOnesIndexReachesTheShaderUnchanged)
{
    const std::string source = R"(
        struct VOut { float4 pos : SV_Position; float4 c : COLOR0; };
        VOut VS(uint id : SV_VertexID)
        {
            VOut o;
            o.pos = float4(0, 0, 0, 1);
            o.c = id == 0xFFFFFFFF ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
            return o;
        }
        float4 PS(VOut i) : SV_Target { return i.c; })";
    Stage& vs = Keep(Link(source, "VS", "vs_4_0"));
    Stage& ps = Keep(Link(source, "PS", "ps_4_0"));
    ASSERT_NE(vs.program, 0u) << vs.log;
    ASSERT_NE(ps.program, 0u) << ps.log;
    for (const uint32_t index : {0xFFFFFFFFu, 5u}) {
        Target target;
        glVertexArrayElementBuffer(target.Vao(), target.Buffer(&index, sizeof index));
        Pipeline pipeline({&vs, &ps});
        pipeline.Bind();
        glPointSize(3);
        glDrawElements(GL_POINTS, 1, GL_UNSIGNED_INT, nullptr);
        const std::array<int, 4> p = target.Pixel(8, 8);
        EXPECT_EQ(p[1], index == 0xFFFFFFFFu ? 255 : 0) << index;
        EXPECT_EQ(p[0], index == 0xFFFFFFFFu ? 0 : 255) << index;
    }
}

TEST_F(GlTranslate, PixelShaderPositionCountsRowsFromTheTop)
{
    const std::string ps = "float4 PS(float4 pos : SV_Position) : SV_Target"
                           " { return pos.y < 4 ? float4(1, 0, 0, 1) : float4(0, 0, 1, 1); }";
    Stage& vs = Keep(Link(SevenEntryPointSource, "VS_S", "vs_4_0"));
    Stage& fs = Keep(Link(ps, "PS", "ps_4_0"));
    ASSERT_NE(vs.program, 0u) << vs.log;
    ASSERT_NE(fs.program, 0u) << fs.log;
    Target target;
    Pipeline pipeline({&vs, &fs});
    pipeline.Bind();
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    EXPECT_EQ(target.Pixel(8, 0), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(target.Pixel(8, 3), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(target.Pixel(8, 4), (std::array<int, 4>{0, 0, 255, 255}));
    EXPECT_EQ(target.Pixel(8, 15), (std::array<int, 4>{0, 0, 255, 255}));
}

namespace {

// Binding points of a linked program as GL reports them: uniform blocks and sampler uniforms.
std::vector<GLint> BlockBindings(GLuint program)
{
    GLint count = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORM_BLOCKS, &count);
    std::vector<GLint> bindings;
    for (GLint i = 0; i < count; ++i) {
        GLint binding = -1;
        glGetActiveUniformBlockiv(program, GLuint(i), GL_UNIFORM_BLOCK_BINDING, &binding);
        bindings.push_back(binding);
    }
    std::sort(bindings.begin(), bindings.end());
    return bindings;
}

std::vector<GLint> SamplerUnits(GLuint program)
{
    GLint count = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    std::vector<GLint> units;
    for (GLint i = 0; i < count; ++i) {
        char name[256];
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, GLuint(i), sizeof name, nullptr, &size, &type, name);
        if (type != GL_SAMPLER_2D) continue;
        GLint unit = -1;
        glGetUniformiv(program, glGetUniformLocation(program, name), &unit);
        units.push_back(unit);
    }
    std::sort(units.begin(), units.end());
    return units;
}

}  // namespace

TEST_F(GlTranslate, ConstantBuffersAndTexturesLandOnTheirStageBindings)
{
    const std::string source = R"(
        cbuffer Material : register(b2) { float4 k; };
        float4 tint;  // loose global: the $Global buffer, register b0
        Texture2D T : register(t3);
        SamplerState S : register(s1);
        float4 PS(float2 uv : TEXCOORD0) : SV_Target { return T.Sample(S, uv) * k + tint; })";
    const Stage& ps = Keep(Link(source, "PS", "ps_4_0"));
    ASSERT_NE(ps.program, 0u) << ps.log;
    EXPECT_EQ(ps.shader.constantBufferSlots, (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(BlockBindings(ps.program), (std::vector<GLint>{GLint(ConstantBufferBinding(ShaderStage::Pixel, 0)),
                                                             GLint(ConstantBufferBinding(ShaderStage::Pixel, 2))}));
    ASSERT_EQ(ps.shader.samplers.size(), 1u);
    EXPECT_EQ(ps.shader.samplers[0].unit, TextureUnit(ShaderStage::Pixel, 3));
    EXPECT_EQ(ps.shader.samplers[0].textureSlot, 3u);
    EXPECT_EQ(ps.shader.samplers[0].samplerSlot, 1u);
    EXPECT_EQ(SamplerUnits(ps.program), std::vector<GLint>{GLint(TextureUnit(ShaderStage::Pixel, 3))});

    // With b0 taken by a declared buffer, the loose globals move to the first free register.
    const Stage& taken = Keep(Link("cbuffer First : register(b0) { float4 a; };\n"
                                   "float4 tint;\n"
                                   "float4 PS() : SV_Target { return a + tint; }",
                                   "PS", "ps_4_0"));
    ASSERT_NE(taken.program, 0u) << taken.log;
    EXPECT_EQ(taken.shader.constantBufferSlots, (std::vector<uint32_t>{0, 1}));
}

TEST_F(GlTranslate, OneTextureWithTwoSamplersGetsASecondUnit)
{
    const std::string source = R"(
        Texture2D T : register(t0);
        Texture2D U : register(t1);
        SamplerState A : register(s0);
        SamplerState B : register(s1);
        float4 PS(float2 uv : TEXCOORD0) : SV_Target { return T.Sample(A, uv) + T.Sample(B, uv) + U.Sample(B, uv); })";
    const Stage& ps = Keep(Link(source, "PS", "ps_4_0"));
    ASSERT_NE(ps.program, 0u) << ps.log;
    ASSERT_EQ(ps.shader.samplers.size(), 3u);
    std::vector<GLint> units;
    for (const CombinedSampler& s : ps.shader.samplers) {
        units.push_back(GLint(s.unit));
        EXPECT_GE(s.unit, TextureUnit(ShaderStage::Pixel, 0));
        EXPECT_LT(s.unit, TextureUnit(ShaderStage::Pixel, TextureSlotsPerStage));
        if (s.textureSlot == 1) {
            EXPECT_EQ(s.unit, TextureUnit(ShaderStage::Pixel, 1));
        }
    }
    std::sort(units.begin(), units.end());
    EXPECT_EQ(std::adjacent_find(units.begin(), units.end()), units.end()) << "each pair needs its own unit";
    EXPECT_EQ(SamplerUnits(ps.program), units);
}

TEST_F(GlTranslate, GeometryShaderReadingPositionsDrawsBetweenSeparateStages)
{
    const std::string source = R"(
        struct V { float4 pos : SV_Position; float4 c : COLOR0; };
        V VS(float3 p : POSITION) { V o; o.pos = float4(p, 1); o.c = float4(0.2, 0.4, 0.6, 1); return o; }
        [maxvertexcount(3)]
        void GS(triangle V input[3], inout TriangleStream<V> stream)
        {
            for (int i = 0; i < 3; ++i) { V o = input[i]; o.c.b = 1; stream.Append(o); }
        }
        float4 PS(V i) : SV_Target { return i.c; })";
    Stage& vs = Keep(Link(source, "VS", "vs_4_0"));
    Stage& gs = Keep(Link(source, "GS", "gs_4_0"));
    Stage& ps = Keep(Link(source, "PS", "ps_4_0"));
    ASSERT_NE(vs.program, 0u) << vs.log;
    ASSERT_NE(gs.program, 0u) << gs.log;
    ASSERT_NE(ps.program, 0u) << ps.log;
    Target target;
    target.Attribute(SemanticLocation("POSITION", 0), FullScreenTriangle, 3);
    Pipeline pipeline({&vs, &gs, &ps});
    std::string log;
    ASSERT_TRUE(pipeline.Validate(&log)) << log;
    pipeline.Bind();
    glDrawArrays(GL_TRIANGLES, 0, 3);
    const std::array<int, 4> p = target.Pixel(8, 8);
    EXPECT_NEAR(p[0], 51, 1);
    EXPECT_NEAR(p[1], 102, 1);
    EXPECT_EQ(p[2], 255);
}

TEST_F(GlTranslate, TightlyPackedConstantBufferReadsTheBytesDirect3DWouldUpload)
{
    // Direct3D packing: a at 0, b at 4..16, c at 16, d at 20..28, e at 28; std140 cannot say that.
    const std::string source = R"(
        cbuffer Packed : register(b0) { float a; float3 b; float c; float2 d; float e; };
        float4 PS() : SV_Target { return float4(a, b.z, d.y, e); })";
    Stage& vs = Keep(Link(SevenEntryPointSource, "VS_S", "vs_4_0"));
    Stage& ps = Keep(Link(source, "PS", "ps_4_0"));
    ASSERT_NE(vs.program, 0u) << vs.log;
    ASSERT_NE(ps.program, 0u) << ps.log;
    EXPECT_EQ(ps.shader.constantBufferSlots, std::vector<uint32_t>{0});
    const float upload[8] = {0.25f, 9, 9, 0.5f, 9, 9, 0.75f, 1.0f};
    Target target;
    glBindBufferBase(GL_UNIFORM_BUFFER, ConstantBufferBinding(ShaderStage::Pixel, 0),
                     target.Buffer(upload, sizeof upload));
    Pipeline pipeline({&vs, &ps});
    pipeline.Bind();
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    const std::array<int, 4> p = target.Pixel(8, 8);
    EXPECT_NEAR(p[0], 64, 1);
    EXPECT_NEAR(p[1], 128, 1);
    EXPECT_NEAR(p[2], 191, 1);
    EXPECT_EQ(p[3], 255);
}
