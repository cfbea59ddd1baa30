// makedata: writes the viewer's run-time data into a folder and verifies the model it wrote.
//
//   build/tools/makedata/makedata misc
//
// regenerates misc/kuma.obj, kuma.mtl, fur.bmp, muzzle.bmp and default.bmp. The output is
// deterministic; a test checks that the committed files equal what this program writes, so
// after changing the generator, run it as above and commit the files with the change.
// Exits with status 1 and a reason on stderr if a file cannot be written or a check fails.
#include "MakeData.h"

#include <cstdio>

int main(int argc, char** argv)
{
    using namespace makedata;
    if (argc != 2) {
        std::fprintf(stderr, "usage: makedata OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    const int textureSize = 256;
    const std::vector<unsigned char> white(8 * 8 * 3, 255);
    struct {
        const char* name;
        bool written;
    } files[] = {
        {"kuma.obj", WriteObj(folder + "kuma.obj", BuildBear(), "..\\misc\\kuma.mtl")},
        {"kuma.mtl", WriteMtl(folder + "kuma.mtl")},
        {"fur.bmp", WriteBmp(folder + "fur.bmp", textureSize, textureSize, MakeFurTexture(textureSize))},
        {"muzzle.bmp", WriteBmp(folder + "muzzle.bmp", textureSize, textureSize, MakeMuzzleTexture(textureSize))},
        {"default.bmp", WriteBmp(folder + "default.bmp", 8, 8, white)},
    };
    for (const auto& file : files)
        if (!file.written) {
            std::fprintf(stderr, "makedata: cannot write %s%s\n", folder.c_str(), file.name);
            return 1;
        }

    ObjStats stats;
    const std::string problem = CheckObjFile(folder + "kuma.obj", {}, &stats);
    if (!problem.empty()) {
        std::fprintf(stderr, "makedata: %skuma.obj fails its check: %s\n", folder.c_str(), problem.c_str());
        return 1;
    }
    std::printf("kuma.obj: %d triangles, %d vertices, %d v, %d vt, %d vn, closest positions %.6f apart, "
                "shortest edge %.6f\n",
                stats.triangles, stats.vertices, stats.positions, stats.texcoords, stats.normals,
                stats.minPositionDistance, stats.minEdgeLength);
    std::printf("groups:");
    for (const std::string& g : stats.groups) std::printf(" %s", g.c_str());
    std::printf("\n");
    return 0;
}
