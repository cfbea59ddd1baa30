// DXGI formats as GL sees them: texture storage, pixel transfer and vertex attribute formats.
#pragma once

#include <epoxy/gl.h>

#include <dxgiformat.h>

namespace d3d11gl {

struct TextureFormat {
    GLenum internalFormat = 0;  // 0: not usable as a texture
    GLenum transferFormat = 0;  // format and type for glTextureSubImage / glGetTextureImage
    GLenum transferType = 0;
    unsigned bytesPerTexel = 0;
    bool depth = false;
    bool stencil = false;
    // Read and written as integers (the *_UINT and *_SINT colour formats): cleared through the
    // integer clear calls, and never filtered, since GL treats a filtered integer texture as
    // incomplete and reads zero from it.
    bool Integer() const { return transferFormat == GL_RGBA_INTEGER || transferFormat == GL_RED_INTEGER; }
    bool Signed() const { return transferType == GL_BYTE || transferType == GL_INT; }
};
// The texture format of `format`, or one with internalFormat 0 when the layer does not support it.
TextureFormat TextureFormatOf(DXGI_FORMAT format);

struct VertexFormat {
    GLint components = 0;  // 0: not a vertex format
    GLenum type = 0;
    GLboolean normalized = GL_FALSE;
    bool integer = false;  // read as integers (glVertexArrayAttribIFormat)
    unsigned bytes = 0;
};
VertexFormat VertexFormatOf(DXGI_FORMAT format);

// Bytes per index for DXGI_FORMAT_R16_UINT / R32_UINT, 0 for anything else.
unsigned IndexSize(DXGI_FORMAT format);

}  // namespace d3d11gl
