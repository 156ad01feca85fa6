// The screen modes' default palettes: the 256-colour default, the 64 EGA
// colours, and each mode's start-up palette taken from them.
#include <cstring>

#include "graphics/image_surface.h"

uint32_t default_palette_256[256];
uint32_t ega_palette_64[64];

namespace {

// The standard 256-colour default: 16 colours, a grey ramp, then 9 x 24 hue
// rings (three saturations at three intensities), then black.
struct DefaultPalettes {
    DefaultPalettes() {
        static const uint32_t first16[16] = {0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA,
                                             0xAA5500, 0xAAAAAA, 0x555555, 0x5555FF, 0x55FF55, 0x55FFFF,
                                             0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
        static const uint8_t greys[16] = {0, 5, 8, 11, 14, 17, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63};
        for (int i = 0; i < 16; i++) default_palette_256[i] = first16[i];
        for (int i = 0; i < 16; i++) default_palette_256[16 + i] = six_to_eight(greys[i], greys[i], greys[i]);
        // Each ring walks the hue circle in 24 steps over a ramp of five levels.
        static const uint8_t ramps[9][5] = {{0, 16, 31, 47, 63},  {31, 39, 47, 55, 63},
                                            {45, 49, 54, 58, 63}, {0, 7, 14, 21, 28},
                                            {14, 17, 21, 24, 28}, {20, 22, 24, 26, 28},
                                            {0, 4, 8, 12, 16},    {8, 10, 12, 14, 16},
                                            {11, 12, 13, 15, 16}};
        int n = 32;
        for (const auto& ramp : ramps) {
            uint8_t lo = ramp[0], hi = ramp[4];
            for (int k = 0; k < 24; k++) {
                int seg = k / 4, step = k % 4;
                uint8_t up = ramp[step], down = ramp[4 - step];
                uint8_t r, g, b;
                switch (seg) {
                    case 0: r = up, g = lo, b = hi; break;    // blue to magenta
                    case 1: r = hi, g = lo, b = down; break;  // magenta to red
                    case 2: r = hi, g = up, b = lo; break;    // red to yellow
                    case 3: r = down, g = hi, b = lo; break;  // yellow to green
                    case 4: r = lo, g = hi, b = up; break;    // green to cyan
                    default: r = lo, g = down, b = hi; break; // cyan to blue
                }
                default_palette_256[n++] = six_to_eight(r, g, b);
            }
        }
        for (; n < 256; n++) default_palette_256[n] = 0;
        for (uint32_t& e : default_palette_256) e |= 0xFF000000u;
        for (int i = 0; i < 64; i++) {
            uint32_t r = 0xAA * ((i >> 2) & 1) + 0x55 * ((i >> 5) & 1);
            uint32_t g = 0xAA * ((i >> 1) & 1) + 0x55 * ((i >> 4) & 1);
            uint32_t b = 0xAA * (i & 1) + 0x55 * ((i >> 3) & 1);
            ega_palette_64[i] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    }
    static uint32_t six_to_eight(uint8_t r, uint8_t g, uint8_t b) {
        auto c = [](uint32_t v) { return 4 * v + v / 16; };
        return c(r) << 16 | c(g) << 8 | c(b);
    }
};
const DefaultPalettes default_palettes;

}  // namespace

void palette_reset(ImageSurface* s) {
    uint32_t* p = s->palette;
    if (p == nullptr) return;
    switch (s->compatible_mode) {
        case 0: case 7: case 8: case 12: std::memcpy(p, default_palette_256, 64); break;
        case 13: case 256: std::memcpy(p, default_palette_256, 1024); break;
        case 2: case 11: p[0] = 0x00000000; p[1] = 0x00FFFFFF; break;
        case 1:
            p[0] = default_palette_256[0];
            p[1] = default_palette_256[3];
            p[2] = default_palette_256[5];
            p[3] = default_palette_256[7];
            break;
        case 9: {
            static const int ega_slots[16] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};
            for (int i = 0; i < 16; i++) p[i] = ega_palette_64[ega_slots[i]];
            break;
        }
        case 10: p[4] = 0; p[5] = 4; p[6] = 6; p[7] = 8; break;
        default: break;
    }
}
