// Buffers: validation, GL storage per usage, the dynamic ring and staging readback.
#include "Buffer.h"

#include <algorithm>
#include <cstring>

#include "DebugLog.h"
#include "Device.h"

namespace d3d11gl {

namespace {

constexpr UINT KnownBindFlags = D3D11_BIND_VERTEX_BUFFER | D3D11_BIND_INDEX_BUFFER | D3D11_BIND_CONSTANT_BUFFER |
                                D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_STREAM_OUTPUT | D3D11_BIND_RENDER_TARGET |
                                D3D11_BIND_UNORDERED_ACCESS;
constexpr UINT CpuFlags = D3D11_CPU_ACCESS_WRITE | D3D11_CPU_ACCESS_READ;
// A dynamic ring holds about this many bytes (and at least 16 slots): 4096 discards of a
// 224-byte constant buffer before the first slot is reused.
constexpr GLsizeiptr RingBytes = 1 << 20;

GLsizeiptr AlignUp(GLsizeiptr value, GLsizeiptr alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

HRESULT ValidateBufferDesc(const Device* device, const D3D11_BUFFER_DESC& desc,
                           const D3D11_SUBRESOURCE_DATA* initialData)
{
    const char* call = "CreateBuffer";
    if (desc.ByteWidth == 0) return Refuse(device, call, "ByteWidth is 0");
    if (desc.BindFlags & ~KnownBindFlags)
        return Refuse(device, call, "BindFlags 0x%X holds unknown bits 0x%X", desc.BindFlags,
                      desc.BindFlags & ~KnownBindFlags);
    if (desc.CPUAccessFlags & ~CpuFlags)
        return Refuse(device, call, "CPUAccessFlags 0x%X holds unknown bits 0x%X", desc.CPUAccessFlags,
                      desc.CPUAccessFlags & ~CpuFlags);
    if (desc.BindFlags & D3D11_BIND_CONSTANT_BUFFER) {
        if (desc.BindFlags != D3D11_BIND_CONSTANT_BUFFER)
            return Refuse(device, call, "BindFlags is 0x%X: a constant buffer cannot be bound any other way",
                          desc.BindFlags);
        if (desc.ByteWidth % 16 != 0 || desc.ByteWidth > D3D11_REQ_CONSTANT_BUFFER_ELEMENT_COUNT * 16)
            return Refuse(device, call, "ByteWidth is %u: a constant buffer takes a multiple of 16 up to %u",
                          desc.ByteWidth, UINT(D3D11_REQ_CONSTANT_BUFFER_ELEMENT_COUNT * 16));
    }
    switch (Raw(desc.Usage)) {
    case D3D11_USAGE_DEFAULT:
        if (desc.CPUAccessFlags != 0)
            return Refuse(device, call, "CPUAccessFlags is 0x%X: a DEFAULT buffer takes none", desc.CPUAccessFlags);
        break;
    case D3D11_USAGE_IMMUTABLE:
        if (desc.CPUAccessFlags != 0)
            return Refuse(device, call, "CPUAccessFlags is 0x%X: an IMMUTABLE buffer takes none", desc.CPUAccessFlags);
        if (!initialData) return Refuse(device, call, "an IMMUTABLE buffer needs pInitialData");
        break;
    case D3D11_USAGE_DYNAMIC:
        if (desc.CPUAccessFlags != D3D11_CPU_ACCESS_WRITE)
            return Refuse(device, call, "CPUAccessFlags is 0x%X: a DYNAMIC buffer takes CPU_ACCESS_WRITE alone",
                          desc.CPUAccessFlags);
        if (desc.BindFlags & (D3D11_BIND_STREAM_OUTPUT | D3D11_BIND_RENDER_TARGET | D3D11_BIND_UNORDERED_ACCESS))
            return Refuse(device, call,
                          "BindFlags is 0x%X: a DYNAMIC buffer cannot be a stream-output, render-target "
                          "or unordered-access buffer",
                          desc.BindFlags);
        break;
    case D3D11_USAGE_STAGING:
        if (desc.BindFlags != 0)
            return Refuse(device, call, "BindFlags is 0x%X: a STAGING buffer takes none", desc.BindFlags);
        if (desc.CPUAccessFlags == 0) return Refuse(device, call, "CPUAccessFlags is 0: a STAGING buffer needs some");
        break;
    default: return Refuse(device, call, "Usage %u is not a D3D11_USAGE", Raw(desc.Usage));
    }
    if (initialData && !initialData->pSysMem) return Refuse(device, call, "pInitialData->pSysMem is NULL");
    return S_OK;
}

HRESULT Buffer::Create(Device* device, const D3D11_BUFFER_DESC& desc, const D3D11_SUBRESOURCE_DATA* initialData,
                       Buffer** out)
{
    HRESULT hr = ValidateBufferDesc(device, desc, initialData);
    if (FAILED(hr)) return hr;
    if (!out) return S_FALSE;
    if (!device->MakeCurrent())
        return RefuseWith(DXGI_ERROR_DEVICE_REMOVED, device, "CreateBuffer", "the device is lost");
    Buffer* buffer = new Buffer(device, desc);
    if (!buffer->Init(initialData)) {
        buffer->Release();
        return RefuseWith(E_OUTOFMEMORY, device, "CreateBuffer", "GL could not allocate %u bytes", desc.ByteWidth);
    }
    *out = buffer;
    return S_OK;
}

bool Buffer::Init(const D3D11_SUBRESOURCE_DATA* initialData)
{
    const void* data = initialData ? initialData->pSysMem : nullptr;
    // Only errors raised by this creation decide its result.
    DrainGlErrors();
    glCreateBuffers(1, &name_);
    NoteGlCreated();
    if (desc_.Usage == D3D11_USAGE_DYNAMIC) {
        slotSize_ = AlignUp(desc_.ByteWidth, std::max(16, OwnerDevice()->UniformBufferAlignment()));
        slotCount_ = static_cast<int>(std::clamp<GLsizeiptr>(RingBytes / slotSize_, 16, 4096)) / Segments * Segments;
        const GLbitfield flags = GL_MAP_WRITE_BIT | GL_MAP_PERSISTENT_BIT | GL_MAP_COHERENT_BIT;
        glNamedBufferStorage(name_, slotSize_ * slotCount_, nullptr, flags);
        mapped_ = static_cast<uint8_t*>(glMapNamedBufferRange(name_, 0, slotSize_ * slotCount_, flags));
        if (!mapped_) return false;
        if (data)
            std::memcpy(mapped_, data, desc_.ByteWidth);
        else
            std::memset(mapped_, 0, desc_.ByteWidth);
        return true;
    }
    GLbitfield flags = desc_.Usage == D3D11_USAGE_IMMUTABLE ? 0 : GL_DYNAMIC_STORAGE_BIT;
    if (desc_.Usage == D3D11_USAGE_STAGING) shadow_.assign(desc_.ByteWidth, 0);
    if (!data && desc_.Usage != D3D11_USAGE_STAGING) {
        // Direct3D leaves new contents undefined; zeros keep reads reproducible.
        std::vector<uint8_t> zeros(desc_.ByteWidth, 0);
        glNamedBufferStorage(name_, desc_.ByteWidth, zeros.data(), flags);
    } else {
        glNamedBufferStorage(name_, desc_.ByteWidth, data ? data : shadow_.data(), flags);
        if (data && desc_.Usage == D3D11_USAGE_STAGING) std::memcpy(shadow_.data(), data, desc_.ByteWidth);
    }
    return glGetError() == GL_NO_ERROR;
}

Buffer::~Buffer()
{
    if (OwnerDevice()->MakeCurrent()) {
        for (GLsync& fence : fences_)
            if (fence) glDeleteSync(fence);
        if (mapped_) glUnmapNamedBuffer(name_);
        glDeleteBuffers(1, &name_);
    }
    NoteGlDeleted();
}

void* Buffer::Discard()
{
    const int perSegment = slotCount_ / Segments;
    int next = slot_ + 1 == slotCount_ ? 0 : slot_ + 1;
    if (next % perSegment == 0) {
        // Leaving a segment: every draw that can read it has been issued, so fence it. Entering
        // one: wait for its fence from the previous lap (long signalled unless the GPU is far behind).
        OwnerDevice()->MakeCurrent();
        int leaving = slot_ / perSegment;
        int entering = next / perSegment;
        if (fences_[leaving]) glDeleteSync(fences_[leaving]);
        fences_[leaving] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        if (GLsync fence = fences_[entering]) {
            // A lost device never signals its fences: stop waiting once it is lost.
            while (glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, 100000000) == GL_TIMEOUT_EXPIRED &&
                   !OwnerDevice()->IsLost()) {}
            glDeleteSync(fence);
            fences_[entering] = nullptr;
        }
    }
    slot_ = next;
    offset_ = slot_ * slotSize_;
    return mapped_ + offset_;
}

HRESULT Buffer::Map(D3D11_MAP type, D3D11_MAPPED_SUBRESOURCE* mapped)
{
    const Device* device = OwnerDevice();
    if (isMapped_) return Refuse(device, "Map", "the buffer is mapped already");
    void* data = nullptr;
    switch (desc_.Usage) {
    case D3D11_USAGE_DYNAMIC:
        if (type == D3D11_MAP_WRITE_DISCARD)
            data = Discard();
        else if (type == D3D11_MAP_WRITE_NO_OVERWRITE && !(desc_.BindFlags & D3D11_BIND_CONSTANT_BUFFER))
            data = mapped_ + offset_;
        else if (type == D3D11_MAP_WRITE_NO_OVERWRITE)
            return Refuse(device, "Map", "MapType WRITE_NO_OVERWRITE on a constant buffer");
        else
            return Refuse(device, "Map",
                          "MapType %u on a DYNAMIC buffer: it takes WRITE_DISCARD or "
                          "WRITE_NO_OVERWRITE",
                          Raw(type));
        break;
    case D3D11_USAGE_STAGING: {
        bool reads = type == D3D11_MAP_READ || type == D3D11_MAP_READ_WRITE;
        bool writes = type == D3D11_MAP_WRITE || type == D3D11_MAP_READ_WRITE;
        if (!reads && !writes)
            return Refuse(device, "Map", "MapType %u on a STAGING buffer: it takes READ, WRITE or READ_WRITE",
                          Raw(type));
        if ((reads && !(desc_.CPUAccessFlags & D3D11_CPU_ACCESS_READ)) ||
            (writes && !(desc_.CPUAccessFlags & D3D11_CPU_ACCESS_WRITE)))
            return Refuse(device, "Map",
                          "MapType %u needs CPU access the buffer was not made with "
                          "(CPUAccessFlags 0x%X)",
                          Raw(type), desc_.CPUAccessFlags);
        if (reads) {
            if (!OwnerDevice()->MakeCurrent())
                return RefuseWith(DXGI_ERROR_DEVICE_REMOVED, device, "Map", "the device is lost");
            glGetNamedBufferSubData(name_, 0, desc_.ByteWidth, shadow_.data());
        }
        data = shadow_.data();
        break;
    }
    default:
        return Refuse(device, "Map", "a %s buffer cannot be mapped",
                      desc_.Usage == D3D11_USAGE_IMMUTABLE ? "IMMUTABLE" : "DEFAULT");
    }
    isMapped_ = true;
    mapType_ = type;
    if (mapped) *mapped = {data, desc_.ByteWidth, desc_.ByteWidth};
    return S_OK;
}

void Buffer::Unmap()
{
    if (!isMapped_) return;
    isMapped_ = false;
    if (desc_.Usage == D3D11_USAGE_STAGING && mapType_ != D3D11_MAP_READ && OwnerDevice()->MakeCurrent())
        glNamedBufferSubData(name_, 0, desc_.ByteWidth, shadow_.data());
}

void Buffer::Write(UINT begin, UINT end, const void* data)
{
    if (begin >= end || end > desc_.ByteWidth)
        return Ignore(OwnerDevice(), "UpdateSubresource", "the box's bytes [%u, %u) are not inside the buffer's %u",
                      begin, end, desc_.ByteWidth);
    if (!OwnerDevice()->MakeCurrent()) return;
    if (desc_.Usage == D3D11_USAGE_STAGING) std::memcpy(shadow_.data() + begin, data, end - begin);
    glNamedBufferSubData(name_, offset_ + begin, end - begin, data);
}

void Buffer::CopyFrom(Buffer& source)
{
    if (!OwnerDevice()->MakeCurrent()) return;
    GLsizeiptr size = std::min(source.desc_.ByteWidth, desc_.ByteWidth);
    // A dynamic destination takes a fresh slot, so draws already issued keep their data.
    if (mapped_) Discard();
    glCopyNamedBufferSubData(source.name_, name_, source.offset_, offset_, size);
}

}  // namespace d3d11gl
