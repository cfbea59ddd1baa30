// D3DX11 utility functions: compiling HLSL from a file and loading an image file as a texture.
#pragma once

#include "d3d10shader.h"
#include "d3d11.h"

// Asynchronous loading is not supported; a null pump means "complete before returning".
struct ID3DX11ThreadPump;

// Image-load options; only a null pointer (the loader's defaults) is supported.
struct D3DX11_IMAGE_LOAD_INFO;

// The DirectX SDK's value: MAKE_DDHRESULT(2905), facility 0x876 (0x887C0003 is a Direct3D 11 code).
#define D3DX11_ERR_INVALID_DATA ((HRESULT)0x88760B59)

// Compiles the entry point pFunctionName of the HLSL file pSrcFile for the profile pProfile
// (vs_4_0, gs_4_0, ps_4_0 and their _5_0 forms) into a byte-code blob for Create*Shader and
// CreateInputLayout. A missing file gives D3D11_ERROR_FILE_NOT_FOUND; a compile error gives
// E_FAIL with the compiler's message in *ppErrorMsgs when that is asked for.
HRESULT WINAPI D3DX11CompileFromFileW(LPCWSTR pSrcFile, const D3D10_SHADER_MACRO* pDefines, LPD3D10INCLUDE pInclude,
                                      LPCSTR pFunctionName, LPCSTR pProfile, UINT Flags1, UINT Flags2,
                                      ID3DX11ThreadPump* pPump, ID3D10Blob** ppShader, ID3D10Blob** ppErrorMsgs,
                                      HRESULT* pHResult);

// Loads an image file (BMP, PNG, JPEG, TGA) into an RGBA8 2-D texture with a full mip chain and
// returns a shader-resource view of it. Creates nothing on failure.
HRESULT WINAPI D3DX11CreateShaderResourceViewFromFileA(ID3D11Device* pDevice, LPCSTR pSrcFile,
                                                       D3DX11_IMAGE_LOAD_INFO* pLoadInfo, ID3DX11ThreadPump* pPump,
                                                       ID3D11ShaderResourceView** ppShaderResourceView,
                                                       HRESULT* pHResult);
