#include "graphics/draw_line.h"

void pixel_write(ImageSurface*, int32_t, int32_t, uint32_t) {}
void pixel_write_clipped(ImageSurface*, int32_t, int32_t, uint32_t) {}
void rect_fill(ImageSurface*, int32_t, int32_t, int32_t, int32_t, uint32_t) {}
void draw_point(float, float, uint32_t, int) {}
void draw_line(float, float, float, float, uint32_t, int32_t, uint32_t, int) {}
