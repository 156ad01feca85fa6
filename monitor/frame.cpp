// The fixed parts of the screen, drawn over the previous picture at every
// refresh: legend, scales, the plot area with its frame, grid and ticks, and the title.
#include "graphics/draw_circle.h"
#include "graphics/draw_line.h"
#include "graphics/palette.h"
#include "graphics/text_print.h"
#include "host/display.h"
#include "monitor/monitor.h"
#include "text/string_functions.h"

namespace {

const int32_t watch_colours[6] = {2, 12, 7, 13, 1, 4};
const int call_rows[6] = {26, 27, 28, 26, 27, 28};
const int call_columns[6] = {12, 12, 12, 25, 25, 25};
const int mark_x[6] = {78, 78, 78, 182, 182, 182};
const int mark_y[6] = {407, 423, 439, 407, 423, 439};
const char* const db_labels[10] = {"-30", "-25", "-20", "-15", "-10", "- 5", "  0", "+ 5", "+10", "+15"};
const int db_rows[10] = {22, 20, 18, 16, 14, 12, 10, 8, 6, 4};
const char* const level_labels[10] = {"S1", "S2", "S3", "S4", "S5", "S6", "S7", "S8", "S9", "MTR"};
const int level_rows[10] = {21, 19, 17, 14, 12, 9, 7, 5, 3, 23};

StringValue* text(const char* literal) { return string_from_cstring(literal); }

void line(float x1, float y1, float x2, float y2, uint32_t colour, int32_t box) {
    draw_line(x1, y1, x2, y2, colour, box, 0, line_first_passed | line_colour_passed);
}

void circle(double x, double y, double radius, uint32_t colour) {
    draw_circle(x, y, radius, colour, 0, 0, 0, circle_colour_passed);
}

}  // namespace

void print_at(int32_t row, int32_t column, StringValue* s) {
    locate_cursor(row, column, 0, 0, 0, locate_row_passed | locate_column_passed);
    print_fit(s);
    print_data(s, 0);
}

void foreground_set(int32_t colour) { colour_set(uint32_t(colour), 0, 0, colour_foreground_passed); }

bool meter_on() { return string_equal(monitor.setup.meter_flag, text("Y")) != 0; }

void frame_draw() {
    for (int i = 0; i < 6; i++) {
        monitor.watch_colour[i] = watch_colours[i];
        statement(158 + i);
    }
    bool meter = meter_on();
    statement(167);
    if (meter) {
        foreground_set(7);
        print_at(26, 38, text("S Meter"));
        statement(168);
    } else {
        print_at(26, 30, space_string(16));
        statement(170);
    }
    window_title_set(string_concat(string_concat(monitor.window_title, space_string(4)), monitor.setup.log_path));
    statement(174);
    for (int i = 0; i < 6; i++) {
        foreground_set(monitor.watch_colour[i]);
        print_at(call_rows[i], call_columns[i], monitor.setup.watch_call[i]);
        statement(176 + i);
    }
    foreground_set(15);
    statement(182);
    print_at(29, 12, text("Other:"));
    statement(183);
    if (meter_on()) circle(280, 407, 1, 7);
    statement(184);
    int line_number = 185;
    for (int i = 0; i < 6; i++)
        for (double r : {3.0, 2.0, 1.0}) {
            circle(mark_x[i], mark_y[i], r, uint32_t(monitor.watch_colour[i]));
            statement(line_number++);
        }
    draw_point(78, 455, 15, point_colour_passed);
    statement(205);
    print_at(29, 19, space_string(56));
    statement(206);

    const int32_t left = monitor.plot_left, width = monitor.plot_width, base = monitor.plot_base;
    line(float(left - 2), float(base + 20), float(left + width + 8), float(base - 321), 14, line_box_filled);
    statement(214);
    line(float(left - 2), float(base + 20), float(left + width + 8), float(base - 321), 8, line_box);
    statement(216);
    const int grid[5] = {1, 65, 129, 193, 257};
    for (int i = 0; i < 5; i++) {
        line(float(left - 5), float(base - grid[i]), float(left + width + 8), float(base - grid[i]), 7, line_plain);
        statement(217 + i);
    }
    for (int i = 0; i <= 24; i++) {
        statement(223);
        line(float(left + 24 * i), float(base + 21), float(left + 24 * i), float(base + 24), 8, line_plain);
        statement(224);
    }
    statement(225);
    line(float(left - 2), float(base + 120), float(left + width + 8), float(base + 50), 8, line_box);
    statement(228);
    foreground_set(15);
    statement(231);
    locate_cursor(24, 4, 0, 0, 0, locate_row_passed | locate_column_passed);
    statement(232);
    StringValue* hours = text("00    02    04    06    08    10    12    14    16    18    20    22     hrs");
    print_fit(hours);
    print_string(hours, 0);
    statement(233);
    for (int i = 0; i < 10; i++) {
        print_at(db_rows[i], 1, text(db_labels[i]));
        statement(234 + i);
    }
    print_at(3, 1, text(" dB"));
    statement(244);
    print_at(23, 1, text("SNR"));
    statement(245);
    foreground_set(7);
    statement(247);
    meter = meter_on();
    statement(248);
    for (int i = 0; i < 10; i++) {
        print_at(level_rows[i], 78, meter ? text(level_labels[i]) : space_string(3));
        statement(meter ? (i < 9 ? 251 + i : 260) : 262 + i);
    }
    foreground_set(15);
    statement(273);
}
