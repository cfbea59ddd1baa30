// The recording device's texture and view objects.
#include "FakeDevice.h"

#include <cstring>

namespace {

template <typename Interface>
class Counted : public Interface {
  public:
    explicit Counted(FakeDevice* device) : device_(device) { ++device_->alive; }
    virtual ~Counted() { --device_->alive; }
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    void GetDevice(ID3D11Device** device) override { *device = device_; }

  protected:
    FakeDevice* device_;
    ULONG refs_ = 1;
};

class FakeTexture final : public Counted<ID3D11Texture2D> {
  public:
    FakeTexture(FakeDevice* device, const D3D11_TEXTURE2D_DESC& desc) : Counted(device), desc_(desc) {}
    void GetType(D3D11_RESOURCE_DIMENSION* type) override { *type = D3D11_RESOURCE_DIMENSION_TEXTURE2D; }
    void GetDesc(D3D11_TEXTURE2D_DESC* desc) override { *desc = desc_; }

  private:
    D3D11_TEXTURE2D_DESC desc_;
};

class FakeView final : public Counted<ID3D11ShaderResourceView> {
  public:
    FakeView(FakeDevice* device, ID3D11Resource* resource) : Counted(device), resource_(resource)
    {
        resource_->AddRef();
    }
    ~FakeView() override { resource_->Release(); }
    void GetResource(ID3D11Resource** resource) override
    {
        resource_->AddRef();
        *resource = resource_;
    }
    void GetDesc(D3D11_SHADER_RESOURCE_VIEW_DESC* desc) override { std::memset(desc, 0, sizeof *desc); }

  private:
    ID3D11Resource* resource_;
};

}  // namespace

HRESULT FakeDevice::CreateTexture2D(const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* initial,
                                    ID3D11Texture2D** texture)
{
    ++textureCalls;
    lastDesc = *desc;
    lastLevels.clear();
    for (UINT i = 0; initial && i < desc->MipLevels; ++i) {
        const UINT height = desc->Height >> i ? desc->Height >> i : 1;
        const auto* bytes = static_cast<const uint8_t*>(initial[i].pSysMem);
        lastLevels.push_back(
            {initial[i].SysMemPitch, std::vector<uint8_t>(bytes, bytes + initial[i].SysMemPitch * height)});
    }
    if (FAILED(textureResult)) return textureResult;
    *texture = new FakeTexture(this, *desc);
    return S_OK;
}

HRESULT FakeDevice::CreateShaderResourceView(ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                             ID3D11ShaderResourceView** view)
{
    if (FAILED(viewResult)) return viewResult;
    if (!resource || desc) return E_INVALIDARG;  // the loader asks for the whole texture
    *view = new FakeView(this, resource);
    return S_OK;
}
