// ID3D11VertexShader, ID3D11GeometryShader, ID3D11PixelShader: one separable GL program each,
// made from the blob's SPIR-V through the translator (ShaderBytecode.h).
#pragma once

#include <vector>

#include <epoxy/gl.h>

#include "LayerObject.h"
#include "ShaderBytecode.h"

namespace d3d11gl {

// What the context needs of a shader when it binds one.
struct ShaderProgram {
    GLuint program = 0;
    uint32_t constantBufferMask = 0;  // cbuffer registers the shader reads
    std::vector<platform::CombinedSampler> samplers;
};

// Translates and links a blob for `stage`: E_INVALIDARG for bytes that are not a blob of that
// stage or that do not translate; the GL program is counted as a live GL object.
HRESULT BuildShaderProgram(Device* device, const void* bytecode, SIZE_T size, platform::ShaderStage stage,
                           ShaderProgram* out);
void DeleteShaderProgram(Device* device, ShaderProgram& program);

template <class Iface, platform::ShaderStage Stage>
class ShaderObject : public DeviceChild<Iface> {
  public:
    static constexpr platform::ShaderStage StageKind = Stage;
    const ShaderProgram& Program() const { return program_; }

  protected:
    explicit ShaderObject(Device* device) : DeviceChild<Iface>(device) {}
    ~ShaderObject() override { DeleteShaderProgram(this->OwnerDevice(), program_); }
    ShaderProgram program_;

    template <class T>
    static HRESULT Make(Device* device, const void* bytecode, SIZE_T size, T** out)
    {
        ShaderProgram program;
        if (!out) {
            HRESULT hr = BuildShaderProgram(device, bytecode, size, Stage, nullptr);
            return FAILED(hr) ? hr : S_FALSE;
        }
        HRESULT hr = BuildShaderProgram(device, bytecode, size, Stage, &program);
        if (FAILED(hr)) return hr;
        T* shader = new T(device);
        shader->program_ = std::move(program);
        *out = shader;
        return S_OK;
    }
};

class VertexShader final : public ShaderObject<ID3D11VertexShader, platform::ShaderStage::Vertex> {
  public:
    static HRESULT Create(Device* device, const void* bytecode, SIZE_T size, VertexShader** out)
    {
        return Make(device, bytecode, size, out);
    }

  private:
    friend ShaderObject;
    explicit VertexShader(Device* device) : ShaderObject(device) {}
};

class GeometryShader final : public ShaderObject<ID3D11GeometryShader, platform::ShaderStage::Geometry> {
  public:
    static HRESULT Create(Device* device, const void* bytecode, SIZE_T size, GeometryShader** out)
    {
        return Make(device, bytecode, size, out);
    }

  private:
    friend ShaderObject;
    explicit GeometryShader(Device* device) : ShaderObject(device) {}
};

class PixelShader final : public ShaderObject<ID3D11PixelShader, platform::ShaderStage::Pixel> {
  public:
    static HRESULT Create(Device* device, const void* bytecode, SIZE_T size, PixelShader** out)
    {
        return Make(device, bytecode, size, out);
    }

  private:
    friend ShaderObject;
    explicit PixelShader(Device* device) : ShaderObject(device) {}
};

}  // namespace d3d11gl
