// The picture the Win32 window probe shows, known to the probe and to the
// test that captures it: neighbouring pixels differ in red (across) and in
// green (down), so an offset, a flip or a scale shows at once.
#pragma once

#include <cstdint>

constexpr int probe_picture_width = 640, probe_picture_height = 480;

// 0x00RRGGBB of pixel (x, y).
constexpr uint32_t probe_picture_pixel(int x, int y) {
    return uint32_t((x * 7 + y) & 255) << 16 | uint32_t((y * 3 + (x >> 8)) & 255) << 8 | uint32_t((x ^ y) & 255);
}
