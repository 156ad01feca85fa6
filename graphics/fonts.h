// The built-in bitmap fonts and the font table.
#pragma once

#include <cstdint>

// Packed glyph rows, 256 glyphs each (graphics/font_data.cpp).
extern const uint8_t vga_font_8x16_bits[256 * 16];
extern const uint8_t vga_font_8x8_bits[256 * 8];
static_assert(sizeof vga_font_8x16_bits == 256 * 16, "8x16 font: 256 glyphs of 16 rows");
static_assert(sizeof vga_font_8x8_bits == 256 * 8, "8x8 font: 256 glyphs of 8 rows");

struct FontInfo {
    int32_t width;    // glyph width in pixels; 0 = proportional
    int32_t height;   // glyph height in pixels
    int32_t options;  // 1 bold, 2 italic, 4 underline, 8 no blending, 16 monospace, 32 Unicode
};

constexpr int32_t font_option_monospace = 16;

// The table entry of a handle; null for a handle that is neither built in nor loaded.
const FontInfo* font_info(int32_t handle);
int32_t font_width(int32_t handle);
int32_t font_height(int32_t handle);

// Glyph c of a built-in handle expanded to one byte per pixel (0 clear, 255
// set), 8 bytes per row, top row first; the 14-row font is rows 1-14 of the
// 16-row one. Null for other handles.
const uint8_t* font_glyph(int32_t handle, uint8_t c);
