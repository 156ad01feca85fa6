// Circles, ellipses and arcs.
#pragma once

#include <cstdint>

constexpr int circle_relative = 1, circle_colour_passed = 2, circle_start_passed = 4,
              circle_end_passed = 8, circle_aspect_passed = 16;
void draw_circle(double x, double y, double radius, uint32_t colour, double start, double end,
                 double aspect, int passed);
