#include "graphics/palette.h"

#include "errors/runtime_error.h"
#include "graphics/image_surface.h"

uint32_t colour_component_8bit(uint32_t c) { return 4 * c + c / 16; }

namespace {

// A packed 6-bit value (red bits 0-5, green 8-13, blue 16-21) as a palette entry, alpha 0.
uint32_t packed_to_entry(uint32_t packed) {
    return colour_component_8bit(packed & 63) << 16 | colour_component_8bit((packed >> 8) & 63) << 8 |
           colour_component_8bit((packed >> 16) & 63);
}

bool is_packed(int64_t colour) { return (colour & ~int64_t(0x3F3F3F)) == 0; }

}  // namespace

void palette_set(int32_t attribute, int64_t colour, int passed) {
    if (error_pending.load()) return;
    ImageSurface* d = image_destination();
    if (d == nullptr) return;
    if (passed == 0) {
        palette_reset(d);
        return;
    }
    if (d->bytes_per_pixel == 4 || d->palette == nullptr) {
        runtime_error(error_illegal_function_call);
        return;
    }
    uint32_t a = uint32_t(attribute) & 255;
    uint32_t entry;
    auto in = [](int64_t v, int64_t hi) { return v >= 0 && v <= hi; };
    bool ok;
    switch (d->compatible_mode) {
        case 13: case 256: ok = is_packed(colour); entry = packed_to_entry(uint32_t(colour)); break;
        case 12: ok = a <= 15 && is_packed(colour); entry = packed_to_entry(uint32_t(colour)); break;
        case 11: ok = a <= 1 && is_packed(colour); entry = packed_to_entry(uint32_t(colour)); break;
        case 10:
            ok = a <= 3 && in(colour, 8);
            entry = uint32_t(colour);
            a += 4;
            break;
        case 9: case 0: ok = a <= 15 && in(colour, 63); entry = ok ? ega_palette_64[colour] : 0; break;
        case 7: case 8: case 1: ok = a <= 15 && in(colour, 15); entry = ok ? default_palette_256[colour] : 0; break;
        case 2: ok = a <= 1 && in(colour, 15); entry = ok ? default_palette_256[colour] : 0; break;
        default: ok = false; entry = 0; break;
    }
    if (!ok) {
        runtime_error(error_illegal_function_call);
        return;
    }
    d->palette[a] = entry;
}

void colour_set(uint32_t foreground, uint32_t background, uint32_t border, int passed) {
    (void)border;
    if (error_pending.load()) return;
    ImageSurface* d = image_destination();
    if (d == nullptr || passed == 0) return;
    bool fg = passed & colour_foreground_passed, bg = passed & colour_background_passed;
    if (passed & colour_border_passed) {
        runtime_error(error_illegal_function_call);
        return;
    }
    uint32_t fg_max, bg_max;
    switch (d->compatible_mode) {
        case 32: fg_max = bg_max = 0xFFFFFFFFu; break;
        case 13: case 256: fg_max = bg_max = 255; break;
        case 12: case 7: case 8: fg_max = bg_max = 15; break;
        case 11: fg_max = bg_max = 1; break;
        case 10: fg_max = 3, bg_max = 8; break;
        case 9: fg_max = 15, bg_max = 63; break;
        case 2: fg_max = 1, bg_max = 15; break;
        case 1: fg_max = 15, bg_max = 0xFFFFFFFFu; break;
        case 0: fg_max = 31, bg_max = 15; break;
        default: runtime_error(error_illegal_function_call); return;
    }
    if ((fg && foreground > fg_max) || (bg && background > bg_max)) {
        runtime_error(error_illegal_function_call);
        return;
    }
    uint32_t* p = d->palette;
    if (d->compatible_mode == 1) {
        if (fg) p[0] = default_palette_256[foreground];
        if (bg) {
            bool odd = background & 1;
            p[1] = default_palette_256[odd ? 3 : 2];
            p[2] = default_palette_256[odd ? 5 : 4];
            p[3] = default_palette_256[odd ? 7 : 6];
        }
        return;
    }
    if (fg) d->foreground = foreground;
    if (!bg) return;
    switch (d->compatible_mode) {
        case 10: p[4] = background; break;
        case 9: p[0] = ega_palette_64[background]; break;
        case 7: case 8: case 2: p[0] = default_palette_256[background]; break;
        case 0: d->background = background & 7; break;
        default: d->background = background; break;
    }
}
