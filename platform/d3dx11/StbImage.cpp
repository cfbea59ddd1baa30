// stb_image, compiled into this project for BMP and TGA (JPEG goes to libjpeg-turbo, see
// JpegDecode.h, and PNG to libpng, see PngDecode.h).
// Files are read by ImageDecode.cpp, so stb's stdio layer is left out. The size limit is checked
// there from stbi_info, so stb's own (larger) limit stays as it is and oversized images are told
// apart from damaged ones.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb/stb_image.h>
