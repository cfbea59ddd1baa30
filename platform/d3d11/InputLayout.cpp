// Input layouts: element validation, signature matching by semantic, and the GL vertex array.
#include "InputLayout.h"

#include <cctype>
#include <string>
#include <vector>

#include "DebugLog.h"
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

constexpr const char* CallName = "CreateInputLayout";

HRESULT ReadElements(const Device* device, const D3D11_INPUT_ELEMENT_DESC* descs, UINT count,
                     std::vector<Element>* elements)
{
    if (count > D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT)
        return Refuse(device, CallName, "NumElements is %u; the most is %u", count,
                      UINT(D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT));
    if (count > 0 && !descs) return Refuse(device, CallName, "NumElements is %u but pInputElementDescs is NULL", count);
    UINT nextOffset[D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
    for (UINT i = 0; i < count; ++i) {
        const D3D11_INPUT_ELEMENT_DESC& d = descs[i];
        if (!d.SemanticName || !d.SemanticName[0]) return Refuse(device, CallName, "element %u has no SemanticName", i);
        VertexFormat format = VertexFormatOf(d.Format);
        if (!format.components)
            return Refuse(device, CallName, "element %u (%.64s): Format %u is not a vertex format", i, d.SemanticName,
                          Raw(d.Format));
        if (d.InputSlot >= D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT)
            return Refuse(device, CallName, "element %u (%.64s): InputSlot %u; the last is %u", i, d.SemanticName,
                          d.InputSlot, UINT(D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT - 1));
        const uint32_t slotClass = Raw(d.InputSlotClass);
        if (slotClass == D3D11_INPUT_PER_VERTEX_DATA) {
            if (d.InstanceDataStepRate != 0)
                return Refuse(device, CallName, "element %u (%.64s): InstanceDataStepRate %u on per-vertex data", i,
                              d.SemanticName, d.InstanceDataStepRate);
        } else if (slotClass != D3D11_INPUT_PER_INSTANCE_DATA) {
            return Refuse(device, CallName, "element %u (%.64s): InputSlotClass %u is not a D3D11_INPUT_CLASSIFICATION",
                          i, d.SemanticName, slotClass);
        }
        UINT offset =
            d.AlignedByteOffset == D3D11_APPEND_ALIGNED_ELEMENT ? nextOffset[d.InputSlot] : d.AlignedByteOffset;
        if (offset % 4 != 0 || offset > 2048)
            return Refuse(device, CallName, "element %u (%.64s): byte offset %u is not a multiple of 4 up to 2048", i,
                          d.SemanticName, offset);
        nextOffset[d.InputSlot] = offset + format.bytes;
        Element e{Upper(d.SemanticName), d.SemanticIndex, format,
                  d.InputSlot,           offset,          slotClass == D3D11_INPUT_PER_INSTANCE_DATA,
                  d.InstanceDataStepRate};
        for (const Element& other : *elements)
            if (other.semantic == e.semantic && other.index == e.index)
                return Refuse(device, CallName, "element %u: %.64s%u is declared twice", i, e.semantic.c_str(),
                              e.index);
        elements->push_back(std::move(e));
    }
    return S_OK;
}

}  // namespace

HRESULT InputLayout::Create(Device* device, const D3D11_INPUT_ELEMENT_DESC* descs, UINT count, const void* bytecode,
                            SIZE_T bytecodeLength, InputLayout** out)
{
    std::vector<Element> elements;
    HRESULT hr = ReadElements(device, descs, count, &elements);
    if (FAILED(hr)) return hr;
    if (!bytecode || bytecodeLength == 0)
        return Refuse(device, CallName, "no shader byte code (pShaderBytecodeWithInputSignature %s, length %zu)",
                      bytecode ? "given" : "NULL", size_t(bytecodeLength));
    platform::ShaderStage stage{};
    std::vector<platform::ShaderInput> inputs;
    if (!platform::ReadShaderSignature(bytecode, bytecodeLength, &stage, &inputs))
        return Refuse(device, CallName, "the %zu bytes are not a compiled shader", size_t(bytecodeLength));
    if (stage != platform::ShaderStage::Vertex)
        return Refuse(device, CallName, "the byte code is not a vertex shader's");
    // Every input the shader declares must be fed by an element with its semantic and index.
    for (const platform::ShaderInput& input : inputs) {
        bool found = false;
        for (const Element& e : elements)
            found = found || (e.semantic == Upper(input.semantic.c_str()) && e.index == input.index);
        if (!found)
            return Refuse(device, CallName, "the vertex shader's input %.64s%u has no element", input.semantic.c_str(),
                          input.index);
    }
    if (!out) return S_FALSE;
    if (!device->MakeCurrent()) return RefuseWith(DXGI_ERROR_DEVICE_REMOVED, device, CallName, "the device is lost");
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
            glVertexArrayAttribFormat(vao, location, e.format.components, e.format.type, e.format.normalized, e.offset);
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
