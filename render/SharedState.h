// SharedState.h: the values that the program's shell and the renderer share: the main window,
// the shadow-volume method, the camera distance and the clear colour.
#pragma once

#include <windows.h>

// The window that the swap chain presents into; the shell sets it when it creates the window
// and CreateGraphics reads its client rectangle.
extern HWND MainWindow;

// True: shadow volumes come from the adjacency index list ("GS_SV_1"); false: from the plain
// triangles ("GS_SV_2"). F2 toggles it; pass 2 reads it once per frame.
extern bool UseAdjacency;

// Distance of the camera, kept by the shell within [MinCameraDistance, MaxCameraDistance], both
// ends allowed (the Up and Down keys clamp to them); the shadow shaders' front-cap offset
// (misc/Quenvale.sh) is sized for the far end.
extern float CameraDistance;
inline constexpr float MinCameraDistance = 2.5f;
inline constexpr float MaxCameraDistance = 20.0f;

// Red, green, blue, alpha of the cleared back buffer.
inline constexpr float ClearColor[4] = {0.0f, 0.125f, 0.3f, 1.0f};
