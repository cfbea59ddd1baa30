// MaterialLibrary on real files and the layer's offscreen device: one cache entry per distinct
// name, the 256-entry limit, DefaultTexture, and no texture left alive after any failure.
#include <gtest/gtest.h>

#include <PlatformTestHooks.h>

#include <filesystem>
#include <memory>
#include <string>

#include "MaterialLibrary.h"
#include "Sandbox.h"

namespace {

class MaterialLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_NE(gpu.device, nullptr) << "no Direct3D 11 device (needs Mesa's llvmpipe: scripts/install-deps)";
        WriteBmp(box.Misc() / "default.bmp", 255, 255, 255);
        baseline = platform_test::LiveObjectCount();
    }

    // Writes the material library "lib.mtl" into the working directory and loads it.
    bool LoadLibrary(const std::string& text)
    {
        WriteFile("lib.mtl", text);
        return library->Load("lib.mtl", gpu.device);
    }

    void ExpectEmpty()
    {
        EXPECT_EQ(library->GetMaterialCount(), 0);
        EXPECT_EQ(library->GetTextureCount(), 0);
        EXPECT_EQ(library->GetDefaultTexture(), nullptr);
        EXPECT_STREQ(library->GetLibraryFileName(), "");
        EXPECT_EQ(platform_test::LiveObjectCount(), baseline) << "a texture outlived the failure";
    }

    const TestDevice& gpu = SharedTestDevice();
    Sandbox box;
    std::unique_ptr<MaterialLibrary> library = std::make_unique<MaterialLibrary>();
    int baseline = 0;
};

TEST_F(MaterialLibraryTest, OneFileNamedTwiceIsLoadedOnce)
{
    WriteBmp("shared.bmp", 10, 20, 30);
    WriteBmp("other.bmp", 40, 50, 60);
    ASSERT_TRUE(LoadLibrary("newmtl a\nmap_Kd shared.bmp\nmap_Bump shared.bmp\n"
                            "newmtl b\nmap_Kd shared.bmp\nmap_Ks other.bmp\n"
                            "newmtl plain\nKd 0.5 0.5 0.5\n"
                            "newmtl a\nKd 0.25 0.25 0.25\n"));
    EXPECT_EQ(library->GetTextureCount(), 2);
    EXPECT_EQ(library->GetMaterialCount(), 4);
    EXPECT_STREQ(library->GetLibraryFileName(), "lib.mtl");

    ID3D11ShaderResourceView* shared = library->FindTexture("shared.bmp");
    ID3D11ShaderResourceView* other = library->FindTexture("other.bmp");
    ID3D11ShaderResourceView* fallback = library->GetDefaultTexture();
    ASSERT_NE(shared, nullptr);
    ASSERT_NE(other, nullptr);
    ASSERT_NE(fallback, nullptr);
    EXPECT_NE(shared, other);
    EXPECT_NE(shared, fallback);

    const Material* a = library->FindMaterial("a");
    const Material* b = library->FindMaterial("b");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->Kd[0], 1.0f);  // the first of the two records named a
    EXPECT_EQ(library->GetTextureOrDefault(a->map_Kd), shared);
    EXPECT_EQ(library->GetTextureOrDefault(b->map_Kd), shared);
    EXPECT_EQ(library->LoadTexture("shared.bmp", gpu.device), shared);  // cached: nothing new
    EXPECT_EQ(library->GetTextureCount(), 2);

    // A material without textures, unknown names and null fall back to DefaultTexture.
    EXPECT_EQ(library->GetTextureOrDefault(library->FindMaterial("plain")->map_Kd), fallback);
    EXPECT_EQ(library->GetTextureOrDefault("SHARED.bmp"), fallback);
    EXPECT_EQ(library->GetTextureOrDefault(nullptr), fallback);
    EXPECT_EQ(library->FindTexture(""), nullptr);
    EXPECT_EQ(library->FindTexture(nullptr), nullptr);
    EXPECT_EQ(library->FindMaterial("A"), nullptr);
    EXPECT_EQ(library->FindMaterial(nullptr), nullptr);

    library->Release();
    EXPECT_EQ(platform_test::LiveObjectCount(), baseline);
}

