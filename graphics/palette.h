// Palette attributes and the colour choice of the destination image.
#pragma once

#include <cstdint>

// Redefines one palette attribute (passed 0: resets the mode's palette).
void palette_set(int32_t attribute, int64_t colour, int passed);

// Chooses foreground and background (bit 0 foreground, 1 background, 2 border given).
constexpr int colour_foreground_passed = 1, colour_background_passed = 2, colour_border_passed = 4;
void colour_set(uint32_t foreground, uint32_t background, uint32_t border, int passed);

// The 8-bit value of a 6-bit colour component: 4c + c / 16.
uint32_t colour_component_8bit(uint32_t six_bit);
