// Images as PNG files, on every platform: the pixels in their palette's colours,
// handed to the platform's writer.
#include "graphics/png_writer.h"

#include <vector>

void image_expand_rgb(const ImageSurface* image, uint32_t* out) {
    size_t count = size_t(image->width) * image->height;
    for (size_t i = 0; i < count; i++) {
        if (image->bytes_per_pixel == 4) {
            uint32_t c;
            __builtin_memcpy(&c, image->pixels + 4 * i, 4);
            out[i] = c | 0xFF000000u;
        } else {
            out[i] = image->palette[image->pixels[i]] | 0xFF000000u;
        }
    }
}

bool png_write_image(const char* path, const ImageSurface* image) {
    if (image == nullptr || image->is_text) return false;
    std::vector<uint32_t> rgb(size_t(image->width) * image->height);
    image_expand_rgb(image, rgb.data());
    return png_write_rgb(path, rgb.data(), image->width, image->height);
}
