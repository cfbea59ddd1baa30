// Test-only controls and counters of the platform layer. The program's own code (app/, mesh/,
// material/, render/) never includes this; tests and benchmarks do.
// Environment variables read by the layer (only tests set them, and modelcheck --picture sets
// QV_TEST_TIME_MS to hold its spin still):
//   QV_TEST_TIME_MS=<ms>          timeGetTime stays at <ms> (decimal, 0..4294967295) for the whole
//                                 run; any other value is ignored with one line on stderr.
//   QV_TEST_NO_CPU_FEATURES=6,10  IsProcessorFeaturePresent reports these PF_* numbers absent.
//   QV_TEST_DEVICE_FAULT          see InjectDeviceRemovedReason below.
//   QV_TEST_REPORT_EVERY=<n>      every <n> presents, one line on stderr:
//                                 "present <count>: live objects <n>, live GL objects <m>".
//   QV_TEST_REPORT_LIVE_OBJECTS=1 after wWinMain returns (programs linked with qv_win32_main),
//                                 one line on stderr: "live objects: <n>, live GL objects: <m>,
//                                 device rebuilds: <r>" (ReplacementDeviceCount below).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <windef.h>

struct IUnknown;
struct ID3D11Device;
struct ID3D11Texture2D;

namespace platform_test {

// --- Clock (winmm) -----------------------------------------------------------------------
// Freeze timeGetTime at `ms` (frozen = true) or let it run again from the real clock plus
// `offsetMs` (frozen = false). The offset makes the 32-bit wrap reachable in a test.
void SetTime(bool frozen, uint32_t ms, uint32_t offsetMs = 0);

// --- Object lifetime (Direct3D 11 / DXGI) ------------------------------------------------
// Number of live interface objects (device, context, swap chain and every device child),
// and number of live GL objects (buffers, textures, samplers, programs, pipelines, framebuffers,
// vertex arrays) that the layer created and has not deleted.
int LiveObjectCount();
int LiveGlObjectCount();
// Number of devices created to replace one that had reported itself removed: a device created
// after GetDeviceRemovedReason last returned a failure, however often it was asked, counts once.
int ReplacementDeviceCount();

// --- Faults ------------------------------------------------------------------------------
// From now on GetDeviceRemovedReason returns `code` (0 clears the injection). The environment
// variable QV_TEST_DEVICE_FAULT="<frame>:<code>" (code in hex, e.g. 120:887A0006) does the same
// after that many Present calls; only tests set it. "<frame>:<code>,<code>...:<period>" (e.g.
// 300:887A0006,887A0007:250) repeats it every <period> presents after the first, taking the
// codes in turn.
void InjectDeviceRemovedReason(HRESULT code);

// Make the Map call number `n` (1-based, counted from now) fail with E_OUTOFMEMORY; 0 disables.
void FailNthMap(int n);

// The kinds of object that ID3D11Device's Create* calls make.
enum class CreateKind : uint8_t {
    Buffer,
    Texture2D,
    ShaderResourceView,
    RenderTargetView,
    DepthStencilView,
    InputLayout,
    VertexShader,
    GeometryShader,
    PixelShader,
    BlendState,
    DepthStencilState,
    RasterizerState,
    SamplerState,
};
// Make the Create call of `kind` number `n` (1-based, counted from now, on any device) fail with
// E_OUTOFMEMORY and a null output, as a device out of memory does; 0 disables. Each kind counts
// on its own. Calls that fail their argument checks first are not counted.
void FailNthCreate(CreateKind kind, int n);

// --- Device start-up, driver facts and limits ------------------------------------------
// Device creation behaves as on a driver that gives no robust-access context (the request for
// one fails, and the layer goes on without it).
void RefuseRobustContexts(bool refuse);
// How many times the layer has asked GL for the reset status (glGetGraphicsResetStatus).
long ResetStatusQueryCount();
// Devices created from now on act as if every stage had at most `components` varying
// components (a 4.5 driver may have as few as 64); 0 restores the driver's own limits.
void CapVaryingComponents(int components);
// What the GL driver behind a device reports, for tools that check a machine.
struct DeviceFacts {
    std::string vendor, renderer, version;
    bool robustAccess = false;
    std::string resetStrategy;  // "LOSE_CONTEXT_ON_RESET" or "NO_RESET_NOTIFICATION"
    int uniformBufferOffsetAlignment = 0;
    int64_t maxElementIndex = 0;
    int maxVertexOutputComponents = 0, maxGeometryInputComponents = 0, maxGeometryOutputComponents = 0,
        maxFragmentInputComponents = 0;  // after CapVaryingComponents
};
bool DescribeDevice(ID3D11Device* device, DeviceFacts* out);

// --- Call log ----------------------------------------------------------------------------
// While recording, the immediate context and swap chain append one entry per call below.
enum class Call : uint8_t {
    Map,
    Unmap,
    PSSetShaderResources,
    DrawIndexed,
    Draw,
    Present,
    IASetIndexBuffer,
    IASetPrimitiveTopology,
    VSSetShader,
    GSSetShader,
    PSSetShader,
    Release,
    ClearState,
    SetFullscreenState,
};
struct CallRecord {
    Call call;
    uint64_t a, b, c;  // DrawIndexed: count, start, base; Draw: count, start; Map: type, result;
                       // IASetIndexBuffer: buffer id, format, offset; IASetPrimitiveTopology: topology;
                       // *SetShader / PSSetShaderResources: object id (0 = null); Present: interval, flags, result;
                       // Release: object id, references left; SetFullscreenState: fullscreen, result
};
// A stable id for a layer object, as recorded in the call log (0 for null).
uint64_t ObjectId(IUnknown* object);
// Clears and starts (the log has room for 65536 entries). Release, ClearState and
// SetFullscreenState are recorded only when `lifetimeCalls` is set: the layer itself releases
// references as bindings change, which would crowd a log of drawing calls.
void StartCallLog(bool lifetimeCalls = false);
void StopCallLog();
const std::vector<CallRecord>& CallLog();

// --- Readback helpers ----------------------------------------------------------------------
// Stencil values of a depth-stencil texture, top row first (Direct3D row order), width*height bytes.
// Direct3D cannot read stencil through a staging copy of this format, so tests use this.
bool ReadStencil(ID3D11Texture2D* depthStencil, std::vector<uint8_t>* out);

}  // namespace platform_test
