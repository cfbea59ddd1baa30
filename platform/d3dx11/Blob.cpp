// ID3D10Blob: a reference-counted, immutable-size byte buffer.
#include "Blob.h"

#include <atomic>
#include <cstring>
#include <new>

namespace platform {
namespace {

class Blob final : public ID3D10Blob {
  public:
    explicit Blob(size_t size) : bytes_(new (std::nothrow) unsigned char[size ? size : 1]), size_(size) {}
    ~Blob() { delete[] bytes_; }
    bool Valid() const { return bytes_ != nullptr; }

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override
    {
        if (!ppvObject) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ID3D10Blob) {
            AddRef();
            *ppvObject = static_cast<ID3D10Blob*>(this);
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    LPVOID GetBufferPointer() override { return bytes_; }
    SIZE_T GetBufferSize() override { return size_; }

  private:
    std::atomic<ULONG> refs_{1};
    unsigned char* bytes_;
    size_t size_;
};

}  // namespace

ID3D10Blob* CreateBlob(const void* data, size_t size)
{
    Blob* blob = new (std::nothrow) Blob(size);
    if (!blob) return nullptr;
    if (!blob->Valid()) {
        blob->Release();
        return nullptr;
    }
    if (size) std::memcpy(blob->GetBufferPointer(), data, size);
    return blob;
}

ID3D10Blob* CreateTextBlob(const char* text)
{
    const char* t = text ? text : "";
    return CreateBlob(t, std::strlen(t) + 1);
}

}  // namespace platform
