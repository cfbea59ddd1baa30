// The two D3DX11 functions the program calls, declared as the DirectX SDK (June 2010) declares
// them in d3dx11async.h and d3dx11tex.h, for the mingw-w64 build: mingw-w64 ships the import
// library libd3dx11_43.a but no D3DX11 header. Only what the program uses is here.
#pragma once

#include <d3d10shader.h>
#include <d3d11.h>

// d3dx11core.h: the asynchronous loader; the program passes null (complete before returning).
interface ID3DX11ThreadPump;

// d3dx11tex.h: image-load options; the program passes null (the loader's defaults).
struct D3DX11_IMAGE_LOAD_INFO;

// d3dx11.h: errors in the DirectDraw facility, as D3DX has always numbered them.
#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)
enum _D3DX11_ERR {
    D3DX11_ERR_CANNOT_MODIFY_INDEX_BUFFER = MAKE_DDHRESULT(2900),
    D3DX11_ERR_INVALID_MESH = MAKE_DDHRESULT(2901),
    D3DX11_ERR_CANNOT_ATTR_SORT = MAKE_DDHRESULT(2902),
    D3DX11_ERR_SKINNING_NOT_SUPPORTED = MAKE_DDHRESULT(2903),
    D3DX11_ERR_TOO_MANY_INFLUENCES = MAKE_DDHRESULT(2904),
    D3DX11_ERR_INVALID_DATA = MAKE_DDHRESULT(2905),
    D3DX11_ERR_LOADED_MESH_HAS_NO_DATA = MAKE_DDHRESULT(2906),
    D3DX11_ERR_DUPLICATE_NAMED_FRAGMENT = MAKE_DDHRESULT(2907),
    D3DX11_ERR_CANNOT_REMOVE_LAST_ITEM = MAKE_DDHRESULT(2908),
};

#ifdef __cplusplus
extern "C" {
#endif

HRESULT WINAPI D3DX11CompileFromFileW(LPCWSTR pSrcFile, CONST D3D10_SHADER_MACRO* pDefines, LPD3D10INCLUDE pInclude,
                                      LPCSTR pFunctionName, LPCSTR pProfile, UINT Flags1, UINT Flags2,
                                      ID3DX11ThreadPump* pPump, ID3D10Blob** ppShader, ID3D10Blob** ppErrorMsgs,
                                      HRESULT* pHResult);

HRESULT WINAPI D3DX11CreateShaderResourceViewFromFileA(ID3D11Device* pDevice, LPCSTR pSrcFile,
                                                       D3DX11_IMAGE_LOAD_INFO* pLoadInfo, ID3DX11ThreadPump* pPump,
                                                       ID3D11ShaderResourceView** ppShaderResourceView,
                                                       HRESULT* pHResult);

#ifdef __cplusplus
}
#endif
