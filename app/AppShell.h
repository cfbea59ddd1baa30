// The program's shell: entry point, main window, window procedure and the idle-time frame
// step, and the interaction state they keep for the whole run.
#pragma once

#include <windows.h>

#include <d3d11.h>
#include <dxgi.h>

// --- State owned by the shell ------------------------------------------------------------
extern HINSTANCE InstanceHandle;  // the module instance, for the window class
extern int WindowWidth;           // client size asked for at window creation
extern int WindowHeight;
extern bool StandbyMode;          // the last present reported the window occluded
extern int DeviceRebuildCount;    // hung or reset devices rebuilt so far

// --- Shared with the renderer (it reads them every frame) -----------------------------------
extern HWND MainWindow;
extern bool UseAdjacency;
extern float CameraDistance;

// --- The renderer's entry points and graphics slots ----------------------------------------
HRESULT CreateGraphics();
HRESULT CreateRenderTargets();
void ReleaseGraphics();
HRESULT RenderFrame();
extern ID3D11Device* Device;
extern ID3D11DeviceContext* ImmediateContext;
extern IDXGISwapChain* SwapChain;
extern ID3D11RenderTargetView* RenderTargetView;
extern ID3D11DepthStencilView* DepthStencilView;
extern ID3D11Texture2D* DepthStencilTexture;

// --- The shell -------------------------------------------------------------------------------
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine, int showCommand);
bool CreateAppWindow(HINSTANCE instance);
LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool IdleFrame();
