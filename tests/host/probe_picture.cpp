#include "tests/host/probe_picture.h"

#include "graphics/draw_circle.h"
#include "graphics/draw_line.h"
#include "graphics/palette.h"
#include "graphics/text_print.h"

void probe_picture() {
    palette_set(0, 0x333E3F, 1);
    palette_set(9, 0x10203F, 1);
    for (int c = 0; c < 16; c++)
        draw_line(float(40 * c), 0, float(40 * c + 39), 99, uint32_t(c), line_box_filled, 0, line_first_passed | line_colour_passed);
    for (int x = 0; x < 640; x += 16) draw_line(float(x), 100, float(x), 479, 8, line_plain, 0, line_first_passed | line_colour_passed);
    for (int r = 1; r < 60; r += 7) draw_circle(320, 300, r, uint32_t(r % 15 + 1), 0, 0, 0, circle_colour_passed);
    locate_cursor(28, 3, 0, 0, 0, locate_row_passed | locate_column_passed);
    print_string(string_from_cstring("Skerrow display test: every pixel counts."), 0);
}
