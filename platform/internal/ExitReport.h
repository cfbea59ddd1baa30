// The test-only exit report. With QV_TEST_REPORT_LIVE_OBJECTS=1 in the environment, the process
// entry (qv_win32_main) writes one line on stderr after wWinMain returns:
//   live objects: <n>, live GL objects: <m>, device rebuilds: <r>
// The Win32 part writes the line but keeps no graphics counts: the Direct3D part hands over its
// counter when it creates a device. A process that never created a device has nothing alive and
// reports zeros.
#pragma once

namespace platform {

struct ObjectCounts {
    int liveObjects = 0;     // Direct3D interface objects not yet freed
    int liveGlObjects = 0;   // GL objects the Direct3D layer created and has not deleted
    int deviceRebuilds = 0;  // devices created to replace one that had reported itself removed
};
using ObjectCounter = ObjectCounts (*)();

// Where WriteExitReport reads the counts from (null: nothing counted, zeros).
void SetObjectCounter(ObjectCounter counter);

// Writes the line when the environment asks for it; does nothing otherwise.
void WriteExitReport();

}  // namespace platform
