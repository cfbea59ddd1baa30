// Pipelines.h: the shaders and fixed-function states of the three passes of a frame, built
// from the one shader source file at start-up and bound by the frame.
#pragma once

#include <d3d11.h>

#include "DataFiles.h"  // ShaderSourceFile, the HLSL source with the seven entry points

// Pass 1: the lit, textured model into colour and depth.
extern ID3D11VertexShader* SceneVertexShader;
extern ID3D11InputLayout* SceneInputLayout;
extern ID3D11PixelShader* ScenePixelShader;
extern ID3D11BlendState* SceneBlendState;
extern ID3D11RasterizerState* SceneRasterizerState;  // also pass 3
extern ID3D11DepthStencilState* SceneDepthStencilState;

// Pass 2: the shadow volumes, counted into the stencil buffer.
extern ID3D11VertexShader* ShadowVolumeVertexShader;
extern ID3D11GeometryShader* ShadowVolumeGeometryShaderAdj;  // triangles with adjacency
extern ID3D11GeometryShader* ShadowVolumeGeometryShader;     // plain triangles
extern ID3D11BlendState* ShadowVolumeBlendState;
extern ID3D11RasterizerState* ShadowVolumeRasterizerState;
extern ID3D11DepthStencilState* ShadowVolumeDepthStencilState;

// Pass 3: the strip over the whole target that darkens pixels whose stencil count is not 0.
extern ID3D11VertexShader* ShadowVertexShader;
extern ID3D11PixelShader* ShadowPixelShader;
extern ID3D11BlendState* ShadowBlendState;
extern ID3D11DepthStencilState* ShadowDepthStencilState;

// Each builder fills its own slots in order and stops at the first failure, returning its code;
// otherwise it returns the result of its last creation call. Objects made before a failure stay
// in their slots for ReleaseGraphics.
HRESULT CreateScenePipeline(ID3D11Device* device);
HRESULT CreateShadowVolumePipeline(ID3D11Device* device);
HRESULT CreateShadowPipeline(ID3D11Device* device);
