#include "tests/support/golden.h"

#include <png.h>

#include <cstdio>
#include <filesystem>

#include "graphics/png_writer.h"

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

std::string golden_compare(const std::string& name, const std::vector<uint32_t>& pixels, int32_t width,
                           int32_t height) {
    std::string folder = std::string(SKERROW_SOURCE_DIR) + "/tests/golden/";
    std::string reference = folder + name + ".png", candidate = folder + name + ".candidate.png";
    std::vector<uint32_t> expected;
    int32_t w = 0, h = 0;
    if (!png_read_rgb(reference, expected, w, h)) {
        png_write_rgb(candidate.c_str(), pixels.data(), width, height);
        return "no reference " + reference + "; wrote " + candidate + " for review";
    }
    if (w != width || h != height) return "size differs from " + reference;
    for (size_t i = 0; i < expected.size(); i++)
        if (expected[i] != pixels[i]) {
            png_write_rgb(candidate.c_str(), pixels.data(), width, height);
            return "pixel (" + std::to_string(i % size_t(w)) + ", " + std::to_string(i / size_t(w)) +
                   ") differs from " + reference + "; wrote " + candidate;
        }
    std::filesystem::remove(candidate);
    return "";
}
