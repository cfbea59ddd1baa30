// The program's shell: entry point, main window, window procedure and the idle-time frame
// step, and the interaction state they keep for the whole run.
#pragma once

#include <windows.h>

// The renderer: CreateGraphics, CreateRenderTargets, ReleaseGraphics and the graphics slots;
// RenderFrame; and the values both sides read (MainWindow, UseAdjacency, CameraDistance).
#include "Frame.h"
#include "Graphics.h"
#include "SharedState.h"

// --- State owned by the shell ------------------------------------------------------------
extern HINSTANCE InstanceHandle;  // the module instance, for the window class
extern int WindowWidth;           // client size asked for at window creation
extern int WindowHeight;
extern bool StandbyMode;        // the last present reported the window occluded
extern int DeviceRebuildCount;  // hung or reset devices rebuilt so far

// --- The shell -------------------------------------------------------------------------------
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine, int showCommand);
bool CreateAppWindow(HINSTANCE instance);
LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool IdleFrame();

// The size-dependent render targets: whether both views exist, and building them again at the
// last WM_SIZE's client size (false, with every target slot empty, when that fails).
bool RenderTargetsExist();
bool RebuildRenderTargets();
