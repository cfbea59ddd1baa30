// MaterialLibrary: the materials of the loaded model, a cache of the textures they name (one
// entry per distinct file name) and the fallback texture DefaultTexture.
#pragma once

#include <d3d11.h>

#include "MtlReader.h"

constexpr int MaxTextures = 256;  // cached textures

class MaterialLibrary {
  public:
    MaterialLibrary() = default;
    ~MaterialLibrary() { Release(); }  // at program exit; normally finds the library empty
    MaterialLibrary(const MaterialLibrary&) = delete;
    MaterialLibrary& operator=(const MaterialLibrary&) = delete;

    // Releases what an earlier load left, reads the material library fileName (relative to the
    // working directory; at most 79 characters), loads every texture it names once per distinct
    // name while the cache has room, then "..\misc\default.bmp". A null or empty fileName (a
    // model without a library) loads only the default texture. Any failure leaves the library
    // empty.
    bool Load(const char* fileName, ID3D11Device* device);
    // Releases every texture and forgets the materials. Safe to repeat.
    void Release();

    // Lookups compare names byte for byte, case included, and take the first match. What they
    // return is lent: no reference is added, and it stays valid until the next Load or Release.
    const Material* FindMaterial(const char* name) const;
    ID3D11ShaderResourceView* FindTexture(const char* fileName) const;
    // The cached texture of that name, else DefaultTexture (null before a successful Load).
    ID3D11ShaderResourceView* GetTextureOrDefault(const char* fileName) const;
    // The cached texture of that name, or the file loaded and appended to the cache; null when
    // the name is null or empty, the file cannot be loaded, or the cache is full.
    ID3D11ShaderResourceView* LoadTexture(const char* fileName, ID3D11Device* device);

    const char* GetLibraryFileName() const { return libraryFileName; }
    int GetMaterialCount() const { return materialCount; }
    // The record at index, in file order; null outside 0 .. GetMaterialCount() - 1.
    const Material* GetMaterial(int index) const
    {
        return index >= 0 && index < materialCount ? &materials[index] : nullptr;
    }
    int GetTextureCount() const { return textureCount; }
    ID3D11ShaderResourceView* GetDefaultTexture() const { return DefaultTexture; }
    // Why the last Load returned false, naming the file ("the texture \"..\\misc\\fur.bmp\" is
    // missing (code 0x887C0002)"); empty after a successful load.
    const char* GetLoadFailure() const { return loadFailure; }

  private:
    bool LoadMaterialTextures(ID3D11Device* device);
    bool LoadDefaultTexture(ID3D11Device* device);

    char libraryFileName[MaterialNameRoom] = {};
    char textureNames[MaxTextures][MaterialNameRoom] = {};
    ID3D11ShaderResourceView* textures[MaxTextures] = {};  // entry i is the file textureNames[i]
    int textureCount = 0;
    Material materials[MaxMaterials] = {};
    int materialCount = 0;
    ID3D11ShaderResourceView* DefaultTexture = nullptr;  // not a cache entry
    char loadFailure[256] = {};
};
