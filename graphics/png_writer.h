// Images as PNG files.
#pragma once

#include <cstdint>

#include "graphics/image_surface.h"

// Writes width x height 0xAARRGGBB words as an opaque 8-bit RGB PNG.
bool png_write_rgb(const char* path, const uint32_t* pixels, int32_t width, int32_t height);
// Writes a palette or 32-bit image in its palette's colours; text images are not supported.
bool png_write_image(const char* path, const ImageSurface* image);
// Expands a palette or 32-bit image to 0xFFRRGGBB words (width x height).
void image_expand_rgb(const ImageSurface* image, uint32_t* out);