TEST_F(MaterialLibraryTest, NamesDifferingInCaseOrPathAreSeparateEntries)
{
    WriteBmp("tex.bmp", 1, 2, 3);
    WriteBmp("TEX.bmp", 1, 2, 3);
    ASSERT_TRUE(LoadLibrary("newmtl a\nmap_Kd tex.bmp\nmap_Ks TEX.bmp\nmap_Ka ./tex.bmp\n"
                            "newmtl b\nmap_Kd ..\\work\\tex.bmp\n"));
    EXPECT_EQ(library->GetTextureCount(), 4);
    ID3D11ShaderResourceView* lower = library->FindTexture("tex.bmp");
    ID3D11ShaderResourceView* upper = library->FindTexture("TEX.bmp");
    ID3D11ShaderResourceView* dotted = library->FindTexture("./tex.bmp");
    ID3D11ShaderResourceView* windows = library->FindTexture("..\\work\\tex.bmp");
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(upper, nullptr);
    ASSERT_NE(dotted, nullptr);
    ASSERT_NE(windows, nullptr);
    EXPECT_NE(lower, upper);
    EXPECT_NE(lower, dotted);
    EXPECT_NE(lower, windows);
    EXPECT_EQ(library->FindTexture("Tex.bmp"), nullptr);
}

TEST_F(MaterialLibraryTest, CacheStopsLoadingSilentlyAt256Textures)
{
    // 65 materials with four texture fields each name 260 files; only the first 256 exist, so a
    // load that went on past a full cache would fail.
    std::string text;
    auto name = [](int i) { return "t" + std::to_string(i) + ".bmp"; };
    for (int i = 0; i < 256; ++i) WriteBmp(name(i), uint8_t(i), 0, 0);
    for (int m = 0; m < 65; ++m) {
        text += "newmtl m" + std::to_string(m) + "\n";
        text += "map_Kd " + name(4 * m) + "\nmap_Ks " + name(4 * m + 1) + "\n";
        text += "map_Ka " + name(4 * m + 2) + "\nmap_Bump " + name(4 * m + 3) + "\n";
    }
    ASSERT_TRUE(LoadLibrary(text));
    EXPECT_EQ(library->GetTextureCount(), MaxTextures);
    EXPECT_EQ(library->GetMaterialCount(), 65);
    ASSERT_NE(library->GetDefaultTexture(), nullptr);
    EXPECT_NE(library->FindTexture(name(255).c_str()), nullptr);
    EXPECT_EQ(library->FindTexture(name(256).c_str()), nullptr);
    EXPECT_EQ(library->GetTextureOrDefault(name(256).c_str()), library->GetDefaultTexture());
    EXPECT_EQ(library->GetTextureOrDefault(library->FindMaterial("m64")->map_Kd), library->GetDefaultTexture());
    // A full cache takes no more, even when asked directly.
    WriteBmp(name(256), 0, 0, 0);
    EXPECT_EQ(library->LoadTexture(name(256).c_str(), gpu.device), nullptr);
    EXPECT_EQ(library->GetTextureCount(), MaxTextures);

    library->Release();
    EXPECT_EQ(platform_test::LiveObjectCount(), baseline);
}

