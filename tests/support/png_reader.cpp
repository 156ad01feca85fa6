// PNG files read through libpng.
#include "tests/support/golden.h"

#include <png.h>

bool png_read_rgb(const std::string& path, std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> data(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, data.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    for (uint32_t& p : data) p |= 0xFF000000u;  // BGRA bytes are 0xAARRGGBB words on little-endian
    pixels = std::move(data);
    width = int32_t(image.width);
    height = int32_t(image.height);
    return true;
}
