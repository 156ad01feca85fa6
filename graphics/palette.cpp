#include "graphics/palette.h"

uint32_t colour_component_8bit(uint32_t c) { return 4 * c + c / 16; }

void palette_set(int32_t, int64_t, int) {}
void colour_set(uint32_t, uint32_t, uint32_t, int) {}
