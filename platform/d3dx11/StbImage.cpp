// stb_image, compiled into this project with only the formats the texture loader accepts.
// Files are read by ImageDecode.cpp, so stb's stdio layer is left out.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 16384  // the largest Direct3D 11 2-D texture side
#include <stb/stb_image.h>
