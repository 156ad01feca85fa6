// The monitor's fixed frame, drawn through the runtime, against a picture
// painted here straight from the frame's geometry, the circle pixel sets and
// the font bitmaps, and against the reviewed golden PNG.
#include <cstring>

#include "graphics/draw_circle.h"
#include "graphics/draw_line.h"
#include "graphics/fonts.h"
#include "graphics/palette.h"
#include "graphics/png_writer.h"
#include "graphics/text_print.h"
#include "tests/graphics/graphics_fixture.h"
#include "tests/support/golden.h"

namespace {

// ---- The frame through the runtime ------------------------------------------------

void print_at(int row, int column, StringValue* s) {
    locate_cursor(row, column, 0, 0, 0, locate_row_passed | locate_column_passed);
    print_fit(s);
    print_string(s, 0);
}
void foreground(uint32_t c) { colour_set(c, 0, 0, colour_foreground_passed); }
void line(float x1, float y1, float x2, float y2, uint32_t c, int32_t box) {
    draw_line(x1, y1, x2, y2, c, box, 0, line_first_passed | line_colour_passed);
}
void circle(double x, double y, double r, uint32_t c) { draw_circle(x, y, r, c, 0, 0, 0, circle_colour_passed); }

const char* const calls[6] = {"W1AW", "K1JT", "G4ABC", "VK2XYZ", "JA1NRH", "DL1ABC"};
const int call_colours[6] = {2, 12, 7, 13, 1, 4};
const int call_rows[6] = {26, 27, 28, 26, 27, 28};
const int call_columns[6] = {12, 12, 12, 25, 25, 25};
const int mark_x[6] = {78, 78, 78, 182, 182, 182};
const int mark_y[6] = {407, 423, 439, 407, 423, 439};
const char* const hours = "00    02    04    06    08    10    12    14    16    18    20    22     hrs";
const char* const db_labels[10] = {"-30", "-25", "-20", "-15", "-10", "- 5", "  0", "+ 5", "+10", "+15"};
const int db_rows[10] = {22, 20, 18, 16, 14, 12, 10, 8, 6, 4};
const char* const s_labels[10] = {"S1", "S2", "S3", "S4", "S5", "S6", "S7", "S8", "S9", "MTR"};
const int s_rows[10] = {21, 19, 17, 14, 12, 9, 7, 5, 3, 23};

void frame_through_runtime() {
    palette_set(0, 3358271, 1);
    palette_set(14, 4144959, 1);
    palette_set(15, 0, 1);
    foreground(7);
    print_at(26, 38, string_from_cstring("S Meter"));
    for (int i = 0; i < 6; i++) {
        foreground(uint32_t(call_colours[i]));
        print_at(call_rows[i], call_columns[i], string_from_cstring(calls[i]));
    }
    foreground(15);
    print_at(29, 12, string_from_cstring("Other:"));
    circle(280, 407, 1, 7);
    for (int i = 0; i < 6; i++)
        for (double r : {3.0, 2.0, 1.0}) circle(mark_x[i], mark_y[i], r, uint32_t(call_colours[i]));
    draw_point(78, 455, 15, point_colour_passed);
    const std::string blanks(56, ' ');
    print_at(29, 19, string_from_text(blanks.data(), int32_t(blanks.size())));
    line(30, 365, 612, 24, 14, line_box_filled);
    line(30, 365, 612, 24, 8, line_box);
    for (int y : {344, 280, 216, 152, 88}) line(27, float(y), 612, float(y), 7, line_plain);
    for (int i = 0; i <= 24; i++) line(float(32 + 24 * i), 366, float(32 + 24 * i), 369, 8, line_plain);
    line(30, 465, 612, 395, 8, line_box);
    foreground(15);
    print_at(24, 4, string_from_cstring(hours));
    for (int i = 0; i < 10; i++) print_at(db_rows[i], 1, string_from_cstring(db_labels[i]));
    print_at(3, 1, string_from_cstring(" dB"));
    print_at(23, 1, string_from_cstring("SNR"));
    foreground(7);
    for (int i = 0; i < 10; i++) print_at(s_rows[i], 78, string_from_cstring(s_labels[i]));
    foreground(15);
}

// ---- The same frame painted directly ------------------------------------------------

struct Canvas {
    uint8_t px[480][640] = {};
    void set(int x, int y, int c) { px[y][x] = uint8_t(c); }
    void fill(int x1, int y1, int x2, int y2, int c) {
        for (int y = y1; y <= y2; y++)
            for (int x = x1; x <= x2; x++) set(x, y, c);
    }
    void outline(int x1, int y1, int x2, int y2, int c) {
        fill(x1, y1, x2, y1, c), fill(x1, y2, x2, y2, c), fill(x1, y1, x1, y2, c), fill(x2, y1, x2, y2, c);
    }
    // Text row r, column k: an 8 x 16 cell, set bits in fg, the rest in background 0.
    void text(int r, int k, const std::string& s, int fg) {
        for (size_t i = 0; i < s.size(); i++)
            for (int y = 0; y < 16; y++)
                for (int x = 0; x < 8; x++) {
                    bool bit = (vga_font_8x16_bits[uint8_t(s[i]) * 16 + y] >> (7 - x)) & 1;
                    set((k - 1 + int(i)) * 8 + x, (r - 1) * 16 + y, bit ? fg : 0);
                }
    }
    // The pixel sets of radius 1, 2 and 3 around (cx, cy).
    void ring(int cx, int cy, int r, int c) {
        if (r == 1) {
            for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) set(cx + dx, cy + dy, c);
            return;
        }
        for (int i = -1; i <= 1; i++)
            set(cx - r, cy + i, c), set(cx + r, cy + i, c), set(cx + i, cy - r, c), set(cx + i, cy + r, c);
        if (r == 3)
            for (auto [dx, dy] : {std::pair{-2, -2}, {2, -2}, {-2, 2}, {2, 2}}) set(cx + dx, cy + dy, c);
    }
};

