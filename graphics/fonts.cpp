#include "graphics/fonts.h"

namespace {

constexpr FontInfo font_8 = {8, 8, font_option_monospace};
constexpr FontInfo font_14 = {8, 14, font_option_monospace};
constexpr FontInfo font_16 = {8, 16, font_option_monospace};
constexpr FontInfo font_9 = {16, 8, font_option_monospace};
constexpr FontInfo font_15 = {16, 14, font_option_monospace};
constexpr FontInfo font_17 = {16, 16, font_option_monospace};

// Expanded glyphs: 64 bytes per 8x8 glyph, 128 per 8x16 glyph.
struct ExpandedFonts {
    uint8_t font8[256 * 64];
    uint8_t font16[256 * 128];
    constexpr ExpandedFonts() : font8(), font16() {}
};

const ExpandedFonts& expanded() {
    static const ExpandedFonts fonts = [] {
        ExpandedFonts f;
        for (int i = 0; i < 256 * 8; i++)
            for (int b = 0; b < 8; b++) f.font8[i * 8 + b] = (vga_font_8x8_bits[i] >> (7 - b)) & 1 ? 255 : 0;
        for (int i = 0; i < 256 * 16; i++)
            for (int b = 0; b < 8; b++) f.font16[i * 8 + b] = (vga_font_8x16_bits[i] >> (7 - b)) & 1 ? 255 : 0;
        return f;
    }();
    return fonts;
}

}  // namespace

const FontInfo* font_info(int32_t handle) {
    switch (handle) {
        case 8: return &font_8;
        case 14: return &font_14;
        case 16: return &font_16;
        case 9: return &font_9;
        case 15: return &font_15;
        case 17: return &font_17;
        default: return nullptr;
    }
}

int32_t font_width(int32_t handle) {
    const FontInfo* f = font_info(handle);
    return f ? f->width : 8;
}

int32_t font_height(int32_t handle) {
    const FontInfo* f = font_info(handle);
    return f ? f->height : 16;
}

const uint8_t* font_glyph(int32_t handle, uint8_t c) {
    switch (handle) {
        case 8:
        case 9: return expanded().font8 + c * 64;
        case 14:
        case 15: return expanded().font16 + c * 128 + 8;
        case 16:
        case 17: return expanded().font16 + c * 128;
        default: return nullptr;
    }
}
