// Input layouts: element validation, signature matching by semantic, and the GL vertex array.
#include "InputLayout.h"

#include <cctype>
#include <string>
#include <vector>

#include "Device.h"
#include "Formats.h"
#include "ShaderBytecode.h"

namespace d3d11gl {

namespace {

std::string Upper(const char* text)
{
    std::string s(text);
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

struct Element {
    std::string semantic;
    UINT index;
    VertexFormat format;
    UINT slot;
    UINT offset;
    bool perInstance;
    UINT stepRate;
};

HRESULT ReadElements(const D3D11_INPUT_ELEMENT_DESC* descs, UINT count, std::vector<Element>* elements)
{
    if (count > D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT || (count > 0 && !descs)) return E_INVALIDARG;
    UINT nextOffset[D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
    for (UINT i = 0; i < count; ++i) {
        const D3D11_INPUT_ELEMENT_DESC& d = descs[i];
        if (!d.SemanticName || !d.SemanticName[0]) return E_INVALIDARG;
        VertexFormat format = VertexFormatOf(d.Format);
        if (!format.components || d.InputSlot >= D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT) return E_INVALIDARG;
        if (d.InputSlotClass == D3D11_INPUT_PER_VERTEX_DATA) {
            if (d.InstanceDataStepRate != 0) return E_INVALIDARG;
        } else if (d.InputSlotClass != D3D11_INPUT_PER_INSTANCE_DATA) {
            return E_INVALIDARG;
        }
        UINT offset = d.AlignedByteOffset == D3D11_APPEND_ALIGNED_ELEMENT ? nextOffset[d.InputSlot] : d.AlignedByteOffset;
        if (offset % 4 != 0 || offset > 2048) return E_INVALIDARG;
        nextOffset[d.InputSlot] = offset + format.bytes;
        Element e{Upper(d.SemanticName), d.SemanticIndex, format, d.InputSlot, offset,
                  d.InputSlotClass == D3D11_INPUT_PER_INSTANCE_DATA, d.InstanceDataStepRate};
        for (const Element& other : *elements)
            if (other.semantic == e.semantic && other.index == e.index) return E_INVALIDARG;
        elements->push_back(std::move(e));
    }
    return S_OK;
}

}  // namespace

HRESULT InputLayout::Create(Device* device, const D3D11_INPUT_ELEMENT_DESC* descs, UINT count, const void* bytecode,
                            SIZE_T bytecodeLength, InputLayout** out)
{
    std::vector<Element> elements;
    HRESULT hr = ReadElements(descs, count, &elements);
    if (FAILED(hr)) return hr;
    if (!bytecode || bytecodeLength == 0) return E_INVALIDARG;
    platform::ShaderStage stage{};
    std::vector<platform::ShaderInput> inputs;
    if (!platform::ReadShaderSignature(bytecode, bytecodeLength, &stage, &inputs) ||
        stage != platform::ShaderStage::Vertex)
        return E_INVALIDARG;
    // Every input the shader declares must be fed by an element with its semantic and index.
    for (const platform::ShaderInput& input : inputs) {
        bool found = false;
        for (const Element& e : elements) found = found || (e.semantic == Upper(input.semantic.c_str()) && e.index == input.index);
        if (!found) return E_INVALIDARG;
    }
    if (!out) return S_FALSE;
    if (!device->MakeCurrent()) return DXGI_ERROR_DEVICE_REMOVED;
    InputLayout* layout = new InputLayout(device);
    glCreateVertexArrays(1, &layout->vertexArray_);
    NoteGlCreated();
    const GLuint vao = layout->vertexArray_;
    for (const Element& e : elements) {
        GLuint location = platform::SemanticLocation(e.semantic, e.index);
        glEnableVertexArrayAttrib(vao, location);
        if (e.format.integer)
            glVertexArrayAttribIFormat(vao, location, e.format.components, e.format.type, e.offset);
        else
            glVertexArrayAttribFormat(vao, location, e.format.components, e.format.type, e.format.normalized,
                                      e.offset);
        glVertexArrayAttribBinding(vao, location, e.slot);
        glVertexArrayBindingDivisor(vao, e.slot, e.perInstance ? e.stepRate : 0);
        layout->usedSlots_ |= 1u << e.slot;
    }
    *out = layout;
    return S_OK;
}

InputLayout::~InputLayout()
{
    if (OwnerDevice()->MakeCurrent()) glDeleteVertexArrays(1, &vertexArray_);
    NoteGlDeleted();
}

}  // namespace d3d11gl
