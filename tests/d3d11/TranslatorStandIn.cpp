// Temporary stand-in for the shader translator while it is not in the tree: no blob is valid.
#include "../../platform/internal/ShaderBytecode.h"

namespace platform {

uint32_t SemanticLocation(const std::string&, uint32_t index) { return index; }
bool ReadShaderSignature(const void*, size_t, ShaderStage*, std::vector<ShaderInput>*) { return false; }
bool TranslateShaderBytecode(const void*, size_t, TranslatedShader*, std::string* error)
{
    if (error) *error = "no shader translator in this build";
    return false;
}

}  // namespace platform
