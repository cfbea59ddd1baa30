// Live-object counters of the layer and the shared parts of DeviceChild.
#include "LayerObject.h"

#include "Device.h"

namespace d3d11gl {

namespace {
int LiveObjectTotal = 0;
int LiveGlObjectTotal = 0;
}  // namespace

void NoteObjectCreated()
{
    ++LiveObjectTotal;
}
void NoteObjectDestroyed()
{
    --LiveObjectTotal;
}
void NoteGlCreated(int count)
{
    LiveGlObjectTotal += count;
}
void NoteGlDeleted(int count)
{
    LiveGlObjectTotal -= count;
}
int LiveObjects()
{
    return LiveObjectTotal;
}
int LiveGlObjects()
{
    return LiveGlObjectTotal;
}

}  // namespace d3d11gl
