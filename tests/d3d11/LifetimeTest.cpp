// Reference counting, QueryInterface, and GL objects freed with the last reference.
#include "D3D11TestSupport.h"

namespace {

using Lifetime = D3D11Test;

Ref<ID3D11Buffer> MakeBuffer(ID3D11Device* device)
{
    D3D11_BUFFER_DESC desc{64, D3D11_USAGE_DYNAMIC, D3D11_BIND_CONSTANT_BUFFER, D3D11_CPU_ACCESS_WRITE, 0, 0};
    Ref<ID3D11Buffer> buffer;
    EXPECT_EQ(device->CreateBuffer(&desc, nullptr, &buffer), S_OK);
    return buffer;
}

TEST_F(Lifetime, AddRefReleaseAndQueryInterface)
{
    Ref<ID3D11Buffer> buffer = MakeBuffer(device);
    EXPECT_EQ(buffer->AddRef(), 2u);
    EXPECT_EQ(buffer->Release(), 1u);

    void* same = nullptr;
    ASSERT_EQ(buffer->QueryInterface(__uuidof(ID3D11Resource), &same), S_OK);
    EXPECT_EQ(same, static_cast<void*>(buffer.get()));
    static_cast<IUnknown*>(same)->Release();
    ASSERT_EQ(buffer->QueryInterface(__uuidof(IUnknown), &same), S_OK);
    static_cast<IUnknown*>(same)->Release();
    void* none = &same;
    EXPECT_EQ(buffer->QueryInterface(__uuidof(ID3D11Texture2D), &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(buffer->AddRef(), 2u);  // a failed query added nothing
    buffer->Release();

    ID3D11Device* owner = nullptr;
    buffer->GetDevice(&owner);
    EXPECT_EQ(owner, device.get());
    owner->Release();

    ID3D11DeviceContext* immediate = nullptr;
    device->GetImmediateContext(&immediate);
    EXPECT_EQ(immediate, context.get());
    immediate->Release();
}

TEST_F(Lifetime, ReleasingTheLastReferenceFreesGlObjectsAtOnce)
{
    const int before = platform_test::LiveGlObjectCount();
    const int objectsBefore = platform_test::LiveObjectCount();
    {
        Ref<ID3D11Texture2D> texture =
            MakeTexture(8, 8, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE);
        Ref<ID3D11RenderTargetView> rtv;
        ASSERT_EQ(device->CreateRenderTargetView(texture, nullptr, &rtv), S_OK);
        const float black[4] = {};
        context->ClearRenderTargetView(rtv, black);  // makes the view's clear framebuffer
        EXPECT_GT(platform_test::LiveGlObjectCount(), before);
        // The view keeps its texture alive.
        texture.Reset();
        ID3D11Resource* resource = nullptr;
        rtv->GetResource(&resource);
        ASSERT_NE(resource, nullptr);
        D3D11_RESOURCE_DIMENSION dimension{};
        resource->GetType(&dimension);
        EXPECT_EQ(dimension, D3D11_RESOURCE_DIMENSION_TEXTURE2D);
        resource->Release();
    }
    EXPECT_EQ(platform_test::LiveGlObjectCount(), before);
    EXPECT_EQ(platform_test::LiveObjectCount(), objectsBefore);
}

TEST_F(Lifetime, BoundObjectsLiveUntilUnboundAndClearStateUnbindsAll)
{
    const int objectsBefore = platform_test::LiveObjectCount();
    {
        Ref<ID3D11Buffer> buffer = MakeBuffer(device);
        context->VSSetConstantBuffers(0, 1, buffer.addr());
        ID3D11Buffer* raw = buffer.get();
        buffer.Reset();
        EXPECT_EQ(platform_test::LiveObjectCount(), objectsBefore + 1);  // the binding holds it
        ID3D11Buffer* got = nullptr;
        context->VSGetConstantBuffers(0, 1, &got);
        EXPECT_EQ(got, raw);
        got->Release();
        context->ClearState();
        context->VSGetConstantBuffers(0, 1, &got);
        EXPECT_EQ(got, nullptr);
    }
    EXPECT_EQ(platform_test::LiveObjectCount(), objectsBefore);
}

TEST(LifetimeOrder, DeviceOutlivesItsChildrenWhateverTheReleaseOrder)
{
    const int objects = platform_test::LiveObjectCount();
    const int glObjects = platform_test::LiveGlObjectCount();
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    ASSERT_EQ(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION, &device,
                                nullptr, &context),
              S_OK);
    Ref<ID3D11Buffer> buffer = MakeBuffer(device);
    context->PSSetConstantBuffers(0, 1, buffer.addr());
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(context->Release(), 0u);
    // The buffer still works after the device's last public reference went.
    D3D11_BUFFER_DESC desc{};
    buffer->GetDesc(&desc);
    EXPECT_EQ(desc.ByteWidth, 64u);
    buffer.Reset();
    EXPECT_EQ(platform_test::LiveObjectCount(), objects);
    EXPECT_EQ(platform_test::LiveGlObjectCount(), glObjects);
}

}  // namespace
