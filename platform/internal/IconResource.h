// Icon resources compiled into the program. qv_embed_icon (platform/win32/EmbedIcon.cmake)
// generates a source file that calls RegisterIconResource during static initialisation;
// LoadIconW(instance, MAKEINTRESOURCEW(id)) then finds the image by its number.
#pragma once

#include <cstddef>

#include <windef.h>

struct SDL_Surface;

namespace platform {

// Registers a BMP image (the bytes stay owned by the caller and must live for the whole run)
// as icon resource `id`. False if the id is taken, the table (8 icons) is full or data is empty.
bool RegisterIconResource(int id, const unsigned char* data, size_t size);

// The decoded image behind a handle from LoadIconW, or null (stock icons have none).
SDL_Surface* IconSurface(HICON icon);

}  // namespace platform
