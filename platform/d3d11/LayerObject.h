// Reference counting, QueryInterface and lifetime bookkeeping shared by every layer object.
#pragma once

#include <cstdint>
#include <cstring>

#include <d3d11.h>

#include "TestHooksInternal.h"

namespace d3d11gl {

class Device;

// Counters behind platform_test::LiveObjectCount / LiveGlObjectCount.
void NoteObjectCreated();
void NoteObjectDestroyed();
void NoteGlCreated(int count = 1);
void NoteGlDeleted(int count = 1);

// True when `riid` names T or one of the interfaces listed after it (all single-inheritance
// ancestors, so one pointer serves every one of them).
template <class T, class... Bases>
bool IsInterfaceOf(REFIID riid)
{
    return riid == __uuidof(T) || ((riid == __uuidof(Bases)) || ...) || riid == __uuidof(IUnknown);
}

// Base of every object a device creates (its children and the swap chain): holds a reference on
// the device core (the GL context stays alive while the object lives), answers QueryInterface
// for Iface and the interfaces listed after it, and deletes itself when its last reference goes.
template <class Iface, class... Bases>
class DeviceObject : public Iface {
  public:
    explicit DeviceObject(Device* device);
    DeviceObject(const DeviceObject&) = delete;
    DeviceObject& operator=(const DeviceObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        if (IsInterfaceOf<Iface, Bases...>(riid)) {
            *ppv = static_cast<Iface*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override
    {
        ULONG left = --refs_;
        LogLifetimeCall(platform_test::Call::Release, IdOf(static_cast<Iface*>(this)), left);
        if (left == 0) delete this;
        return left;
    }

    Device* OwnerDevice() const { return device_; }
    ULONG RefCount() const { return refs_; }

  protected:
    virtual ~DeviceObject();

  private:
    Device* device_;
    ULONG refs_ = 1;
};

// An ID3D11DeviceChild: a device object that also answers as ID3D11DeviceChild and GetDevice.
template <class Iface, class... Bases>
class DeviceChild : public DeviceObject<Iface, Bases..., ID3D11DeviceChild> {
  public:
    explicit DeviceChild(Device* device) : DeviceObject<Iface, Bases..., ID3D11DeviceChild>(device) {}
    void GetDevice(ID3D11Device** ppDevice) override;
};

// The number stored in an enum field. Descriptions come from the caller and may hold any
// number; loading an out-of-range value through the enum type would be undefined, so validation
// reads the bits instead.
template <class E>
inline uint32_t Raw(const E& value)
{
    static_assert(sizeof(E) == sizeof(uint32_t));
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Keeps one counted reference in a slot: AddRef the new object first, then Release the old.
template <class T>
inline void AssignRef(T*& slot, T* value)
{
    if (slot == value) return;
    if (value) value->AddRef();
    T* old = slot;
    slot = value;
    if (old) old->Release();
}

}  // namespace d3d11gl
