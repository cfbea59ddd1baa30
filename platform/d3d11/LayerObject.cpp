// Live-object counters of the layer and the shared parts of DeviceChild.
#include "LayerObject.h"

#include "Device.h"

namespace d3d11gl {

namespace {
int g_liveObjects = 0;
int g_liveGlObjects = 0;
}  // namespace

void NoteObjectCreated() { ++g_liveObjects; }
void NoteObjectDestroyed() { --g_liveObjects; }
void NoteGlCreated(int count) { g_liveGlObjects += count; }
void NoteGlDeleted(int count) { g_liveGlObjects -= count; }
int LiveObjects() { return g_liveObjects; }
int LiveGlObjects() { return g_liveGlObjects; }

}  // namespace d3d11gl