void frame_painted(Canvas& c) {
    c.text(26, 38, "S Meter", 7);
    for (int i = 0; i < 6; i++) c.text(call_rows[i], call_columns[i], calls[i], call_colours[i]);
    c.text(29, 12, "Other:", 15);
    c.ring(280, 407, 1, 7);
    for (int i = 0; i < 6; i++)
        for (int r : {3, 2, 1}) c.ring(mark_x[i], mark_y[i], r, call_colours[i]);
    c.set(78, 455, 15);
    c.text(29, 19, std::string(56, ' '), 15);
    c.fill(30, 24, 612, 365, 14);
    c.outline(30, 24, 612, 365, 8);
    for (int y : {344, 280, 216, 152, 88}) c.fill(27, y, 612, y, 7);
    for (int i = 0; i <= 24; i++) c.fill(32 + 24 * i, 366, 32 + 24 * i, 369, 8);
    c.outline(30, 395, 612, 465, 8);
    c.text(24, 4, hours, 15);
    for (int i = 0; i < 10; i++) c.text(db_rows[i], 1, db_labels[i], 15);
    c.text(3, 1, " dB", 15);
    c.text(23, 1, "SNR", 15);
    for (int i = 0; i < 10; i++) c.text(s_rows[i], 78, s_labels[i], 7);
}

using FrameGoldenTest = ScreenTest;

TEST_F(FrameGoldenTest, TheMonitorsFrameIsExact) {
    frame_through_runtime();
    ASSERT_EQ(errors(), std::vector<int>{});
    static Canvas expected;
    frame_painted(expected);
    int differences = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            if (at(x, y) != expected.px[y][x] && differences++ < 10)
                ADD_FAILURE() << "(" << x << ", " << y << "): " << at(x, y) << " instead of " << int(expected.px[y][x]);
    EXPECT_EQ(differences, 0);

    std::vector<uint32_t> rgb(640 * 480);
    image_expand_rgb(screen(), rgb.data());
    EXPECT_EQ(rgb[0], 0xFFFFFBCFu) << "the cream background";
    EXPECT_EQ(golden_compare("graphics/frame", rgb, 640, 480), "");
}

}  // namespace
