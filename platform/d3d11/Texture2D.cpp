// 2-D textures: validation, storage, uploads and readbacks in Direct3D row order, copies.
#include "Texture2D.h"

#include <algorithm>

#include "DebugLog.h"
#include "Device.h"
#include "DeviceContext.h"

namespace d3d11gl {

namespace {

UINT FullMipCount(UINT width, UINT height)
{
    UINT levels = 1;
    for (UINT size = std::max(width, height); size > 1; size >>= 1) ++levels;
    return levels;
}

constexpr UINT TextureBindFlags =
    D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET | D3D11_BIND_DEPTH_STENCIL | D3D11_BIND_UNORDERED_ACCESS;

}  // namespace

HRESULT ValidateTexture2DDesc(const Device* device, const char* call, const D3D11_TEXTURE2D_DESC& desc,
                              const D3D11_SUBRESOURCE_DATA* initialData)
{
    if (desc.Width == 0 || desc.Height == 0 || desc.ArraySize == 0)
        return Refuse(device, call, "Width %u, Height %u, ArraySize %u: none may be 0", desc.Width, desc.Height,
                      desc.ArraySize);
    if (desc.Width > D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION || desc.Height > D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION)
        return Refuse(device, call, "Width %u, Height %u: the largest is %u", desc.Width, desc.Height,
                      UINT(D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION));
    if (desc.MipLevels > FullMipCount(desc.Width, desc.Height))
        return Refuse(device, call, "MipLevels is %u: a %u x %u texture has at most %u", desc.MipLevels, desc.Width,
                      desc.Height, FullMipCount(desc.Width, desc.Height));
    if (desc.SampleDesc.Count == 0 || (desc.SampleDesc.Count == 1 && desc.SampleDesc.Quality != 0))
        return Refuse(device, call, "SampleDesc is {Count %u, Quality %u}", desc.SampleDesc.Count,
                      desc.SampleDesc.Quality);
    TextureFormat format = TextureFormatOf(desc.Format);
    if (!format.internalFormat) return Refuse(device, call, "Format %u is not a texture format", Raw(desc.Format));
    if (desc.BindFlags & ~TextureBindFlags)
        return Refuse(device, call, "BindFlags 0x%X holds bits 0x%X that a texture cannot take", desc.BindFlags,
                      desc.BindFlags & ~TextureBindFlags);
    if (format.depth && (desc.BindFlags & (D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE)))
        return Refuse(device, call,
                      "BindFlags is 0x%X: depth-stencil format %u cannot be a render target or "
                      "shader resource",
                      desc.BindFlags, Raw(desc.Format));
    if (!format.depth && (desc.BindFlags & D3D11_BIND_DEPTH_STENCIL))
        return Refuse(device, call, "BindFlags is 0x%X: format %u cannot be a depth-stencil target", desc.BindFlags,
                      Raw(desc.Format));
    if (desc.CPUAccessFlags & ~(D3D11_CPU_ACCESS_READ | D3D11_CPU_ACCESS_WRITE))
        return Refuse(device, call, "CPUAccessFlags 0x%X holds unknown bits", desc.CPUAccessFlags);
    switch (Raw(desc.Usage)) {
    case D3D11_USAGE_DEFAULT:
        if (desc.CPUAccessFlags)
            return Refuse(device, call, "CPUAccessFlags is 0x%X: a DEFAULT texture takes none", desc.CPUAccessFlags);
        break;
    case D3D11_USAGE_IMMUTABLE:
        if (desc.CPUAccessFlags)
            return Refuse(device, call, "CPUAccessFlags is 0x%X: an IMMUTABLE texture takes none", desc.CPUAccessFlags);
        if (!initialData) return Refuse(device, call, "an IMMUTABLE texture needs pInitialData");
        break;
    case D3D11_USAGE_DYNAMIC:
        if (desc.CPUAccessFlags != D3D11_CPU_ACCESS_WRITE || desc.MipLevels != 1 || desc.ArraySize != 1 ||
            (desc.BindFlags & ~D3D11_BIND_SHADER_RESOURCE))
            return Refuse(device, call,
                          "CPUAccessFlags 0x%X, MipLevels %u, ArraySize %u, BindFlags 0x%X: a DYNAMIC "
                          "texture takes CPU_ACCESS_WRITE, one level, one slice and at most BIND_SHADER_RESOURCE",
                          desc.CPUAccessFlags, desc.MipLevels, desc.ArraySize, desc.BindFlags);
        break;
    case D3D11_USAGE_STAGING:
        if (desc.BindFlags)
            return Refuse(device, call, "BindFlags is 0x%X: a STAGING texture takes none", desc.BindFlags);
        if (!desc.CPUAccessFlags) return Refuse(device, call, "CPUAccessFlags is 0: a STAGING texture needs some");
        break;
    default: return Refuse(device, call, "Usage %u is not a D3D11_USAGE", Raw(desc.Usage));
    }
    if ((desc.MiscFlags & D3D11_RESOURCE_MISC_GENERATE_MIPS) &&
        (desc.BindFlags & (D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE)) !=
            (D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE))
        return Refuse(device, call,
                      "BindFlags is 0x%X: RESOURCE_MISC_GENERATE_MIPS needs BIND_RENDER_TARGET and "
                      "BIND_SHADER_RESOURCE",
                      desc.BindFlags);
    if (initialData) {
        UINT levels = desc.MipLevels ? desc.MipLevels : FullMipCount(desc.Width, desc.Height);
        for (UINT i = 0; i < levels; ++i)
            if (!initialData[i].pSysMem) return Refuse(device, call, "pInitialData[%u].pSysMem is NULL", i);
    }
    // Valid in Direct3D, but not provided by this layer.
    if (desc.ArraySize != 1 || desc.SampleDesc.Count != 1 || (desc.MiscFlags & D3D11_RESOURCE_MISC_TEXTURECUBE))
        return RefuseWith(E_NOTIMPL, device, call,
                          "ArraySize %u, SampleDesc.Count %u, MiscFlags 0x%X: texture "
                          "arrays, multisampled and cube textures are not provided",
                          desc.ArraySize, desc.SampleDesc.Count, desc.MiscFlags);
    return S_OK;
}

HRESULT Texture2D::Create(Device* device, const D3D11_TEXTURE2D_DESC& desc, const D3D11_SUBRESOURCE_DATA* initialData,
                          Texture2D** out, const char* call)
{
    HRESULT hr = ValidateTexture2DDesc(device, call, desc, initialData);
    if (FAILED(hr)) return hr;
    if (!out) return S_FALSE;
    if (!device->MakeCurrent()) return RefuseWith(DXGI_ERROR_DEVICE_REMOVED, device, call, "the device is lost");
    Texture2D* texture = new Texture2D(device, desc);
    if (!texture->Init(initialData)) {
        texture->Release();
        return RefuseWith(E_OUTOFMEMORY, device, call, "GL could not allocate a %u x %u texture of format %u",
                          desc.Width, desc.Height, Raw(desc.Format));
    }
    *out = texture;
    return S_OK;
}

Texture2D::Texture2D(Device* device, const D3D11_TEXTURE2D_DESC& desc)
    : DeviceChild(device), desc_(desc), format_(TextureFormatOf(desc.Format)),
      bottomUp_((desc.BindFlags & (D3D11_BIND_RENDER_TARGET | D3D11_BIND_DEPTH_STENCIL)) != 0)
{
    if (desc_.MipLevels == 0) desc_.MipLevels = FullMipCount(desc_.Width, desc_.Height);
}

bool Texture2D::Init(const D3D11_SUBRESOURCE_DATA* initialData)
{
    // Only errors raised by this creation decide its result.
    DrainGlErrors();
    glCreateTextures(GL_TEXTURE_2D, 1, &name_);
    NoteGlCreated();
    glTextureStorage2D(name_, desc_.MipLevels, format_.internalFormat, desc_.Width, desc_.Height);
    if (glGetError() != GL_NO_ERROR) return false;
    if (format_.Integer()) {
        // GL's default filters (linear) leave an integer texture incomplete, so even a Load read
        // zeros; units holding one get no sampler object (ApplySamplers).
        glTextureParameteri(name_, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
        glTextureParameteri(name_, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    if (desc_.Usage == D3D11_USAGE_STAGING || desc_.Usage == D3D11_USAGE_DYNAMIC) {
        shadow_.resize(desc_.MipLevels);
        for (UINT level = 0; level < desc_.MipLevels; ++level)
            shadow_[level].assign(size_t(LevelWidth(level)) * LevelHeight(level) * format_.bytesPerTexel, 0);
    }
    mapTypes_.assign(desc_.MipLevels, D3D11_MAP(0));
    if (initialData) {
        for (UINT level = 0; level < desc_.MipLevels; ++level) {
            const D3D11_SUBRESOURCE_DATA& data = initialData[level];
            UINT pitch = data.SysMemPitch ? data.SysMemPitch : LevelWidth(level) * format_.bytesPerTexel;
            Write(level, 0, 0, LevelWidth(level), LevelHeight(level), data.pSysMem, pitch);
        }
    }
    return glGetError() == GL_NO_ERROR;
}

Texture2D::~Texture2D()
{
    if (OwnerDevice()->MakeCurrent()) glDeleteTextures(1, &name_);
    NoteGlDeleted();
}

void Texture2D::Write(UINT level, UINT x, UINT y, UINT width, UINT height, const void* data, UINT rowPitch)
{
    if (level >= desc_.MipLevels || x + width > LevelWidth(level) || y + height > LevelHeight(level))
        return Ignore(OwnerDevice(), "UpdateSubresource", "the box passes the edge of level %u", level);
    if (!OwnerDevice()->MakeCurrent()) return;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowPitch / format_.bytesPerTexel);
    if (!bottomUp_) {
        glTextureSubImage2D(name_, level, x, y, width, height, format_.transferFormat, format_.transferType, bytes);
    } else {
        UINT levelHeight = LevelHeight(level);
        for (UINT row = 0; row < height; ++row)
            glTextureSubImage2D(name_, level, x, levelHeight - 1 - (y + row), width, 1, format_.transferFormat,
                                format_.transferType, bytes + size_t(row) * rowPitch);
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if (!shadow_.empty() && desc_.Usage == D3D11_USAGE_STAGING) {
        size_t pitch = size_t(LevelWidth(level)) * format_.bytesPerTexel;
        for (UINT row = 0; row < height; ++row)
            std::copy_n(bytes + size_t(row) * rowPitch, size_t(width) * format_.bytesPerTexel,
                        shadow_[level].data() + (y + row) * pitch + size_t(x) * format_.bytesPerTexel);
    }
}

HRESULT Texture2D::Map(UINT subresource, D3D11_MAP type, D3D11_MAPPED_SUBRESOURCE* mapped)
{
    const Device* device = OwnerDevice();
    if (subresource >= desc_.MipLevels)
        return Refuse(device, "Map", "Subresource is %u; the texture has MipLevels %u", subresource, desc_.MipLevels);
    if (mapTypes_[subresource] != 0) return Refuse(device, "Map", "Subresource %u is mapped already", subresource);
    UINT level = subresource;
    if (desc_.Usage == D3D11_USAGE_DYNAMIC) {
        if (type != D3D11_MAP_WRITE_DISCARD)
            return Refuse(device, "Map", "MapType %u on a DYNAMIC texture: it takes WRITE_DISCARD", Raw(type));
    } else if (desc_.Usage == D3D11_USAGE_STAGING) {
        bool reads = type == D3D11_MAP_READ || type == D3D11_MAP_READ_WRITE;
        bool writes = type == D3D11_MAP_WRITE || type == D3D11_MAP_READ_WRITE;
        if ((!reads && !writes) || (reads && !(desc_.CPUAccessFlags & D3D11_CPU_ACCESS_READ)) ||
            (writes && !(desc_.CPUAccessFlags & D3D11_CPU_ACCESS_WRITE)))
            return Refuse(device, "Map", "MapType %u on a STAGING texture with CPUAccessFlags 0x%X", Raw(type),
                          desc_.CPUAccessFlags);
        // Every map reads the texture back, a write-only one too: the GPU may have written it
        // (CopyResource) since the CPU copy was last filled, and Unmap uploads the whole level,
        // so a stale copy would undo that write.
        if (!OwnerDevice()->MakeCurrent())
            return RefuseWith(DXGI_ERROR_DEVICE_REMOVED, device, "Map", "the device is lost");
        glGetTextureImage(name_, level, format_.transferFormat, format_.transferType, GLsizei(shadow_[level].size()),
                          shadow_[level].data());
    } else {
        return Refuse(device, "Map", "a %s texture cannot be mapped",
                      desc_.Usage == D3D11_USAGE_IMMUTABLE ? "IMMUTABLE" : "DEFAULT");
    }
    mapTypes_[level] = type;
    if (mapped) {
        mapped->pData = shadow_[level].data();
        mapped->RowPitch = LevelWidth(level) * format_.bytesPerTexel;
        mapped->DepthPitch = mapped->RowPitch * LevelHeight(level);
    }
    return S_OK;
}

void Texture2D::Unmap(UINT subresource)
{
    if (subresource >= desc_.MipLevels || mapTypes_[subresource] == 0) return;
    D3D11_MAP type = mapTypes_[subresource];
    mapTypes_[subresource] = D3D11_MAP(0);
    if (type == D3D11_MAP_READ || !OwnerDevice()->MakeCurrent()) return;
    UINT level = subresource;
    glTextureSubImage2D(name_, level, 0, 0, LevelWidth(level), LevelHeight(level), format_.transferFormat,
                        format_.transferType, shadow_[level].data());
}

void Texture2D::CopyFrom(Texture2D& source, DeviceContext& context)
{
    if (source.desc_.Width != desc_.Width || source.desc_.Height != desc_.Height ||
        source.desc_.MipLevels != desc_.MipLevels || source.format_.internalFormat != format_.internalFormat)
        return Ignore(OwnerDevice(), "CopyResource",
                      "the source (%u x %u, %u levels, format %d) does not match the destination (%u x %u, %u levels, "
                      "format %d)",
                      source.desc_.Width, source.desc_.Height, source.desc_.MipLevels, int(source.desc_.Format),
                      desc_.Width, desc_.Height, desc_.MipLevels, int(desc_.Format));
    if (!OwnerDevice()->MakeCurrent()) return;
    for (UINT level = 0; level < desc_.MipLevels; ++level) {
        GLsizei width = LevelWidth(level), height = LevelHeight(level);
        if (source.bottomUp_ == bottomUp_) {
            glCopyImageSubData(source.name_, GL_TEXTURE_2D, level, 0, 0, 0, name_, GL_TEXTURE_2D, level, 0, 0, 0, width,
                               height, 1);
            continue;
        }
        // Rows run the other way: a blit with the destination upside down.
        GLbitfield mask = format_.depth ? GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT;
        if (format_.stencil) mask |= GL_STENCIL_BUFFER_BIT;
        GLenum attachment = format_.depth ? (format_.stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT)
                                          : GL_COLOR_ATTACHMENT0;
        GLuint readFbo = context.CopyFramebuffer(0), drawFbo = context.CopyFramebuffer(1);
        glNamedFramebufferTexture(readFbo, attachment, source.name_, level);
        glNamedFramebufferTexture(drawFbo, attachment, name_, level);
        glNamedFramebufferReadBuffer(readFbo, format_.depth ? GL_NONE : GL_COLOR_ATTACHMENT0);
        glNamedFramebufferDrawBuffer(drawFbo, format_.depth ? GL_NONE : GL_COLOR_ATTACHMENT0);
        // Nothing but the copy may decide what is written: open every mask, as for a clear.
        glColorMaski(0, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
        glStencilMask(0xff);
        glDisable(GL_SCISSOR_TEST);
        glBlitNamedFramebuffer(readFbo, drawFbo, 0, 0, width, height, 0, height, width, 0, mask, GL_NEAREST);
        glNamedFramebufferTexture(readFbo, attachment, 0, 0);
        glNamedFramebufferTexture(drawFbo, attachment, 0, 0);
        context.InvalidateOutputMasks();
    }
}

}  // namespace d3d11gl
