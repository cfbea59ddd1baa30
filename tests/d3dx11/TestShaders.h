// HLSL sources shared by the D3DX11 tests and a helper that compiles a source text.
#pragma once

#include <memory>
#include <string>

#include "d3dx11.h"

struct ComReleaser {
    void operator()(IUnknown* p) const
    {
        if (p) p->Release();
    }
};
using BlobPtr = std::unique_ptr<ID3D10Blob, ComReleaser>;

// Writes `source` to a scratch file named `fileName` and compiles `entry` for `profile`.
// On failure returns null and leaves the compiler's message in *errors (when given).
BlobPtr CompileSource(const std::string& source, const char* entry, const char* profile,
                      UINT flags = D3D10_SHADER_ENABLE_STRICTNESS | D3D10_SHADER_PACK_MATRIX_COLUMN_MAJOR,
                      std::string* errors = nullptr, HRESULT* result = nullptr,
                      const std::string& fileName = "shader.hlsl");

// A shader file shaped like the viewer's: a lit, textured scene pass (VS, PS), shadow-volume
// extrusion with and without adjacency (VS_SV, GS_SV_1, GS_SV_2) and a full-screen strip (VS_S,
// PS_S). PS declares its input struct in a different order from VS's output.
extern const char* const SevenEntryPointSource;

struct EntryPoint {
    const char* name;
    const char* profile;
};
extern const EntryPoint SevenEntryPoints[7];
