// deviceprobe: starts an offscreen Direct3D 11 device through the layer and prints what its GL
// driver reports: vendor, renderer, version, robust access, reset notification, uniform-buffer
// offset alignment, GL_MAX_ELEMENT_INDEX and the varying component limits of every stage.
//
//   deviceprobe [--hardware | --warp]     (default --hardware)
//
// Exit status 0 when the device started, 1 (with the layer's D3D11 ERROR line) when it did not.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include <PlatformTestHooks.h>
#include <d3d11.h>

int main(int argc, char** argv)
{
    D3D_DRIVER_TYPE type = D3D_DRIVER_TYPE_HARDWARE;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--warp") == 0)
            type = D3D_DRIVER_TYPE_WARP;
        else if (std::strcmp(argv[i], "--hardware") == 0)
            type = D3D_DRIVER_TYPE_HARDWARE;
        else {
            std::fprintf(stderr, "usage: deviceprobe [--hardware | --warp]\n");
            return 2;
        }
    }
    const char* typeName = type == D3D_DRIVER_TYPE_WARP ? "WARP" : "HARDWARE";
    const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0};
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    const HRESULT hr = D3D11CreateDevice(nullptr, type, nullptr, D3D11_CREATE_DEVICE_DEBUG, levels, 1,
                                         D3D11_SDK_VERSION, &device, nullptr, &context);
    if (FAILED(hr)) {
        std::fprintf(stderr, "deviceprobe: %s device did not start (0x%08X)\n", typeName, unsigned(hr));
        return 1;
    }
    platform_test::DeviceFacts f;
    const bool described = platform_test::DescribeDevice(device, &f);
    if (described) {
        std::printf("driver type                        %s\n", typeName);
        std::printf("GL_VENDOR                          %s\n", f.vendor.c_str());
        std::printf("GL_RENDERER                        %s\n", f.renderer.c_str());
        std::printf("GL_VERSION                         %s\n", f.version.c_str());
        std::printf("robust access                      %s\n", f.robustAccess ? "yes" : "no");
        std::printf("GL_RESET_NOTIFICATION_STRATEGY     %s\n", f.resetStrategy.c_str());
        std::printf("GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT %d\n", f.uniformBufferOffsetAlignment);
        std::printf("GL_MAX_ELEMENT_INDEX               %" PRId64 "%s\n", f.maxElementIndex,
                    f.maxElementIndex < 0xFFFFFFFFll ? "  (below 2^32-1: 32-bit indices are cut short)" : "");
        std::printf("GL_MAX_VERTEX_OUTPUT_COMPONENTS    %d\n", f.maxVertexOutputComponents);
        std::printf("GL_MAX_GEOMETRY_INPUT_COMPONENTS   %d\n", f.maxGeometryInputComponents);
        std::printf("GL_MAX_GEOMETRY_OUTPUT_COMPONENTS  %d\n", f.maxGeometryOutputComponents);
        std::printf("GL_MAX_FRAGMENT_INPUT_COMPONENTS   %d\n", f.maxFragmentInputComponents);
    }
    context->Release();
    device->Release();
    return described ? 0 : 1;
}
