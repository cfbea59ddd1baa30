// modelcheck --picture: one frame of a model, drawn offscreen at 640 x 480 by the program's own
// renderer (its shader source, device, pipelines, mesh, material library and frame), as a PNG.
#pragma once

#include <cstdint>
#include <string>

struct PictureOptions {
    std::string output;         // the PNG to write
    uint32_t milliseconds = 0;  // the millisecond clock the spin angle comes from
    float distance = 2.5f;      // the camera distance, 2.5 to 20 as in the program
    bool plain = false;         // shadow volumes from plain triangles instead of adjacency
    std::string miscDirectory;  // the folder with Quenvale.sh and default.bmp
};

// Draws the model at modelPath (already checked to load) with the material library it names.
// The library's name and its texture names are looked up relative to the working directory,
// as the program looks them up; the shader source and the default texture come from
// options.miscDirectory. Returns 0, or 1 after one line on stderr saying what failed.
int DrawPicture(const char* modelPath, const char* mtllibName, const PictureOptions& options);
