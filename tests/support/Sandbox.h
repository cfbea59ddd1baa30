// Test helpers: a temporary folder laid out as the program expects its data ("..\misc\..." seen
// from the working directory), tiny BMP files, and an offscreen Direct3D 11 device.
#pragma once

#include <d3d11.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "ScratchFolder.h"

// A scratch folder (<tmp>/misc and <tmp>/work) with work the working directory; undoes both on
// destruction. Throws when either cannot be done.
class Sandbox : public ScratchFolder {
  public:
    Sandbox();
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
// A 2x2 24-bit BMP of one colour.
void WriteBmp(const std::filesystem::path& path, uint8_t r, uint8_t g, uint8_t b);

// The layer's offscreen device: hardware first, then WARP; both null when neither exists.
struct TestDevice {
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
};

// One device for the whole test process, created on first use and never released: releasing the
// last device unloads the GL driver, and the leak checker then reports what the driver keeps for
// the process from a module it can no longer name.
const TestDevice& SharedTestDevice();
