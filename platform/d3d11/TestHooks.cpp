// Test-only controls and counters of the Direct3D layer (see PlatformTestHooks.h).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ExitReport.h"

#include "DebugLog.h"
#include "Device.h"
#include "Texture2D.h"
#include "TestHooksInternal.h"

namespace d3d11gl {

int LiveObjects();
int LiveGlObjects();

bool CallLogActive = false;
bool LifetimeLogActive = false;

namespace {

std::vector<platform_test::CallRecord>& Log()
{
    static std::vector<platform_test::CallRecord> log;
    return log;
}
constexpr size_t LogCapacity = 65536;

HRESULT InjectedRemovalReason = S_OK;
int MapsUntilFailure = 0;
constexpr int CreateKinds = int(platform_test::CreateKind::SamplerState) + 1;
int CreatesUntilFailure[CreateKinds] = {};
long Presents = 0;
bool RefuseRobust = false;
long ResetQueries = 0;
int VaryingCap = 0;
bool RemovalReported = false;
int ReplacementDevices = 0;

// QV_TEST_DEVICE_FAULT="<frame>:<hex code>[,<hex code>...][:<period>]", read once: the first
// code after that many presents; with a period, again every <period> presents after it, taking
// the codes in turn.
struct EnvFault {
    long frame = -1;
    long period = 0;
    HRESULT codes[8] = {};
    int codeCount = 0;
    int next = 0;
    bool fired = false;
};
EnvFault& Fault()
{
    static EnvFault fault = [] {
        EnvFault f;
        const char* text = std::getenv("QV_TEST_DEVICE_FAULT");
        char* end = nullptr;
        if (!text) return f;
        const long frame = std::strtol(text, &end, 10);
        if (end == text || *end != ':' || frame < 0) return f;
        do {
            const char* start = end + 1;
            const unsigned long code = std::strtoul(start, &end, 16);
            if (end == start) return f;
            f.codes[f.codeCount++] = static_cast<HRESULT>(code);
        } while (*end == ',' && f.codeCount < 8);
        if (*end == ':') {
            const char* start = end + 1;
            const long period = std::strtol(start, &end, 10);
            if (end == start || period <= 0) return f;
            f.period = period;
        }
        if (*end != '\0') return f;
        f.frame = frame;
        return f;
    }();
    return fault;
}

// QV_TEST_REPORT_EVERY=<n>: every <n> presents, one line on stderr with the live-object counts,
// so that a long run can be watched for objects that pile up.
long ReportPeriod()
{
    static const long period = [] {
        const char* text = std::getenv("QV_TEST_REPORT_EVERY");
        const long n = text ? std::strtol(text, nullptr, 10) : 0;
        return n > 0 ? n : 0;
    }();
    return period;
}

}  // namespace

void AppendCall(platform_test::Call call, uint64_t a, uint64_t b, uint64_t c)
{
    if (Log().size() < LogCapacity) Log().push_back({call, a, b, c});
}

HRESULT InjectedReason()
{
    return InjectedRemovalReason;
}
bool RobustContextsRefused()
{
    return RefuseRobust;
}
void NoteResetStatusQuery()
{
    ++ResetQueries;
}
int VaryingComponentCap()
{
    return VaryingCap;
}
void NoteRemovalReported()
{
    RemovalReported = true;
}

void NoteDeviceCreated()
{
    // A program that polls a removed device every frame and then builds a new one made one
    // replacement, however many times it polled.
    if (RemovalReported) ++ReplacementDevices;
    RemovalReported = false;
    platform::SetObjectCounter([] {
        return platform::ObjectCounts{LiveObjects(), LiveGlObjects(), ReplacementDevices};
    });
}

bool ShouldFailMap()
{
    if (MapsUntilFailure <= 0) return false;
    return --MapsUntilFailure == 0;
}

bool ShouldFailCreate(platform_test::CreateKind kind)
{
    int& left = CreatesUntilFailure[int(kind)];
    if (left <= 0) return false;
    return --left == 0;
}

void NotePresent()
{
    ++Presents;
    if (const long period = ReportPeriod(); period && Presents % period == 0)
        std::fprintf(stderr, "present %ld: live objects %d, live GL objects %d\n", Presents, LiveObjects(),
                     LiveGlObjects());
    EnvFault& fault = Fault();
    if (fault.frame < 0 || Presents < fault.frame || (fault.fired && !fault.period)) return;
    if (fault.fired && (Presents - fault.frame) % fault.period != 0) return;
    // The fault hits the devices alive now; a device rebuilt afterwards is healthy.
    fault.fired = true;
    const HRESULT code = fault.codes[fault.next];
    fault.next = (fault.next + 1) % fault.codeCount;
    for (Device* device = FirstLiveDevice(); device; device = device->nextLive) device->InjectFault(code);
}

}  // namespace d3d11gl

