// Scratch files for tests: a fresh directory per test process, removed at exit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Path of `name` inside the scratch directory.
std::string ScratchPath(const std::string& name);

// Writes `bytes` to the scratch file `name` and returns its path.
std::string WriteScratchFile(const std::string& name, const std::string& bytes);
std::string WriteScratchFile(const std::string& name, const std::vector<uint8_t>& bytes);

// The same path as a wide string, as D3DX11CompileFromFileW takes it.
std::wstring Wide(const std::string& path);
