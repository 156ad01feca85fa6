#include "graphics/draw_circle.h"

void draw_circle(double, double, double, uint32_t, double, double, double, int) {}
