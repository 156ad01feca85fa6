#include "tests/support/golden.h"

#include <cstdio>
#include <filesystem>

#include "graphics/fonts.h"
#include "graphics/png_writer.h"

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

size_t font_ink_pixels(const std::string& text) {
    size_t n = 0;
    for (char c : text)
        for (int y = 0; y < 16; y++) n += size_t(__builtin_popcount(vga_font_8x16_bits[uint8_t(c) * 16 + y]));
    return n;
}