namespace platform_test {

int LiveObjectCount()
{
    return d3d11gl::LiveObjects();
}
int LiveGlObjectCount()
{
    return d3d11gl::LiveGlObjects();
}
int ReplacementDeviceCount()
{
    return d3d11gl::ReplacementDevices;
}

void InjectDeviceRemovedReason(HRESULT code)
{
    d3d11gl::InjectedRemovalReason = code;
}

void FailNthMap(int n)
{
    d3d11gl::MapsUntilFailure = n > 0 ? n : 0;
}

void FailNthCreate(CreateKind kind, int n)
{
    if (int(kind) < d3d11gl::CreateKinds) d3d11gl::CreatesUntilFailure[int(kind)] = n > 0 ? n : 0;
}

uint64_t ObjectId(IUnknown* object)
{
    return d3d11gl::IdOf(object);
}

void StartCallLog(bool lifetimeCalls)
{
    d3d11gl::Log().clear();
    d3d11gl::Log().reserve(d3d11gl::LogCapacity);
    d3d11gl::LifetimeLogActive = lifetimeCalls;
    d3d11gl::CallLogActive = true;
}

void StopCallLog()
{
    d3d11gl::CallLogActive = false;
}

const std::vector<CallRecord>& CallLog()
{
    return d3d11gl::Log();
}

bool ReadStencil(ID3D11Texture2D* depthStencil, std::vector<uint8_t>* out)
{
    if (!depthStencil || !out) return false;
    auto* texture = static_cast<d3d11gl::Texture2D*>(depthStencil);
    if (!texture->Format().stencil || !texture->OwnerDevice()->MakeCurrent()) return false;
    const GLsizei width = texture->Desc().Width, height = texture->Desc().Height;
    GLuint framebuffer = 0;
    d3d11gl::DrainGlErrors();
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

void RefuseRobustContexts(bool refuse)
{
    d3d11gl::RefuseRobust = refuse;
}
long ResetStatusQueryCount()
{
    return d3d11gl::ResetQueries;
}
void CapVaryingComponents(int components)
{
    d3d11gl::VaryingCap = components > 0 ? components : 0;
}

bool DescribeDevice(ID3D11Device* device, DeviceFacts* out)
{
    auto* layer = static_cast<d3d11gl::Device*>(device);
    if (!layer || !out || !layer->MakeCurrent()) return false;
    const auto text = [](GLenum e) {
        const char* s = reinterpret_cast<const char*>(glGetString(e));
        return std::string(s ? s : "");
    };
    out->vendor = text(GL_VENDOR);
    out->renderer = text(GL_RENDERER);
    out->version = text(GL_VERSION);
    out->robustAccess = layer->Gl().Robust();
    out->resetStrategy =
        layer->Gl().ResetStrategy() == GL_LOSE_CONTEXT_ON_RESET ? "LOSE_CONTEXT_ON_RESET" : "NO_RESET_NOTIFICATION";
    out->uniformBufferOffsetAlignment = layer->UniformBufferAlignment();
    GLint64 maxIndex = 0;
    glGetInteger64v(GL_MAX_ELEMENT_INDEX, &maxIndex);
    out->maxElementIndex = maxIndex;
    const d3d11gl::Device::VaryingLimits& v = layer->Varyings();
    out->maxVertexOutputComponents = v.vertexOutput;
    out->maxGeometryInputComponents = v.geometryInput;
    out->maxGeometryOutputComponents = v.geometryOutput;
    out->maxFragmentInputComponents = v.fragmentInput;
    return true;
}

}  // namespace platform_test
