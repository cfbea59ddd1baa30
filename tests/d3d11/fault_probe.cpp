// QV_TEST_DEVICE_FAULT="<presents>:<code>" (set by CTest for this program): after that many
// Present calls GetDeviceRemovedReason reports the code, and a device made afterwards is healthy.
// Exit status 0 when both hold.
#include <cstdio>
#include <cstdlib>

#include <windows.h>

#include <d3d11.h>

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool CreateGraphics(HWND hwnd, IDXGISwapChain** chain, ID3D11Device** device, ID3D11DeviceContext** context)
{
    DXGI_SWAP_CHAIN_DESC desc{};
    desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 3;
    desc.OutputWindow = hwnd;
    desc.Windowed = TRUE;
    return SUCCEEDED(D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, 0, nullptr, 0,
                                                   D3D11_SDK_VERSION, &desc, chain, device, nullptr, context));
}

}  // namespace

int main()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = L"QvFaultProbe";
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, L"QvFaultProbe", L"fault probe", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                160, 120, nullptr, nullptr, instance, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    IDXGISwapChain* chain = nullptr;
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    if (!hwnd || !CreateGraphics(hwnd, &chain, &device, &context)) {
        std::fprintf(stderr, "fault probe: no device\n");
        return 2;
    }
    int status = 0;
    HRESULT reasons[4];
    for (HRESULT& reason : reasons) {
        chain->Present(0, 0);
        reason = device->GetDeviceRemovedReason();
    }
    // Set to 3 presents: healthy after the first two, hung from the third on.
    if (reasons[0] != S_OK || reasons[1] != S_OK || reasons[2] != HRESULT(0x887A0006) ||
        reasons[3] != HRESULT(0x887A0006)) {
        std::fprintf(stderr, "fault probe: reasons %08x %08x %08x %08x\n", unsigned(reasons[0]), unsigned(reasons[1]),
                     unsigned(reasons[2]), unsigned(reasons[3]));
        status = 1;
    }
    context->ClearState();
    chain->Release();
    context->Release();
    device->Release();
    // Rebuilt as the program does after a hung device: the new device is healthy.
    if (!CreateGraphics(hwnd, &chain, &device, &context)) return 2;
    chain->Present(0, 0);
    if (device->GetDeviceRemovedReason() != S_OK) {
        std::fprintf(stderr, "fault probe: the rebuilt device still reports a fault\n");
        status = 1;
    }
    context->Release();
    chain->Release();
    device->Release();
    DestroyWindow(hwnd);
    UnregisterClassW(L"QvFaultProbe", instance);
    return status;
}
