// Golden images: a picture compared pixel for pixel with a PNG kept in tests/golden/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads an 8-bit RGB or RGBA PNG as 0xFFRRGGBB words; false when it cannot.
bool png_read_rgb(const std::string& path, std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);

// Compares width x height pixels with tests/golden/<name>.png. A missing or
// different reference writes <name>.candidate.png beside it and returns a
// message; an equal one returns "".
std::string golden_compare(const std::string& name, const std::vector<uint32_t>& pixels, int32_t width,
                           int32_t height);

// Pixels inked by `text` in the built-in 8 x 16 font: what a row printed in
// one colour over another shows of the first.
size_t font_ink_pixels(const std::string& text);
