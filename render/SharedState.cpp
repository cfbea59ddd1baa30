// SharedState.cpp: the one definition of each shared value, with its value at program start.
#include "SharedState.h"

HWND MainWindow = nullptr;
bool UseAdjacency = true;
float CameraDistance = MinCameraDistance;
