// Test-only controls and counters of the Direct3D layer (see PlatformTestHooks.h).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Device.h"
#include "Texture2D.h"
#include "TestHooksInternal.h"

namespace d3d11gl {

int LiveObjects();
int LiveGlObjects();

bool g_callLogActive = false;

namespace {

std::vector<platform_test::CallRecord>& Log()
{
    static std::vector<platform_test::CallRecord> log;
    return log;
}
constexpr size_t kLogCapacity = 65536;

HRESULT g_injectedReason = S_OK;
int g_mapsUntilFailure = 0;
long g_presents = 0;

// QV_TEST_DEVICE_FAULT="<frame>:<hex code>", read once.
struct EnvFault {
    long frame = -1;
    HRESULT code = S_OK;
    bool fired = false;
};
EnvFault& Fault()
{
    static EnvFault fault = [] {
        EnvFault f;
        const char* text = std::getenv("QV_TEST_DEVICE_FAULT");
        unsigned long code = 0;
        long frame = 0;
        if (text && std::sscanf(text, "%ld:%lx", &frame, &code) == 2 && frame >= 0) {
            f.frame = frame;
            f.code = static_cast<HRESULT>(code);
        }
        return f;
    }();
    return fault;
}

}  // namespace

void AppendCall(platform_test::Call call, uint64_t a, uint64_t b, uint64_t c)
{
    if (Log().size() < kLogCapacity) Log().push_back({call, a, b, c});
}

HRESULT InjectedReason() { return g_injectedReason; }

bool ShouldFailMap()
{
    if (g_mapsUntilFailure <= 0) return false;
    return --g_mapsUntilFailure == 0;
}

void NotePresent()
{
    ++g_presents;
    EnvFault& fault = Fault();
    if (fault.fired || fault.frame < 0 || g_presents < fault.frame) return;
    // The fault hits the devices alive now; a device rebuilt afterwards is healthy.
    fault.fired = true;
    for (Device* device = FirstLiveDevice(); device; device = device->nextLive) device->InjectFault(fault.code);
}

}  // namespace d3d11gl

namespace platform_test {

int LiveObjectCount() { return d3d11gl::LiveObjects(); }
int LiveGlObjectCount() { return d3d11gl::LiveGlObjects(); }

void InjectDeviceRemovedReason(HRESULT code) { d3d11gl::g_injectedReason = code; }

void FailNthMap(int n) { d3d11gl::g_mapsUntilFailure = n > 0 ? n : 0; }

uint64_t ObjectId(IUnknown* object) { return d3d11gl::IdOf(object); }

void StartCallLog()
{
    d3d11gl::Log().clear();
    d3d11gl::Log().reserve(d3d11gl::kLogCapacity);
    d3d11gl::g_callLogActive = true;
}

void StopCallLog() { d3d11gl::g_callLogActive = false; }

const std::vector<CallRecord>& CallLog() { return d3d11gl::Log(); }

bool ReadStencil(ID3D11Texture2D* depthStencil, std::vector<uint8_t>* out)
{
    if (!depthStencil || !out) return false;
    auto* texture = static_cast<d3d11gl::Texture2D*>(depthStencil);
    if (!texture->Format().stencil || !texture->OwnerDevice()->MakeCurrent()) return false;
    const GLsizei width = texture->Desc().Width, height = texture->Desc().Height;
    GLuint framebuffer = 0;
    glCreateFramebuffers(1, &framebuffer);
    glNamedFramebufferTexture(framebuffer, GL_DEPTH_STENCIL_ATTACHMENT, texture->Name(), 0);
    glNamedFramebufferReadBuffer(framebuffer, GL_NONE);
    GLint previous = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    std::vector<uint8_t> rows(size_t(width) * height);
    glReadPixels(0, 0, width, height, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, rows.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, previous);
    glDeleteFramebuffers(1, &framebuffer);
    // GL's rows run bottom-up in a depth-stencil target; Direct3D's top row comes first.
    out->resize(rows.size());
    for (GLsizei y = 0; y < height; ++y)
        std::copy_n(rows.data() + size_t(height - 1 - y) * width, width, out->data() + size_t(y) * width);
    return glGetError() == GL_NO_ERROR;
}

}  // namespace platform_test
