// RenderTestSupport.h: what the renderer's tests share: a working directory beside misc/ (the
// real one or a scratch copy), the renderer brought up offscreen with the clock frozen, reading
// pixels (FramePng.h), stencil and buffers back, and the model's triangles in world space.
#pragma once

#include <d3d11.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FramePng.h"  // ReadPixels, WritePng
#include "RayCaster.h"
#include "ScratchFolder.h"

// The repository root: QV_SOURCE_DIR (set by CTest), else the one this was built from.
std::string SourceDirectory();

// Makes the process's working directory one from which "..\misc\" names `miscDirectory`, and
// restores the previous one when it goes.
class WorkingDirectory {
  public:
    // The repository's own misc/.
    WorkingDirectory();
    // A scratch folder whose misc/ holds copies of the named files of the repository's misc/,
    // then `edits` applied (each pair replaces the first occurrence of .first in misc/Quenvale.sh
    // by .second), then the `written` files (name, content). The folder is removed afterwards.
    WorkingDirectory(const std::vector<std::string>& files,
                     const std::vector<std::pair<std::string, std::string>>& edits,
                     const std::vector<std::pair<std::string, std::string>>& written = {});
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

    bool ok() const { return ok_; }

  private:
    std::string previous_;
    std::unique_ptr<ScratchFolder> scratch_;
    bool ok_ = false;
};

// Every file of the repository's misc/ that the program reads.
const std::vector<std::string>& AllDataFiles();

// Brings the renderer up offscreen at width x height (CreateGraphicsOffscreen) with the clock
// frozen at `milliseconds`; ReleaseGraphics when it goes.
class OffscreenRenderer {
  public:
    OffscreenRenderer(unsigned width, unsigned height, uint32_t milliseconds = 0);
    ~OffscreenRenderer();
    OffscreenRenderer(const OffscreenRenderer&) = delete;
    OffscreenRenderer& operator=(const OffscreenRenderer&) = delete;

    HRESULT result() const { return result_; }

  private:
    HRESULT result_;
};

// The stencil values of DepthStencilTexture, top row first.
bool ReadStencilValues(std::vector<uint8_t>* stencil);
// The bytes of a buffer, through a staging copy.
bool ReadBufferBytes(ID3D11Buffer* buffer, std::vector<uint8_t>* bytes);

// The loaded mesh's triangles (from its own vertex and index buffers), placed by the world
// matrix of the frame drawn at `milliseconds`; with each triangle's group in *groups.
bool WorldTriangles(uint32_t milliseconds, std::vector<std::array<Vec3d, 3>>* triangles, std::vector<int>* groups);