TEST_F(MaterialLibraryTest, ACacheFillingInsideAMaterialKeepsItsFirstFieldsInRecordOrder)
{
    // A first material naming q files, then 64 materials naming four each: the 256th name is
    // field 3 - q of the last material, so the fields of that material that made it into the
    // cache show the order in which they are visited: map_Kd, map_Ks, map_Ka, map_Bump. Every
    // file exists, so only the order decides. The lines are written in the opposite order.
    const char* const fields[] = {"map_Kd", "map_Ks", "map_Ka", "map_Bump"};
    auto name = [](int m, int f) { return "m" + std::to_string(m) + "_" + std::to_string(f) + ".bmp"; };
    for (int m = 0; m <= 64; ++m)
        for (int f = 0; f < 4; ++f) WriteBmp(name(m, f), uint8_t(m), uint8_t(f), 0);
    for (int q = 1; q <= 3; ++q) {
        std::string text = "newmtl m0\n";
        for (int f = q - 1; f >= 0; --f) text += std::string(fields[f]) + " " + name(0, f) + "\n";
        for (int m = 1; m <= 64; ++m) {
            text += "newmtl m" + std::to_string(m) + "\n";
            for (int f = 3; f >= 0; --f) text += std::string(fields[f]) + " " + name(m, f) + "\n";
        }
        ASSERT_TRUE(LoadLibrary(text)) << q;
        EXPECT_EQ(library->GetTextureCount(), MaxTextures) << q;
        for (int f = 0; f < 4; ++f) {
            const bool cached = f < 4 - q;
            EXPECT_EQ(library->FindTexture(name(64, f).c_str()) != nullptr, cached) << "q " << q << ", " << fields[f];
            EXPECT_NE(library->FindTexture(name(63, f).c_str()), nullptr) << "q " << q << ", " << fields[f];
        }
    }
    library->Release();
    EXPECT_EQ(platform_test::LiveObjectCount(), baseline);
}

TEST_F(MaterialLibraryTest, EveryFailureLeavesTheLibraryEmpty)
{
    WriteBmp("good.bmp", 9, 9, 9);
    WriteFile("garbage.bmp", "this is not an image");
    std::string tooMany;
    for (int i = 0; i < 257; ++i) tooMany += "newmtl m" + std::to_string(i) + "\n";
    const struct {
        const char* what;
        std::string text;
        const char* failure;  // what the library must say about it
    } cases[] = {
        {"missing texture", "newmtl a\nmap_Kd good.bmp\nnewmtl b\nmap_Ka good.bmp\nmap_Bump missing.bmp\n",
         "the texture \"missing.bmp\" is missing (code 0x887C0002)"},
        {"not an image", "newmtl a\nmap_Kd good.bmp\nmap_Ks garbage.bmp\n",
         "the texture \"garbage.bmp\" is not an image that can be read"},
        {"257 materials", tooMany, "holds more than 256 materials"},
    };
    for (const auto& c : cases) {
        // A good load first, so that the failing load must also release what was there.
        ASSERT_TRUE(LoadLibrary("newmtl ok\nmap_Kd good.bmp\n")) << c.what;
        EXPECT_STREQ(library->GetLoadFailure(), "") << c.what;
        EXPECT_FALSE(LoadLibrary(c.text)) << c.what;
        EXPECT_NE(std::string(library->GetLoadFailure()).find(c.failure), std::string::npos)
            << c.what << ": " << library->GetLoadFailure();
        EXPECT_EQ(library->FindMaterial("a"), nullptr) << c.what;
        EXPECT_EQ(library->GetTextureOrDefault("good.bmp"), nullptr) << c.what;
        ExpectEmpty();
    }

    EXPECT_FALSE(library->Load("no_such.mtl", gpu.device));
    EXPECT_STREQ(library->GetLoadFailure(), "the material library \"no_such.mtl\" cannot be opened");
    ExpectEmpty();
    EXPECT_FALSE(library->Load(std::string(80, 'x').c_str(), gpu.device));  // longer than the field
    ExpectEmpty();

    std::filesystem::remove(box.Misc() / "default.bmp");
    EXPECT_FALSE(LoadLibrary("newmtl a\nmap_Kd good.bmp\n"));
    EXPECT_NE(std::string(library->GetLoadFailure()).find("the default texture ..\\misc\\default.bmp is missing"),
              std::string::npos)
        << library->GetLoadFailure();
    ExpectEmpty();
}

