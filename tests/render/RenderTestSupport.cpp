// RenderTestSupport.cpp: working directories, offscreen bring-up, readbacks, world triangles.
#include "RenderTestSupport.h"

#include <PlatformTestHooks.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Frame.h"
#include "Graphics.h"
#include "ModelObjects.h"
#include "TransformMath.h"

namespace fs = std::filesystem;

std::string SourceDirectory()
{
    if (const char* dir = std::getenv("QV_SOURCE_DIR")) return dir;
    return QV_DEFAULT_SOURCE_DIR;
}

const std::vector<std::string>& AllDataFiles()
{
    static const std::vector<std::string> files = {"Quenvale.sh", "kuma.obj",   "kuma.mtl",
                                                   "fur.bmp",     "muzzle.bmp", "default.bmp"};
    return files;
}

WorkingDirectory::WorkingDirectory() : previous_(fs::current_path().string())
{
    // tests/ sits beside misc/, so "..\misc\" from there is the repository's misc/.
    std::error_code error;
    fs::current_path(fs::path(SourceDirectory()) / "tests", error);
    ok_ = !error;
}

WorkingDirectory::WorkingDirectory(const std::vector<std::string>& files,
                                   const std::vector<std::pair<std::string, std::string>>& edits,
                                   const std::vector<std::pair<std::string, std::string>>& written)
    : previous_(fs::current_path().string()), scratch_(std::make_unique<ScratchFolder>("qv_render_"))
{
    if (!scratch_->ok()) return;
    const fs::path& misc = scratch_->Misc();
    const fs::path source = fs::path(SourceDirectory()) / "misc";
    for (const std::string& file : files) {
        std::error_code error;
        fs::copy_file(source / file, misc / file, error);
        if (error) return;
    }
    if (!edits.empty()) {
        std::ifstream in(misc / "Quenvale.sh", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string shader = text.str();
        for (const auto& [from, to] : edits) {
            const size_t at = shader.find(from);
            if (at == std::string::npos) return;
            shader.replace(at, from.size(), to);
        }
        std::ofstream(misc / "Quenvale.sh", std::ios::binary | std::ios::trunc) << shader;
    }
    for (const auto& [name, content] : written)
        std::ofstream(misc / name, std::ios::binary | std::ios::trunc) << content;
    ok_ = scratch_->EnterWork();
}

WorkingDirectory::~WorkingDirectory()
{
    scratch_.reset();  // back to the working directory it replaced, and removed
    std::error_code error;
    fs::current_path(previous_, error);
}

OffscreenRenderer::OffscreenRenderer(unsigned width, unsigned height, uint32_t milliseconds)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    platform_test::SetTime(true, milliseconds);
    result_ = CreateGraphicsOffscreen(width, height);
}

OffscreenRenderer::~OffscreenRenderer()
{
    ReleaseGraphics();
    platform_test::SetTime(false, 0);
}

bool ReadStencilValues(std::vector<uint8_t>* stencil)
{
    return platform_test::ReadStencil(DepthStencilTexture, stencil);
}

bool ReadBufferBytes(ID3D11Buffer* buffer, std::vector<uint8_t>* bytes)
{
    D3D11_BUFFER_DESC desc;
    buffer->GetDesc(&desc);
    desc.Usage = D3D11_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    desc.MiscFlags = 0;
    desc.StructureByteStride = 0;
    ID3D11Buffer* staging = nullptr;
    if (FAILED(Device->CreateBuffer(&desc, nullptr, &staging))) return false;
    ImmediateContext->CopyResource(staging, buffer);
    D3D11_MAPPED_SUBRESOURCE mapped;
    const bool mappedOk = SUCCEEDED(ImmediateContext->Map(staging, 0, D3D11_MAP_READ, 0, &mapped));
    if (mappedOk) {
        const uint8_t* data = static_cast<const uint8_t*>(mapped.pData);
        bytes->assign(data, data + desc.ByteWidth);
        ImmediateContext->Unmap(staging, 0);
    }
    staging->Release();
    return mappedOk;
}

bool WorldTriangles(uint32_t milliseconds, std::vector<std::array<Vec3d, 3>>* triangles, std::vector<int>* groups)
{
    std::vector<uint8_t> vertexBytes, indexBytes;
    if (!ReadBufferBytes(Mesh.GetVertexBuffer(), &vertexBytes) || !ReadBufferBytes(Mesh.GetIndexBuffer(), &indexBytes))
        return false;
    const size_t vertexCount = vertexBytes.size() / sizeof(MeshVertex);
    const size_t indexCount = indexBytes.size() / sizeof(uint32_t);
    std::vector<MeshVertex> vertices(vertexCount);
    std::vector<uint32_t> indices(indexCount);
    std::memcpy(vertices.data(), vertexBytes.data(), vertexCount * sizeof(MeshVertex));
    std::memcpy(indices.data(), indexBytes.data(), indexCount * sizeof(uint32_t));

    const BoundingSphere& sphere = Mesh.GetBoundingSphere();
    const Matrix4x4 world =
        FrameWorldMatrix(milliseconds, sphere.center.x, sphere.center.y, sphere.center.z, sphere.radius);
    auto place = [&](const MeshVertex& v) {
        const double p[3] = {v.position.x, v.position.y, v.position.z};
        double out[3];
        for (int j = 0; j < 3; ++j)
            out[j] = p[0] * world.m[0][j] + p[1] * world.m[1][j] + p[2] * world.m[2][j] + world.m[3][j];
        return Vec3d{out[0], out[1], out[2]};
    };

    triangles->clear();
    groups->clear();
    for (int g = 0; g < Mesh.GetGroupCount(); ++g) {
        const MeshGroup& group = Mesh.GetGroups()[g];
        for (int i = group.startIndex; i + 2 < group.startIndex + group.indexCount; i += 3) {
            if (size_t(i) + 2 >= indexCount) return false;
            std::array<Vec3d, 3> tri;
            for (int k = 0; k < 3; ++k) {
                if (indices[i + k] >= vertexCount) return false;
                tri[k] = place(vertices[indices[i + k]]);
            }
            triangles->push_back(tri);
            groups->push_back(g);
        }
    }
    return true;
}
