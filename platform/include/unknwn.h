// IUnknown, GUIDs and __uuidof, enough for the COM-style interfaces of Direct3D 11 and DXGI.
#pragma once

#include <cstring>

#include "windef.h"
#include "winerror.h"

typedef struct _GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;

inline bool IsEqualGUID(REFGUID a, REFGUID b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
#define IsEqualIID(a, b) IsEqualGUID(a, b)
inline bool operator==(REFGUID a, REFGUID b)
{
    return IsEqualGUID(a, b);
}

// __uuidof(Interface) works as with the Microsoft compiler: each interface header attaches its
// identifier with QV_DEFINE_UUID, and the macro looks it up through the type.
template <typename T>
const GUID& QvUuidOf();
#define __uuidof(type) QvUuidOf<__typeof__(type)>()
#define QV_DEFINE_UUID(type, d1, d2, d3, b0, b1, b2, b3, b4, b5, b6, b7)                                               \
    struct type;                                                                                                       \
    template <>                                                                                                        \
    inline const GUID& QvUuidOf<type>()                                                                                \
    {                                                                                                                  \
        static const GUID id = {d1, d2, d3, {b0, b1, b2, b3, b4, b5, b6, b7}};                                         \
        return id;                                                                                                     \
    }                                                                                                                  \
    static const GUID& IID_##type = QvUuidOf<type>()

QV_DEFINE_UUID(IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

  protected:
    ~IUnknown() = default;
};
