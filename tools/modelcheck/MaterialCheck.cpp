// modelcheck's material reports, read with the program's own MTL reader and material library.
#include "MaterialCheck.h"

#include <d3d11.h>
#include <d3dx11.h>
#include <stdio.h>
#include <string.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DataFiles.h"
#include "MaterialLibrary.h"
#include "MtlReader.h"
#include "Print.h"

namespace {

struct MaterialFile {
    std::vector<Material> materials = std::vector<Material>(MaxMaterials);
    int count = 0;
    int openError = 0;  // 0 when the file opened
    bool readOk = false;

    bool Loaded() const { return openError == 0 && readOk; }
};

MaterialFile ReadMaterialFile(const char* path)
{
    MaterialFile f;
    FILE* file = nullptr;
    f.openError = fopen_s(&file, path, "rt");
    if (f.openError == 0) {
        f.readOk = ReadMtl(file, f.materials.data(), f.count);
        fclose(file);
    }
    return f;
}

// Why the program would not read the file, in words.
std::string ReadProblem(const MaterialFile& f)
{
    if (f.openError != 0) return std::string("cannot open the file (") + strerror(f.openError) + ")";
    return "more than " + std::to_string(MaxMaterials) + " materials (newmtl lines)";
}

// The six texture fields of a material, in the order the material library visits them.
struct TextureField {
    const char* keyword;
    const char* name;
};
std::vector<TextureField> TextureFields(const Material& m)
{
    return {{"map_Kd", m.map_Kd},     {"map_Ks", m.map_Ks},         {"map_Ka", m.map_Ka},
            {"map_Bump", m.map_Bump}, {"map_Extra1", m.map_Extra1}, {"map_Extra2", m.map_Extra2}};
}

void PrintCanonical(const MaterialFile& f)
{
    if (!f.Loaded()) {
        printf("result fail\n");
        return;
    }
    printf("result ok\ncount %d\n", f.count);
    for (int k = 0; k < f.count; ++k) {
        const Material& m = f.materials[k];
        printf("m %d ", k);
        PrintQuoted(m.name);
        printf(" Kd %08x %08x %08x Ks %08x %08x %08x Ka %08x %08x %08x d %08x Ns %08x Ni %08x", Bits(m.Kd[0]),
               Bits(m.Kd[1]), Bits(m.Kd[2]), Bits(m.Ks[0]), Bits(m.Ks[1]), Bits(m.Ks[2]), Bits(m.Ka[0]), Bits(m.Ka[1]),
               Bits(m.Ka[2]), Bits(m.d), Bits(m.Ns), Bits(m.Ni));
        for (const TextureField& t : TextureFields(m)) {
            printf(" %s ", t.keyword);
            PrintQuoted(t.name);
        }
        putchar('\n');
    }
}

void PrintPlain(const char* path, const MaterialFile& f)
{
    if (!f.Loaded()) {
        printf("%s: does not load: %s\n", path, ReadProblem(f).c_str());
        return;
    }
    printf("%s: loads\nmaterials: %d\n", path, f.count);
    for (int k = 0; k < f.count; ++k) {
        const Material& m = f.materials[k];
        printf("  material %d ", k);
        PrintName(m.name);
        printf(": Kd (%.9g, %.9g, %.9g), d %.9g", m.Kd[0], m.Kd[1], m.Kd[2], m.d);
        int named = 0;
        for (const TextureField& t : TextureFields(m)) {
            if (t.name[0] == '\0') continue;
            printf("%s %s ", named++ == 0 ? ", textures:" : ",", t.keyword);
            PrintName(t.name);
        }
        printf("%s\n", named == 0 ? ", no textures" : "");
    }
}

// The layer's device, hardware first, then WARP; null when neither can be created. It is kept
// until the process ends: releasing the last device unloads the GL driver, and a leak checker
// then reports the driver's own process-lifetime allocations from a module it cannot name.
ID3D11Device* CheckDevice()
{
    static ID3D11Device* const device = [] {
        for (D3D_DRIVER_TYPE type : {D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP}) {
            ID3D11Device* created = nullptr;
            if (SUCCEEDED(D3D11CreateDevice(nullptr, type, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION, &created, nullptr,
                                            nullptr)))
                return created;
        }
        return static_cast<ID3D11Device*>(nullptr);
    }();
    return device;
}

// Loads one texture file as the program does; "loads" or "does not load (code)".
std::string TryTexture(ID3D11Device* device, const char* name)
{
    ID3D11ShaderResourceView* view = nullptr;
    HRESULT hr = D3DX11CreateShaderResourceViewFromFileA(device, name, nullptr, nullptr, &view, nullptr);
    if (SUCCEEDED(hr) && view != nullptr) {
        view->Release();
        return "loads";
    }
    char text[48];
    snprintf(text, sizeof text, "does not load (0x%08x)", static_cast<unsigned>(hr));
    return text;
}

// One line per material: its texture fields, each with what loading it gives. Names are tried
// once each, in the library's order; past MaxTextures distinct names the library loads none.
void PrintMaterialTextures(const MaterialFile& f, ID3D11Device* device)
{
    std::vector<std::pair<std::string, std::string>> tried;  // name, outcome
    for (int k = 0; k < f.count; ++k) {
        const Material& m = f.materials[k];
        printf("  material %d ", k);
        PrintName(m.name);
        int named = 0;
        for (const TextureField& t : TextureFields(m)) {
            if (t.name[0] == '\0') continue;
            printf("%s %s ", named++ == 0 ? ":" : ",", t.keyword);
            PrintName(t.name);
            const std::pair<std::string, std::string>* seen = nullptr;
            for (const auto& entry : tried)
                if (seen == nullptr && entry.first == t.name) seen = &entry;
            if (seen == nullptr && static_cast<int>(tried.size()) == MaxTextures) {
                printf(" not loaded (more than %d textures: drawn with the default texture)", MaxTextures);
                continue;
            }
            if (seen == nullptr) {
                tried.emplace_back(t.name, device != nullptr ? TryTexture(device, t.name) : std::string());
                seen = &tried.back();
            }
            if (!seen->second.empty()) printf(" %s", seen->second.c_str());
        }
        printf("%s\n", named == 0 ? ": no textures" : "");
    }
}

}  // namespace