// A model without a library draws its groups white over the default texture, so that texture
// must exist even then (without it every group drew black).
TEST_F(MaterialLibraryTest, NullOrEmptyNameLoadsOnlyTheDefault)
{
    WriteBmp("good.bmp", 9, 9, 9);
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        ASSERT_TRUE(LoadLibrary("newmtl a\nmap_Kd good.bmp\n"));
        EXPECT_TRUE(library->Load(name, gpu.device)) << library->GetLoadFailure();
        EXPECT_EQ(library->FindMaterial("a"), nullptr);
        EXPECT_EQ(library->GetMaterialCount(), 0);
        EXPECT_EQ(library->GetTextureCount(), 0);
        ID3D11ShaderResourceView* fallback = library->GetDefaultTexture();
        ASSERT_NE(fallback, nullptr);
        EXPECT_EQ(library->GetTextureOrDefault("good.bmp"), fallback);
        EXPECT_EQ(library->GetTextureOrDefault(nullptr), fallback);
        library->Release();
        ExpectEmpty();
    }
    std::filesystem::remove(box.Misc() / "default.bmp");
    EXPECT_FALSE(library->Load("", gpu.device));
    EXPECT_NE(std::string(library->GetLoadFailure()).find("default.bmp is missing"), std::string::npos)
        << library->GetLoadFailure();
    ExpectEmpty();
}

TEST_F(MaterialLibraryTest, LibraryWithoutMaterialsLoadsOnlyTheDefault)
{
    ASSERT_TRUE(LoadLibrary("# nothing here\nKd 1 0 0\n"));
    EXPECT_EQ(library->GetMaterialCount(), 0);
    EXPECT_EQ(library->GetTextureCount(), 0);
    EXPECT_NE(library->GetDefaultTexture(), nullptr);
    EXPECT_GT(platform_test::LiveObjectCount(), baseline);
}

TEST_F(MaterialLibraryTest, ReleaseIsSafeToRepeatAndDestructionReleases)
{
    WriteBmp("good.bmp", 9, 9, 9);
    library->Release();  // on an empty library
    EXPECT_EQ(platform_test::LiveObjectCount(), baseline);

    ASSERT_TRUE(LoadLibrary("newmtl a\nmap_Kd good.bmp\n"));
    const int loaded = platform_test::LiveObjectCount();
    EXPECT_GT(loaded, baseline);
    ASSERT_TRUE(LoadLibrary("newmtl a\nmap_Kd good.bmp\n"));  // reloading replaces, never adds
    EXPECT_EQ(platform_test::LiveObjectCount(), loaded);
    library->Release();
    library->Release();
    ExpectEmpty();

    ASSERT_TRUE(LoadLibrary("newmtl a\nmap_Kd good.bmp\n"));
    library.reset();  // as at program exit, with the library still loaded
    EXPECT_EQ(platform_test::LiveObjectCount(), baseline);
}

TEST_F(MaterialLibraryTest, TheProgramsOwnMaterialLibraryLoads)
{
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(QV_MISC_DIR)))
        std::filesystem::copy_file(entry.path(), box.Misc() / entry.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(library->Load("..\\misc\\kuma.mtl", gpu.device));
    EXPECT_GE(library->GetMaterialCount(), 1);
    EXPECT_GE(library->GetTextureCount(), 1);
    for (int i = 0; i < library->GetMaterialCount(); ++i) {
        const Material* m = library->GetMaterial(i);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(library->FindMaterial(m->name), m) << m->name;  // names are distinct in this file
        if (m->map_Kd[0] != '\0') {
            EXPECT_NE(library->FindTexture(m->map_Kd), nullptr) << m->map_Kd;
        }
    }
    EXPECT_EQ(library->GetMaterial(library->GetMaterialCount()), nullptr);
}

}  // namespace
