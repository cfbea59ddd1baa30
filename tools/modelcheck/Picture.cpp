// modelcheck --picture. The renderer opens its files by fixed names relative to the working
// directory ("..\misc\kuma.obj", "..\misc\Quenvale.sh", "..\misc\default.bmp") and the names the
// model gives (its material library, the textures). So the frame is drawn from a scratch
// working directory: its ..\misc\ holds links to the model, the shader source and the default
// texture, and each name the model gives is a link to what that name opens from the caller's
// working directory. The renderer then loads exactly the files the program would.
#include "Picture.h"

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "Controls.h"
#include "FramePng.h"
#include "Frame.h"
#include "Graphics.h"
#include "MtlReader.h"
#include "ScratchFolder.h"
#include "SharedState.h"
#include "StartupFailure.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned PictureWidth = 640;
constexpr unsigned PictureHeight = 480;
// How many folders above the working directory a name may climb ("..\..\x").
constexpr int StageDepth = 8;

// A scratch folder <tmp>/modelcheck_XXXXXX/s/s/.../{work,misc}, removed when this goes.
class Stage {
  public:
    bool ok() const { return folder_.ok(); }
    const fs::path& work() const { return folder_.Work(); }

    // misc/<name> becomes a link to target.
    bool LinkData(const char* name, const fs::path& target)
    {
        std::error_code error;
        fs::create_symlink(target, folder_.Misc() / name, error);
        return !error;
    }

    // Makes a name the model gives open, from the stage's working directory, what it opens from
    // `from`. Absolute names need nothing. False, with *problem, when that cannot be arranged.
    bool LinkName(const char* name, const fs::path& from, std::string* problem)
    {
        std::string path(name);
        for (char& c : path)
            if (c == '\\') c = '/';
        if (path.empty() || path[0] == '/') return true;
        const fs::path staged = (folder_.Work() / path).lexically_normal();
        const fs::path inside = staged.lexically_relative(folder_.Root());
        if (inside.empty() || *inside.begin() == "..") {
            *problem = "the name \"" + std::string(name) + "\" climbs more than " + std::to_string(StageDepth) +
                       " folders above the working directory";
            return false;
        }
        std::error_code error;
        if (fs::exists(fs::symlink_status(staged, error)))
            return true;  // named twice, or one of the renderer's own files
        fs::create_directories(staged.parent_path(), error);
        fs::create_symlink(from / path, staged, error);
        if (error) *problem = "cannot stage \"" + std::string(name) + "\": " + error.message();
        return !error;
    }

  private:
    ScratchFolder folder_{"modelcheck_", StageDepth};
};

// The texture names of the library the program would read, from the caller's working directory;
// none when it does not read (the renderer then reports why).
std::vector<std::string> TextureNames(const char* mtllibName)
{
    std::vector<std::string> names;
    FILE* file = nullptr;
    if (mtllibName[0] == '\0' || fopen_s(&file, mtllibName, "rt") != 0) return names;
    auto materials = std::make_unique<Material[]>(MaxMaterials);
    int count = 0;
    const bool read = ReadMtl(file, materials.get(), count);
    fclose(file);
    for (int k = 0; read && k < count; ++k) {
        const Material& m = materials[k];
        for (const char* name : {m.map_Kd, m.map_Ks, m.map_Ka, m.map_Bump, m.map_Extra1, m.map_Extra2})
            if (name[0] != '\0') names.emplace_back(name);
    }
    return names;
}

int Fail(const std::string& line)
{
    fprintf(stderr, "modelcheck: %s\n", line.c_str());
    return 1;
}

}  // namespace

int DrawPicture(const char* modelPath, const char* mtllibName, const PictureOptions& options)
{
    std::error_code error;
    const fs::path caller = fs::current_path(error);
    const fs::path misc = fs::absolute(options.miscDirectory, error);
    for (const char* file : {"Quenvale.sh", "default.bmp"})
        if (!fs::is_regular_file(misc / file, error))
            return Fail("no " + (misc / file).string() + " (name the folder with the program's data with --misc DIR)");

    Stage stage;
    if (!stage.ok() || !stage.LinkData("kuma.obj", fs::absolute(modelPath, error)) ||
        !stage.LinkData("Quenvale.sh", misc / "Quenvale.sh") || !stage.LinkData("default.bmp", misc / "default.bmp"))
        return Fail("cannot make a scratch folder under /tmp");
    std::vector<std::string> names = TextureNames(mtllibName);
    names.insert(names.begin(), mtllibName);
    for (const std::string& name : names) {
        std::string problem;
        if (!stage.LinkName(name.c_str(), caller, &problem))
            return Fail("cannot draw " + std::string(modelPath) + ": " + problem);
    }

    // The spin angle comes from the millisecond clock; the layer holds it still at this reading.
    setenv("QV_TEST_TIME_MS", std::to_string(options.milliseconds).c_str(), 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    UseAdjacency = !options.plain;
    CameraDistance = options.distance;
    const fs::path output = fs::absolute(options.output, error);

    fs::current_path(stage.work(), error);
    if (error) return Fail("cannot enter " + stage.work().string());
    std::string failure;
    std::vector<uint8_t> rgba;
    if (FAILED(CreateGraphicsOffscreen(PictureWidth, PictureHeight))) {
        // The shader compiler's log comes with its line breaks; the line folds them as the program does.
        failure = "cannot draw " + std::string(modelPath) + ": " + JoinLines(StartupFailureText);
    } else {
        DrawFrame();
        if (!ReadPixels(OffscreenTarget, &rgba)) failure = "cannot read the frame back from the device";
    }
    ReleaseGraphics();
    fs::current_path(caller, error);
    if (!failure.empty()) return Fail(failure);
    if (!WritePng(output.string(), rgba, PictureWidth, PictureHeight)) return Fail("cannot write " + output.string());
    return 0;
}
