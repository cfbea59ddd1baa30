// FramePng.h: a render-target texture read back as RGBA8 rows, and such rows written as a PNG.
#pragma once

#include <d3d11.h>

#include <cstdint>
#include <string>
#include <vector>

// The back buffer (or any render-target texture) of the renderer's Device, as RGBA8 rows, top
// row first, through a staging copy.
bool ReadPixels(ID3D11Texture2D* texture, std::vector<uint8_t>* rgba);

// Writes the colour channels as an RGB PNG.
bool WritePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height);
