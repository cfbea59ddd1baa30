// Scratch directory handling for the D3DX11 tests.
#include "TestFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ScratchFolder.h"

namespace {

const std::filesystem::path& Dir()
{
    static ScratchFolder folder("qv_d3dx11_");
    return folder.Root();
}

}  // namespace

std::string ScratchPath(const std::string& name)
{
    return (Dir() / name).string();
}

std::string WriteScratchFile(const std::string& name, const std::string& bytes)
{
    const std::string path = ScratchPath(name);
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

std::string WriteScratchFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    return WriteScratchFile(name, std::string(bytes.begin(), bytes.end()));
}

std::wstring Wide(const std::string& path)
{
    return std::wstring(path.begin(), path.end());
}
