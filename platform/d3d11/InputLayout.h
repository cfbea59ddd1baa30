// ID3D11InputLayout: a GL vertex array whose attribute formats are fixed at creation; attribute
// locations come from the semantics (SemanticLocation), so any vertex shader with a matching
// signature reads the right data. Vertex and index buffers are attached at draw time.
#pragma once

#include <epoxy/gl.h>

#include "LayerObject.h"

namespace d3d11gl {

class InputLayout final : public DeviceChild<ID3D11InputLayout> {
  public:
    // E_INVALIDARG for malformed elements, and when the shader reads a semantic the elements lack.
    static HRESULT Create(Device* device, const D3D11_INPUT_ELEMENT_DESC* elements, UINT count, const void* bytecode,
                          SIZE_T bytecodeLength, InputLayout** out);

    struct SlotBinding {
        GLuint buffer = 0;
        GLintptr offset = 0;
        GLsizei stride = 0;
    };
    GLuint VertexArray() const { return vertexArray_; }
    uint32_t UsedSlots() const { return usedSlots_; }
    // What the vertex array has attached now, so that unchanged bindings are not set again.
    SlotBinding attached[D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT];
    GLuint attachedIndexBuffer = 0;
    uint32_t attachedGeneration = 0;

  private:
    explicit InputLayout(Device* device) : DeviceChild(device) {}
    ~InputLayout() override;
    GLuint vertexArray_ = 0;
    uint32_t usedSlots_ = 0;
};

}  // namespace d3d11gl
