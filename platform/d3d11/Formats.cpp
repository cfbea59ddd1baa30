// The table from DXGI formats to GL formats.
#include "Formats.h"

namespace d3d11gl {

TextureFormat TextureFormatOf(DXGI_FORMAT format)
{
    switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM: return {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4};
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB: return {GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE, 4};
    case DXGI_FORMAT_R8G8B8A8_UINT: return {GL_RGBA8UI, GL_RGBA_INTEGER, GL_UNSIGNED_BYTE, 4};
    case DXGI_FORMAT_R8G8B8A8_SNORM: return {GL_RGBA8_SNORM, GL_RGBA, GL_BYTE, 4};
    case DXGI_FORMAT_R8G8B8A8_SINT: return {GL_RGBA8I, GL_RGBA_INTEGER, GL_BYTE, 4};
    case DXGI_FORMAT_B8G8R8A8_UNORM: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4};
    case DXGI_FORMAT_R32G32B32A32_FLOAT: return {GL_RGBA32F, GL_RGBA, GL_FLOAT, 16};
    case DXGI_FORMAT_R32G32B32A32_UINT: return {GL_RGBA32UI, GL_RGBA_INTEGER, GL_UNSIGNED_INT, 16};
    case DXGI_FORMAT_R32G32B32A32_SINT: return {GL_RGBA32I, GL_RGBA_INTEGER, GL_INT, 16};
    case DXGI_FORMAT_R16G16B16A16_FLOAT: return {GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, 8};
    case DXGI_FORMAT_R16G16B16A16_UNORM: return {GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT, 8};
    case DXGI_FORMAT_R32G32_FLOAT: return {GL_RG32F, GL_RG, GL_FLOAT, 8};
    case DXGI_FORMAT_R32_FLOAT: return {GL_R32F, GL_RED, GL_FLOAT, 4};
    case DXGI_FORMAT_R32_UINT: return {GL_R32UI, GL_RED_INTEGER, GL_UNSIGNED_INT, 4};
    case DXGI_FORMAT_R32_SINT: return {GL_R32I, GL_RED_INTEGER, GL_INT, 4};
    case DXGI_FORMAT_R8_UNORM: return {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1};
    case DXGI_FORMAT_D32_FLOAT: return {GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT, 4, true, false};
    // Readbacks of D24S8 come packed as GL packs them: depth in the high 24 bits.
    case DXGI_FORMAT_D24_UNORM_S8_UINT:
        return {GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, 4, true, true};
    // A 32-bit float depth, then a 32-bit word with the stencil in its low 8 bits: the same bytes
    // as Direct3D's D32_FLOAT_S8X24_UINT.
    case DXGI_FORMAT_D32_FLOAT_S8X24_UINT:
        return {GL_DEPTH32F_STENCIL8, GL_DEPTH_STENCIL, GL_FLOAT_32_UNSIGNED_INT_24_8_REV, 8, true, true};
    default: return {};
    }
}

VertexFormat VertexFormatOf(DXGI_FORMAT format)
{
    switch (format) {
    case DXGI_FORMAT_R32G32B32A32_FLOAT: return {4, GL_FLOAT, GL_FALSE, false, 16};
    case DXGI_FORMAT_R32G32B32_FLOAT: return {3, GL_FLOAT, GL_FALSE, false, 12};
    case DXGI_FORMAT_R32G32_FLOAT: return {2, GL_FLOAT, GL_FALSE, false, 8};
    case DXGI_FORMAT_R32_FLOAT: return {1, GL_FLOAT, GL_FALSE, false, 4};
    case DXGI_FORMAT_R32G32B32A32_UINT: return {4, GL_UNSIGNED_INT, GL_FALSE, true, 16};
    case DXGI_FORMAT_R32G32B32_UINT: return {3, GL_UNSIGNED_INT, GL_FALSE, true, 12};
    case DXGI_FORMAT_R32G32_UINT: return {2, GL_UNSIGNED_INT, GL_FALSE, true, 8};
    case DXGI_FORMAT_R32_UINT: return {1, GL_UNSIGNED_INT, GL_FALSE, true, 4};
    case DXGI_FORMAT_R32G32B32A32_SINT: return {4, GL_INT, GL_FALSE, true, 16};
    case DXGI_FORMAT_R32G32B32_SINT: return {3, GL_INT, GL_FALSE, true, 12};
    case DXGI_FORMAT_R32G32_SINT: return {2, GL_INT, GL_FALSE, true, 8};
    case DXGI_FORMAT_R32_SINT: return {1, GL_INT, GL_FALSE, true, 4};
    case DXGI_FORMAT_R16G16B16A16_FLOAT: return {4, GL_HALF_FLOAT, GL_FALSE, false, 8};
    case DXGI_FORMAT_R16G16B16A16_UNORM: return {4, GL_UNSIGNED_SHORT, GL_TRUE, false, 8};
    case DXGI_FORMAT_R8G8B8A8_UNORM: return {4, GL_UNSIGNED_BYTE, GL_TRUE, false, 4};
    case DXGI_FORMAT_R8G8B8A8_SNORM: return {4, GL_BYTE, GL_TRUE, false, 4};
    case DXGI_FORMAT_R8G8B8A8_UINT: return {4, GL_UNSIGNED_BYTE, GL_FALSE, true, 4};
    case DXGI_FORMAT_R8G8B8A8_SINT: return {4, GL_BYTE, GL_FALSE, true, 4};
    case DXGI_FORMAT_B8G8R8A8_UNORM: return {GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, false, 4};
    default: return {};
    }
}

unsigned IndexSize(DXGI_FORMAT format)
{
    if (format == DXGI_FORMAT_R16_UINT) return 2;
    if (format == DXGI_FORMAT_R32_UINT) return 4;
    return 0;
}

}  // namespace d3d11gl
