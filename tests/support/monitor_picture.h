// The monitor's picture as tests see it: in its window under Xvfb, and as the
// PNG that skerrow-snapshot writes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/golden.h"
#include "tests/support/gui_harness.h"

constexpr int monitor_menu_bar = 20;  // the menu bar above the screen

// The screen part of the monitor's window (below the menu bar) as 0x00RRGGBB;
// empty while the window has another size.
inline std::vector<uint32_t> monitor_screen(Display* display, Window window) {
    int w = 0, h = 0;
    std::vector<uint32_t> all = window_capture(display, window, w, h);
    // A capture that could not be taken is empty whatever the size says.
    if (w != 640 || h != 480 + monitor_menu_bar || all.size() != size_t(w) * size_t(h)) return {};
    return std::vector<uint32_t>(all.begin() + monitor_menu_bar * 640, all.end());
}

// The 640 x 480 PNG a snapshot wrote at `path`, as 0x00RRGGBB, and removes
// it; empty when there is none.
inline std::vector<uint32_t> snapshot_taken(const std::string& path) {
    std::vector<uint32_t> rgb;
    int32_t w = 0, h = 0;
    if (!png_read_rgb(path, rgb, w, h) || w != 640 || h != 480) rgb.clear();
    for (uint32_t& p : rgb) p &= 0xFFFFFF;
    std::remove(path.c_str());
    return rgb;
}

// Runs the shell command `command`, which writes the PNG `out`, and reads it
// as snapshot_taken() does; empty when the command failed.
inline std::vector<uint32_t> snapshot_picture(const std::string& command, const std::string& out) {
    if (std::system(command.c_str()) != 0) return {};
    return snapshot_taken(out);
}