int CheckMaterialFile(const char* path, bool canonical)
{
    MaterialFile f = ReadMaterialFile(path);
    if (canonical)
        PrintCanonical(f);
    else
        PrintPlain(path, f);
    return f.Loaded() ? 0 : 1;
}

bool ReportModelMaterials(const char* mtllibName, const MeshGroup* groups, int groupCount)
{
    if (mtllibName[0] == '\0') return true;  // the program then loads no materials, not even the default texture
    printf("material library ");
    PrintName(mtllibName);
    MaterialFile f = ReadMaterialFile(mtllibName);
    if (!f.Loaded()) {
        printf(": %s\nmaterials: do not load\n", ReadProblem(f).c_str());
        return false;
    }
    printf(": %d %s\n", f.count, f.count == 1 ? "material" : "materials");

    ID3D11Device* device = CheckDevice();
    PrintMaterialTextures(f, device);
    for (int g = 0; g < groupCount; ++g) {
        const char* wanted = groups[g].materialName;
        if (groups[g].indexCount == 0 || wanted[0] == '\0') continue;
        bool defined = false;
        for (int k = 0; k < f.count && !defined; ++k) defined = strcmp(f.materials[k].name, wanted) == 0;
        if (!defined) {
            printf("  group %d uses material ", g);
            PrintName(wanted);
            printf(", which the library does not define: drawn with the default material\n");
        }
    }
    if (device == nullptr) {
        printf("materials: textures not checked (no Direct3D 11 device)\n");
        return true;
    }

    printf("  default texture ");
    PrintName(DefaultTextureFile);
    printf(" %s\n", TryTexture(device, DefaultTextureFile).c_str());
    // The verdict is the program's own: its material library loading this file.
    auto library = std::make_unique<MaterialLibrary>();
    const bool loads = library->Load(mtllibName, device);
    library->Release();
    printf("materials: %s\n", loads ? "load" : "do not load");
    return loads;
}
