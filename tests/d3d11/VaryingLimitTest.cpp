// Varying locations against the stages' component limits: the program's own shaders fit the
// smallest limits OpenGL 4.5 allows (64 vertex output components), and a shader that needs more
// than a device has is refused with a line that names the semantic and the limit.
#include <d3dx11.h>
#include <epoxy/gl.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "D3D11TestSupport.h"

namespace {

const D3D_FEATURE_LEVEL Levels[] = {D3D_FEATURE_LEVEL_11_0};

Ref<ID3D10Blob> CompileFile(const std::string& path, const char* entry, const char* profile)
{
    const std::wstring wide(path.begin(), path.end());
    Ref<ID3D10Blob> blob, errors;
    HRESULT hr = D3DX11CompileFromFileW(wide.c_str(), nullptr, nullptr, entry, profile, 0x810, 0, nullptr, &blob,
                                        &errors, nullptr);
    EXPECT_EQ(hr, S_OK) << entry << ": " << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    return blob;
}

HRESULT CreateShader(ID3D11Device* device, ID3D10Blob* blob, char stage)
{
    const void* code = blob->GetBufferPointer();
    const SIZE_T size = blob->GetBufferSize();
    Ref<ID3D11DeviceChild> shader;
    if (stage == 'v')
        return device->CreateVertexShader(code, size, nullptr, reinterpret_cast<ID3D11VertexShader**>(&shader));
    if (stage == 'g')
        return device->CreateGeometryShader(code, size, nullptr, reinterpret_cast<ID3D11GeometryShader**>(&shader));
    return device->CreatePixelShader(code, size, nullptr, reinterpret_cast<ID3D11PixelShader**>(&shader));
}

struct CappedDevice {
    Ref<ID3D11Device> device;
    Ref<ID3D11DeviceContext> context;
    explicit CappedDevice(int components)
    {
        platform_test::CapVaryingComponents(components);
        EXPECT_EQ(D3D11CreateDevice(nullptr, TestDriverType(), nullptr, 0, Levels, 1, D3D11_SDK_VERSION, &device,
                                    nullptr, &context),
                  S_OK);
        platform_test::CapVaryingComponents(0);
    }
};

TEST(VaryingLimits, ProgramShadersFitTheSmallestLimitsOfOpenGl45)
{
    CappedDevice capped(64);
    ASSERT_TRUE(capped.device);
    const struct {
        const char* entry;
        const char* profile;
    } entries[] = {{"VS", "vs_4_0"},      {"PS", "ps_4_0"},   {"VS_SV", "vs_4_0"}, {"GS_SV_1", "gs_4_0"},
                   {"GS_SV_2", "gs_4_0"}, {"VS_S", "vs_4_0"}, {"PS_S", "ps_4_0"}};
    for (const auto& e : entries) {
        const char* source = std::getenv("QV_SOURCE_DIR");
        Ref<ID3D10Blob> blob =
            CompileFile(source ? std::string(source) + "/misc/Quenvale.sh" : QV_PROGRAM_SHADERS, e.entry, e.profile);
        ASSERT_TRUE(blob);
        EXPECT_EQ(CreateShader(capped.device, blob, e.profile[0]), S_OK) << e.entry;
    }
}

TEST(VaryingLimits, ShaderBeyondTheDeviceLimitIsRefusedWithANamedLine)
{
    // 17 float4 varyings need locations 0..16 at least: 68 components.
    std::string source = "struct Out { float4 p : SV_Position;";
    for (int i = 0; i < 17; ++i) source += " float4 v" + std::to_string(i) + " : SPILL" + std::to_string(i) + ";";
    source += " };\nOut VS(float4 p : POSITION) { Out o; o.p = p;";
    for (int i = 0; i < 17; ++i) source += " o.v" + std::to_string(i) + " = p * " + std::to_string(i + 1) + ";";
    source += " return o; }\nfloat4 PS(Out i) : SV_Target { return i.v0 + i.v16; }\n";
    const std::string path = testing::TempDir() + "qv_spill.hlsl";
    std::ofstream(path) << source;
    Ref<ID3D10Blob> vs = CompileFile(path, "VS", "vs_4_0");
    Ref<ID3D10Blob> ps = CompileFile(path, "PS", "ps_4_0");
    ASSERT_TRUE(vs && ps);

    CappedDevice capped(64);
    ASSERT_TRUE(capped.device);
    testing::internal::CaptureStderr();
    EXPECT_EQ(CreateShader(capped.device, vs, 'v'), E_INVALIDARG);
    EXPECT_EQ(CreateShader(capped.device, ps, 'p'), E_INVALIDARG);
    // Which SPILL semantic crosses the limit depends on what this process placed before.
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_NE(text.find("D3D11 ERROR: CreateVertexShader: varying SPILL"), std::string::npos) << text;
    EXPECT_NE(text.find("components; this device's GL_MAX_VERTEX_OUTPUT_COMPONENTS is 64\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("D3D11 ERROR: CreatePixelShader: varying SPILL"), std::string::npos) << text;
    EXPECT_NE(text.find("components; this device's GL_MAX_FRAGMENT_INPUT_COMPONENTS is 64\n"), std::string::npos)
        << text;

    // A driver with room for them takes them (llvmpipe and current GPUs have 128).
    CappedDevice roomy(0);
    platform_test::DeviceFacts facts;
    ASSERT_TRUE(platform_test::DescribeDevice(roomy.device, &facts));
    if (facts.maxVertexOutputComponents < 68 || facts.maxFragmentInputComponents < 68)
        GTEST_SKIP() << "this driver has only " << facts.maxVertexOutputComponents;
    EXPECT_EQ(CreateShader(roomy.device, vs, 'v'), S_OK);
    EXPECT_EQ(CreateShader(roomy.device, ps, 'p'), S_OK);
}

TEST(VaryingLimits, GeometryInputsAreMeasuredAgainstTheDevicesOwnLimit)
{
    // Drivers differ here (llvmpipe takes 128 input components into a geometry shader, zink 64), so
    // whether this shader is taken depends on the device: the check uses what the driver reports.
    std::string source = "struct V { float4 p : SV_Position;";
    for (int i = 0; i < 17; ++i) source += " float4 v" + std::to_string(i) + " : SPILL" + std::to_string(i) + ";";
    source += " };\nstruct G { float4 p : SV_Position; float4 c : COLOR0; };\n"
              "[maxvertexcount(3)] void GS(triangle V i[3], inout TriangleStream<G> s)\n"
              "{ for (int k = 0; k < 3; ++k) { G o; o.p = i[k].p; o.c = i[k].v0 + i[k].v16; s.Append(o); } }\n";
    const std::string path = testing::TempDir() + "qv_spill_gs.hlsl";
    std::ofstream(path) << source;
    Ref<ID3D10Blob> gs = CompileFile(path, "GS", "gs_4_0");
    ASSERT_TRUE(gs);

    CappedDevice device(0);
    ASSERT_TRUE(device.device);
    // Asked of the driver itself (the device's context is current on this thread), not the layer.
    GLint driverLimit = 0;
    glGetIntegerv(GL_MAX_GEOMETRY_INPUT_COMPONENTS, &driverLimit);
    ASSERT_GE(driverLimit, 64);
    testing::internal::CaptureStderr();
    const HRESULT hr = CreateShader(device.device, gs, 'g');
    const std::string text = testing::internal::GetCapturedStderr();
    if (driverLimit >= 68) {
        EXPECT_EQ(hr, S_OK) << "GL_MAX_GEOMETRY_INPUT_COMPONENTS is " << driverLimit << "\n" << text;
    } else {
        EXPECT_EQ(hr, E_INVALIDARG);
        const std::string limit =
            "components; this device's GL_MAX_GEOMETRY_INPUT_COMPONENTS is " + std::to_string(driverLimit) + "\n";
        EXPECT_NE(text.find(limit), std::string::npos) << text;
    }
}

}  // namespace
