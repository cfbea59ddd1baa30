// Frame.cpp: one frame in three passes: the lit, textured model; its shadow volumes counted into
// the stencil buffer; and a strip over the whole target that darkens what the count marks.
#include "Frame.h"

#include <d3d11.h>
#include <mmsystem.h>

#include <cstring>

#include "Graphics.h"
#include "ModelObjects.h"
#include "Pipelines.h"
#include "SharedState.h"

FrameConstants FrameConstantsImage = {};

namespace {

const FLOAT NoBlendFactor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
constexpr UINT AllSamples = 0xFFFFFFFF;

// The colour of a group whose material is missing: white and opaque, over the default texture.
constexpr float DefaultDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};

// The spin goes on through the millisecond clock's wraps.
SpinClock Spin;

}  // namespace

void DrawScenePass()
{
    ID3D11DeviceContext* context = ImmediateContext;
    Mesh.Bind(false);
    context->IASetInputLayout(SceneInputLayout);
    context->VSSetShader(SceneVertexShader, nullptr, 0);
    context->GSSetShader(nullptr, nullptr, 0);
    context->RSSetState(SceneRasterizerState);
    context->PSSetShader(ScenePixelShader, nullptr, 0);
    context->OMSetBlendState(SceneBlendState, NoBlendFactor, AllSamples);
    context->OMSetDepthStencilState(SceneDepthStencilState, 0);
    DrawMeshGroups(false);
}

void DrawShadowVolumePass()
{
    // Read once, so that the index list, the geometry shader and the ranges always agree.
    const bool useAdjacency = UseAdjacency;
    ID3D11DeviceContext* context = ImmediateContext;
    Mesh.Bind(useAdjacency);
    context->IASetInputLayout(SceneInputLayout);
    context->VSSetShader(ShadowVolumeVertexShader, nullptr, 0);
    context->GSSetShader(useAdjacency ? ShadowVolumeGeometryShaderAdj : ShadowVolumeGeometryShader, nullptr, 0);
    context->RSSetState(ShadowVolumeRasterizerState);
    context->PSSetShader(nullptr, nullptr, 0);
    context->OMSetBlendState(ShadowVolumeBlendState, NoBlendFactor, AllSamples);
    context->OMSetDepthStencilState(ShadowVolumeDepthStencilState, 0);
    DrawMeshGroups(useAdjacency);
}

void DrawShadowPass()
{
    // The mesh buffers of pass 2 stay bound; with no input layout nothing reads them.
    ID3D11DeviceContext* context = ImmediateContext;
    context->IASetInputLayout(nullptr);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    context->VSSetShader(ShadowVertexShader, nullptr, 0);
    context->GSSetShader(nullptr, nullptr, 0);
    context->RSSetState(SceneRasterizerState);
    context->PSSetShader(ShadowPixelShader, nullptr, 0);
    context->OMSetBlendState(ShadowBlendState, NoBlendFactor, AllSamples);
    context->OMSetDepthStencilState(ShadowDepthStencilState, 0);
    context->Draw(4, 0);
}

void DrawMeshGroups(bool useAdjacency)
{
    ID3D11DeviceContext* context = ImmediateContext;
    const int groupCount = Mesh.GetGroupCount();
    for (int i = 0; i < groupCount; ++i) {
        const MeshGroup& group = Mesh.GetGroups()[i];
        if (group.indexCount <= 0) continue;

        const Material* material = Materials.FindMaterial(group.materialName);
        ID3D11ShaderResourceView* texture = Materials.GetTextureOrDefault(material ? material->map_Kd : nullptr);
        if (material) {
            FrameConstantsImage.diffuse[0] = material->Kd[0];
            FrameConstantsImage.diffuse[1] = material->Kd[1];
            FrameConstantsImage.diffuse[2] = material->Kd[2];
            FrameConstantsImage.diffuse[3] = material->d;
        } else {
            std::memcpy(FrameConstantsImage.diffuse, DefaultDiffuse, sizeof DefaultDiffuse);
        }

        // The volume pass extrudes the triangles of a group that lies in closed shells from one
        // side of the light only; the scene pass does not read it.
        FrameConstantsImage.volumeSides = float(int(Mesh.GetGroupVolumeSides()[i]));

        D3D11_MAPPED_SUBRESOURCE mapped;
        if (FAILED(context->Map(FrameConstantBuffer, 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped)))
            return;  // this group and the rest of the pass stay undrawn
        std::memcpy(mapped.pData, &FrameConstantsImage, sizeof FrameConstantsImage);
        context->Unmap(FrameConstantBuffer, 0);

        context->PSSetShaderResources(0, 1, &texture);
        if (useAdjacency)
            Mesh.GetContext()->DrawIndexed(2 * static_cast<UINT>(group.indexCount),
                                           2 * static_cast<UINT>(group.startIndex), 0);
        else
            Mesh.GetContext()->DrawIndexed(static_cast<UINT>(group.indexCount), static_cast<UINT>(group.startIndex), 0);
    }
}

void DrawFrame()
{
    ID3D11DeviceContext* context = ImmediateContext;
    context->ClearRenderTargetView(BackBufferView, ClearColor);
    context->ClearDepthStencilView(DepthStencilView, D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, 1.0f, 0);

    const Matrix4x4 view = FrameViewMatrix(CameraDistance);
    FrameConstantsImage.view = TransposeMatrix(view);
    const Vector3 light = FrameLightPosition(view);
    FrameConstantsImage.viewLightPosition[0] = light.x;
    FrameConstantsImage.viewLightPosition[1] = light.y;
    FrameConstantsImage.viewLightPosition[2] = light.z;
    const BoundingSphere& sphere = Mesh.GetBoundingSphere();
    FrameConstantsImage.world = TransposeMatrix(FrameWorldMatrix(AdvanceSpinClock(Spin, timeGetTime()), sphere.center.x,
                                                                 sphere.center.y, sphere.center.z, sphere.radius));

    context->RSSetViewports(1, &Viewport);
    context->OMSetRenderTargets(1, &BackBufferView, DepthStencilView);
    context->VSSetConstantBuffers(0, 1, &FrameConstantBuffer);
    context->GSSetConstantBuffers(0, 1, &FrameConstantBuffer);
    context->PSSetConstantBuffers(0, 1, &FrameConstantBuffer);
    context->PSSetSamplers(0, 1, &LinearWrapSampler);

    DrawScenePass();
    DrawShadowVolumePass();
    DrawShadowPass();
}

HRESULT RenderFrame()
{
    DrawFrame();
    return SwapChain->Present(0, 0);
}
