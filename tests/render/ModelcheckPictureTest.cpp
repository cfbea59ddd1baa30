// ModelcheckPictureTest.cpp: modelcheck --picture on the README's example model (docs/
// cube_over_slab.obj: a tilted cube over a slab of Kd 0.8 0.8 0.7 with the white default
// texture), run as a user runs it, and its failure line for a model that is not there and for
// a shader source that does not compile.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "PngDecode.h"
#include "RenderTestSupport.h"

namespace {

struct ToolRun {
    int status = -1;
    std::string errors;
};

// modelcheck with `arguments`, from the folder of the example model; stderr captured.
ToolRun Modelcheck(const std::string& arguments)
{
    const std::string errors = testing::TempDir() + "modelcheck_errors.txt";
    const std::string command =
        "cd '" + SourceDirectory() + "/docs' && '" QV_MODELCHECK "' " + arguments + " 2>'" + errors + "'";
    ToolRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errors);
    run.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return run;
}

std::vector<uint8_t> ReadPng(const std::string& path, uint32_t* width, uint32_t* height)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<uint8_t> rgba;
    if (platform::DecodePngRgba8(bytes.data(), bytes.size(), 4096, width, height, &rgba) != platform::PngResult::Ok)
        rgba.clear();
    return rgba;
}

TEST(ModelcheckPicture, DrawsTheModelAndItsShadowTheSameWithBothVolumeMethods)
{
    const std::string adjacency = testing::TempDir() + "modelcheck_adjacency.png";
    const std::string plain = testing::TempDir() + "modelcheck_plain.png";
    ASSERT_EQ(Modelcheck("--picture '" + adjacency + "' --time 600 cube_over_slab.obj").status, 0);
    ASSERT_EQ(Modelcheck("--picture '" + plain + "' --time 600 --plain cube_over_slab.obj").status, 0);

    uint32_t width = 0, height = 0, plainWidth = 0, plainHeight = 0;
    const std::vector<uint8_t> a = ReadPng(adjacency, &width, &height);
    const std::vector<uint8_t> p = ReadPng(plain, &plainWidth, &plainHeight);
    ASSERT_EQ(width, 640u);
    ASSERT_EQ(height, 480u);
    ASSERT_EQ(a.size(), p.size());

    // The slab's colour is grey-yellow (blue = 7/8 of red = green); lit it is near 200, and the
    // shadow pass halves what the stencil count marks. The cube is orange (red over twice green).
    int cube = 0, lit = 0, shadowed = 0, differing = 0;
    double litSum = 0.0, shadowSum = 0.0;
    for (size_t i = 0; i < a.size(); i += 4) {
        const int r = a[i], g = a[i + 1], b = a[i + 2];
        cube += r > 2 * g;
        if (r > 0 && std::abs(r - g) <= 2 && std::abs(b - r * 7 / 8) <= 3) {
            (r >= 150 ? lit : shadowed) += 1;
            (r >= 150 ? litSum : shadowSum) += r;
        }
        for (int c = 0; c < 3; ++c) differing += std::abs(a[i + c] - p[i + c]) > 2;
    }
    std::printf("cube %d, slab lit %d, slab shadowed %d, differing channels %d\n", cube, lit, shadowed, differing);
    EXPECT_GT(cube, 2000);
    EXPECT_GT(lit, 20000);
    EXPECT_GT(shadowed, 2000);
    EXPECT_NEAR((shadowSum / shadowed) / (litSum / lit), 0.5, 0.03);
    EXPECT_LE(differing, 640 * 480 / 1000);
}

TEST(ModelcheckPicture, AMissingModelIsOneLineAndStatusOne)
{
    const std::string output = testing::TempDir() + "modelcheck_missing.png";
    std::remove(output.c_str());
    const ToolRun run = Modelcheck("--picture '" + output + "' not_there.obj");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors,
              "modelcheck: not_there.obj: does not load: cannot open the file (No such file or directory)\n");
    EXPECT_FALSE(std::ifstream(output).good());
}

TEST(ModelcheckPicture, AShaderSourceThatDoesNotCompileIsOneLineAndStatusOne)
{
    // The compiler's log for this source runs over several lines; the failure line holds it all.
    const std::string misc = testing::TempDir() + "modelcheck_broken_misc";
    std::filesystem::create_directories(misc);
    std::filesystem::copy_file(SourceDirectory() + "/misc/default.bmp", misc + "/default.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    std::ofstream(misc + "/Quenvale.sh") << "float4 VS(float4 p : POSITION) : SV_Position { return p +; }\n";
    const std::string output = testing::TempDir() + "modelcheck_broken.png";
    const ToolRun run = Modelcheck("--picture '" + output + "' --misc '" + misc + "' cube_over_slab.obj");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors.rfind("modelcheck: cannot draw cube_over_slab.obj: compiling \"VS\" (vs_4_0)", 0), 0u)
        << run.errors;
    EXPECT_NE(run.errors.find("Expected  ERROR: "), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << run.errors;
}

}  // namespace
