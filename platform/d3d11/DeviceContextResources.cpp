// The context's resource operations: clears (which ignore every write mask, as in Direct3D),
// Map/Unmap, CopyResource and UpdateSubresource.
#include "Buffer.h"
#include "DebugLog.h"
#include "Device.h"
#include "DeviceContext.h"
#include "TestHooksInternal.h"
#include "Texture2D.h"
#include "Views.h"

namespace d3d11gl {

using platform_test::Call;

namespace {

Buffer* AsBuffer(ID3D11Resource* resource)
{
    if (!resource) return nullptr;
    D3D11_RESOURCE_DIMENSION dimension = D3D11_RESOURCE_DIMENSION_UNKNOWN;
    resource->GetType(&dimension);
    if (dimension != D3D11_RESOURCE_DIMENSION_BUFFER) return nullptr;
    return static_cast<Buffer*>(static_cast<ID3D11Buffer*>(resource));
}

// Layout of the D3D11_BOX that UpdateSubresource takes.
struct Box {
    UINT left, top, front, right, bottom, back;
};

}  // namespace

void DeviceContext::ClearRenderTargetView(ID3D11RenderTargetView* pRenderTargetView, const FLOAT ColorRGBA[4])
{
    if (!pRenderTargetView || !ColorRGBA)
        return Ignore(device_, "ClearRenderTargetView", "%s is NULL",
                      pRenderTargetView ? "ColorRGBA" : "pRenderTargetView");
    if (!device_->MakeCurrent()) return;
    auto* view = static_cast<RenderTargetView*>(pRenderTargetView);
    // A view that is bound is cleared through the drawing framebuffer: switching framebuffers
    // would make the driver finish the work queued so far first.
    GLuint framebuffer = view->ClearFramebuffer();
    GLint drawBuffer = 0;
    for (int i = 0; i < RtSlots; ++i)
        if (renderTargets_[i] == view) {
            if (dirty_ & DirtyTargets) ApplyTargets();
            dirty_ &= ~DirtyTargets;
            framebuffer = framebuffer_;
            drawBuffer = i;
            break;
        }
    glColorMaski(drawBuffer, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_SCISSOR_TEST);
    const TextureFormat& format = view->Texture().Format();
    if (!format.Integer()) {
        glClearNamedFramebufferfv(framebuffer, GL_COLOR, drawBuffer, ColorRGBA);
    } else if (format.Signed()) {
        // Direct3D converts the clear colour to the target's integers; the float clear would be a
        // GL error and leave the target as it was.
        const GLint value[4] = {GLint(ColorRGBA[0]), GLint(ColorRGBA[1]), GLint(ColorRGBA[2]), GLint(ColorRGBA[3])};
        glClearNamedFramebufferiv(framebuffer, GL_COLOR, drawBuffer, value);
    } else {
        const GLuint value[4] = {GLuint(ColorRGBA[0]), GLuint(ColorRGBA[1]), GLuint(ColorRGBA[2]),
                                 GLuint(ColorRGBA[3])};
        glClearNamedFramebufferuiv(framebuffer, GL_COLOR, drawBuffer, value);
    }
    InvalidateOutputMasks();
}

void DeviceContext::ClearDepthStencilView(ID3D11DepthStencilView* pDepthStencilView, UINT ClearFlags, FLOAT Depth,
                                          UINT8 Stencil)
{
    if (!pDepthStencilView) return Ignore(device_, "ClearDepthStencilView", "pDepthStencilView is NULL");
    if (!device_->MakeCurrent()) return;
    auto* view = static_cast<DepthStencilView*>(pDepthStencilView);
    const bool hasStencil = view->Texture().Format().stencil;
    const bool depth = (ClearFlags & D3D11_CLEAR_DEPTH) != 0;
    const bool stencil = (ClearFlags & D3D11_CLEAR_STENCIL) != 0 && hasStencil;
    GLuint framebuffer = view->ClearFramebuffer();
    if (depthStencil_ == view) {
        if (dirty_ & DirtyTargets) ApplyTargets();
        dirty_ &= ~DirtyTargets;
        framebuffer = framebuffer_;
    }
    glDepthMask(GL_TRUE);
    glStencilMask(0xff);
    glDisable(GL_SCISSOR_TEST);
    if (depth && stencil) {
        glClearNamedFramebufferfi(framebuffer, GL_DEPTH_STENCIL, 0, Depth, Stencil);
    } else if (depth) {
        glClearNamedFramebufferfv(framebuffer, GL_DEPTH, 0, &Depth);
    } else if (stencil) {
        const GLint value = Stencil;
        glClearNamedFramebufferiv(framebuffer, GL_STENCIL, 0, &value);
    }
    InvalidateOutputMasks();
}

HRESULT DeviceContext::Map(ID3D11Resource* pResource, UINT Subresource, D3D11_MAP MapType, UINT MapFlags,
                           D3D11_MAPPED_SUBRESOURCE* pMappedResource)
{
    HRESULT hr = E_INVALIDARG;
    if (pMappedResource) *pMappedResource = {};
    if (ShouldFailMap()) {
        hr = RefuseWith(E_OUTOFMEMORY, device_, "Map", "out of memory");
    } else if (MapFlags & ~UINT(D3D11_MAP_FLAG_DO_NOT_WAIT)) {
        hr = Refuse(device_, "Map", "MapFlags 0x%X holds bits other than MAP_FLAG_DO_NOT_WAIT", MapFlags);
    } else if (Buffer* buffer = AsBuffer(pResource)) {
        hr = Subresource == 0 ? buffer->Map(MapType, pMappedResource)
                              : Refuse(device_, "Map", "Subresource %u: a buffer has only 0", Subresource);
    } else if (Texture2D* texture = AsTexture2D(pResource)) {
        hr = texture->Map(Subresource, MapType, pMappedResource);
    } else {
        hr =
            Refuse(device_, "Map", pResource ? "pResource is neither a buffer nor a 2-D texture" : "pResource is NULL");
    }
    LogCall(Call::Map, MapType, uint64_t(uint32_t(hr)));
    return hr;
}

void DeviceContext::Unmap(ID3D11Resource* pResource, UINT Subresource)
{
    LogCall(Call::Unmap, Subresource);
    if (Buffer* buffer = AsBuffer(pResource)) {
        if (Subresource == 0) buffer->Unmap();
    } else if (Texture2D* texture = AsTexture2D(pResource)) {
        texture->Unmap(Subresource);
    }
}

void DeviceContext::CopyResource(ID3D11Resource* pDstResource, ID3D11Resource* pSrcResource)
{
    if (!pDstResource || !pSrcResource)
        return Ignore(device_, "CopyResource", "%s is NULL", pDstResource ? "pSrcResource" : "pDstResource");
    if (pDstResource == pSrcResource)
        return Ignore(device_, "CopyResource", "the source and the destination are the same resource");
    Buffer* dstBuffer = AsBuffer(pDstResource);
    Buffer* srcBuffer = AsBuffer(pSrcResource);
    Texture2D* dst = AsTexture2D(pDstResource);
    Texture2D* src = AsTexture2D(pSrcResource);
    if (!(dstBuffer && srcBuffer) && !(dst && src))
        return Ignore(device_, "CopyResource", "the source and the destination are not both buffers or 2-D textures");
    const D3D11_USAGE usage = dstBuffer ? dstBuffer->Desc().Usage : dst->Desc().Usage;
    if (usage == D3D11_USAGE_IMMUTABLE) return Ignore(device_, "CopyResource", "the destination is IMMUTABLE");
    if (dstBuffer) {
        if (dstBuffer->Desc().ByteWidth != srcBuffer->Desc().ByteWidth)
            return Ignore(device_, "CopyResource", "the destination's ByteWidth %u is not the source's %u",
                          dstBuffer->Desc().ByteWidth, srcBuffer->Desc().ByteWidth);
        dstBuffer->CopyFrom(*srcBuffer);
    } else {
        dst->CopyFrom(*src, *this);
    }
}

void DeviceContext::UpdateSubresource(ID3D11Resource* pDstResource, UINT DstSubresource, const void* pDstBox,
                                      const void* pSrcData, UINT SrcRowPitch, UINT)
{
    if (!pSrcData) return Ignore(device_, "UpdateSubresource", "pSrcData is NULL");
    const Box* box = static_cast<const Box*>(pDstBox);
    if (Buffer* buffer = AsBuffer(pDstResource)) {
        // Only default-usage resources take UpdateSubresource in Direct3D.
        if (DstSubresource != 0)
            return Ignore(device_, "UpdateSubresource", "DstSubresource %u: a buffer has only 0", DstSubresource);
        if (buffer->Desc().Usage != D3D11_USAGE_DEFAULT)
            return Ignore(device_, "UpdateSubresource", "only a DEFAULT buffer can be updated");
        UINT begin = box ? box->left : 0;
        UINT end = box ? box->right : buffer->Desc().ByteWidth;
        buffer->Write(begin, end, pSrcData);
        return;
    }
    Texture2D* texture = AsTexture2D(pDstResource);
    if (!texture)
        return Ignore(device_, "UpdateSubresource",
                      pDstResource ? "pDstResource is neither a buffer nor a 2-D texture" : "pDstResource is NULL");
    if (texture->Desc().Usage != D3D11_USAGE_DEFAULT)
        return Ignore(device_, "UpdateSubresource", "only a DEFAULT texture can be updated");
    if (DstSubresource >= texture->Desc().MipLevels)
        return Ignore(device_, "UpdateSubresource", "DstSubresource %u: the texture has %u", DstSubresource,
                      texture->Desc().MipLevels);
    const UINT level = DstSubresource;
    UINT x = 0, y = 0, width = texture->LevelWidth(level), height = texture->LevelHeight(level);
    if (box) {
        if (box->right <= box->left || box->bottom <= box->top)
            return Ignore(device_, "UpdateSubresource", "pDstBox is empty");
        x = box->left;
        y = box->top;
        width = box->right - box->left;
        height = box->bottom - box->top;
    }
    const UINT pitch = SrcRowPitch ? SrcRowPitch : width * texture->Format().bytesPerTexel;
    texture->Write(level, x, y, width, height, pSrcData, pitch);
}

}  // namespace d3d11gl
