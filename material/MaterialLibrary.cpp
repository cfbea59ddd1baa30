// MaterialLibrary: loading the material library and its textures, lookups, release.
#include "MaterialLibrary.h"

#include <d3dx11.h>
#include <stdio.h>
#include <string.h>

#include "DataFiles.h"
#include "ReleaseSlot.h"

namespace {

// Loads an image file as a texture view; null when it cannot be loaded, with the loader's code
// in *result.
ID3D11ShaderResourceView* LoadImageTexture(ID3D11Device* device, const char* fileName, HRESULT* result)
{
    ID3D11ShaderResourceView* view = nullptr;
    HRESULT hr = D3DX11CreateShaderResourceViewFromFileA(device, fileName, nullptr, nullptr, &view, nullptr);
    *result = hr;
    return SUCCEEDED(hr) ? view : nullptr;
}

const char* DescribeImageFailure(HRESULT hr)
{
    switch (hr) {
    case D3D11_ERROR_FILE_NOT_FOUND: return "is missing";
    case D3DX11_ERR_INVALID_DATA: return "is not an image that can be read";
    case E_INVALIDARG: return "is too large (more than 16384 pixels on a side) or has no pixels";
    default: return "cannot be loaded";
    }
}

bool FitsNameField(const char* text)
{
    return strnlen(text, MaterialNameRoom) < static_cast<size_t>(MaterialNameRoom);
}

}  // namespace

bool MaterialLibrary::Load(const char* fileName, ID3D11Device* device)
{
    Release();
    loadFailure[0] = '\0';
    // A model without a library still draws: every group with the default material, whose
    // texture is the default one.
    if (fileName == nullptr || fileName[0] == '\0') return LoadDefaultTexture(device);
    // A longer name would not fit the field; cutting it would open some other file.
    if (!FitsNameField(fileName)) {
        snprintf(loadFailure, sizeof loadFailure, "the material library name is longer than %d characters",
                 MaterialNameRoom - 1);
        return false;
    }
    strcpy_s(libraryFileName, fileName);

    FILE* file = nullptr;
    if (fopen_s(&file, libraryFileName, "rt") != 0 || file == nullptr) {
        snprintf(loadFailure, sizeof loadFailure, "the material library \"%s\" cannot be opened", fileName);
        Release();
        return false;
    }
    const bool read = ReadMtl(file, materials, materialCount);
    fclose(file);
    if (!read) {
        snprintf(loadFailure, sizeof loadFailure, "the material library \"%s\" holds more than %d materials", fileName,
                 MaxMaterials);
        Release();
        return false;
    }

    if (!LoadMaterialTextures(device)) {
        Release();
        return false;
    }

    return LoadDefaultTexture(device);
}

// The fallback for every texture lookup that finds nothing; on failure the library is released.
bool MaterialLibrary::LoadDefaultTexture(ID3D11Device* device)
{
    HRESULT hr = S_OK;
    DefaultTexture = LoadImageTexture(device, DefaultTextureFile, &hr);
    if (DefaultTexture == nullptr) {
        snprintf(loadFailure, sizeof loadFailure, "the default texture %s %s (code 0x%08X)", DefaultTextureFile,
                 DescribeImageFailure(hr), static_cast<unsigned>(hr));
        Release();
        return false;
    }
    return true;
}

// Every texture name of every material, in material order and within a material in field order.
// A full cache ends the loading without failure: later names are looked up as DefaultTexture.
bool MaterialLibrary::LoadMaterialTextures(ID3D11Device* device)
{
    for (int i = 0; i < materialCount; ++i) {
        Material& m = materials[i];
        const char* names[] = {m.map_Kd, m.map_Ks, m.map_Ka, m.map_Bump, m.map_Extra1, m.map_Extra2};
        for (const char* name : names) {
            if (textureCount == MaxTextures) return true;
            if (name[0] == '\0') continue;
            if (LoadTexture(name, device) == nullptr) return false;
        }
    }
    return true;
}

void MaterialLibrary::Release()
{
    libraryFileName[0] = '\0';
    ReleaseSlot(DefaultTexture);
    for (int i = 0; i < textureCount; ++i) ReleaseSlot(textures[i]);
    materialCount = 0;
    textureCount = 0;
}

const Material* MaterialLibrary::FindMaterial(const char* name) const
{
    if (name == nullptr) return nullptr;
    for (int i = 0; i < materialCount; ++i)
        if (strcmp(materials[i].name, name) == 0) return &materials[i];
    return nullptr;
}

ID3D11ShaderResourceView* MaterialLibrary::FindTexture(const char* fileName) const
{
    if (fileName == nullptr) return nullptr;
    for (int i = 0; i < textureCount; ++i)
        if (strcmp(textureNames[i], fileName) == 0) return textures[i];
    return nullptr;
}

ID3D11ShaderResourceView* MaterialLibrary::GetTextureOrDefault(const char* fileName) const
{
    ID3D11ShaderResourceView* texture = FindTexture(fileName);
    return texture != nullptr ? texture : DefaultTexture;
}

ID3D11ShaderResourceView* MaterialLibrary::LoadTexture(const char* fileName, ID3D11Device* device)
{
    if (fileName == nullptr) return nullptr;
    if (ID3D11ShaderResourceView* cached = FindTexture(fileName)) return cached;
    // Cache entries are non-empty names that fit their field, and there are at most MaxTextures.
    if (fileName[0] == '\0' || !FitsNameField(fileName) || textureCount == MaxTextures) return nullptr;

    HRESULT hr = S_OK;
    ID3D11ShaderResourceView* texture = LoadImageTexture(device, fileName, &hr);
    if (texture == nullptr) {
        snprintf(loadFailure, sizeof loadFailure, "the texture \"%s\" %s (code 0x%08X)", fileName,
                 DescribeImageFailure(hr), static_cast<unsigned>(hr));
        return nullptr;
    }
    strcpy_s(textureNames[textureCount], fileName);
    textures[textureCount] = texture;
    ++textureCount;
    return texture;
}
