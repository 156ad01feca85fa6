#include "graphics/text_print.h"

#include "graphics/fonts.h"
#include "tests/graphics/graphics_fixture.h"

namespace {

class TextPrintTest : public ScreenTest {
protected:
    static void locate(int row, int column) { locate_cursor(row, column, 0, 0, 0, locate_row_passed | locate_column_passed); }
    static void print(StringValue* s, int newline = 0) {
        print_fit(s);
        print_string(s, newline);
    }
    static int row() { return screen()->cursor_row; }
    static int column() { return screen()->cursor_column; }
    // True when the 8 x 16 cell at (row, column) shows glyph c in colours fg on bg.
    static bool cell_shows(int r, int k, uint8_t c, int fg, int bg) {
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 8; x++) {
                bool set = (vga_font_8x16_bits[c * 16 + y] >> (7 - x)) & 1;
                if (at((k - 1) * 8 + x, (r - 1) * 16 + y) != (set ? fg : bg)) return false;
            }
        return true;
    }
};

TEST_F(TextPrintTest, LocateAcceptsTheGridAndTheLastRow) {
    locate_cursor(30, 1, 0, 0, 0, locate_row_passed);
    EXPECT_EQ(row(), 30);
    EXPECT_EQ(errors(), std::vector<int>{});
    locate_cursor(31, 1, 0, 0, 0, locate_row_passed);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    locate(29, 81);
    EXPECT_EQ(errors(), std::vector<int>{5});
    EXPECT_EQ(row(), 30) << "nothing changes when a check fails";
    reset_errors();
    locate(29, 80);
    EXPECT_EQ(row(), 29);
    EXPECT_EQ(column(), 80);
    locate_cursor(0, 0, 2, 0, 0, locate_visible_passed);
    EXPECT_EQ(errors(), std::vector<int>{5});
}

TEST_F(TextPrintTest, GlyphPaintsItsWholeCell) {
    const uint8_t rows_of_a[16] = {0x00, 0x00, 0x10, 0x38, 0x6C, 0xC6, 0xC6, 0xFE,
                                   0xC6, 0xC6, 0xC6, 0xC6, 0x00, 0x00, 0x00, 0x00};
    for (int y = 0; y < 16; y++) EXPECT_EQ(vga_font_8x16_bits['A' * 16 + y], rows_of_a[y]) << y;
    std::fill(screen()->pixels, screen()->pixels + 640 * 480, uint8_t(5));
    locate(3, 5);
    print(text("A"));
    EXPECT_TRUE(cell_shows(3, 5, 'A', 15, 0));
    EXPECT_EQ(painted(5).size(), 128u);
    EXPECT_EQ(column(), 6);
}

TEST_F(TextPrintTest, PrintModesKeepOrPaintTheBackground) {
    std::fill(screen()->pixels, screen()->pixels + 640 * 480, uint8_t(5));
    screen()->print_mode = 1;
    locate(1, 1);
    print(text("A"));
    EXPECT_EQ(painted(5).size(), 39u) << "only the set pixels";
    screen()->print_mode = 2;
    print(text("A"));
    EXPECT_EQ(painted(5).size(), 39u + 128u - 39u) << "only the clear pixels";
}

TEST_F(TextPrintTest, FitMovesToTheNextLineAndScrollsAtTheBottom) {
    ImageSurface* s = screen();
    for (int y = 0; y < 480; y++) std::fill(s->pixels + y * 640, s->pixels + y * 640 + 640, uint8_t(y / 16 % 15 + 1));
    std::vector<uint8_t> before(s->pixels, s->pixels + 640 * 480);
    locate(29, 75);
    print(text("0123456789"));
    EXPECT_EQ(row(), 29);
    EXPECT_EQ(column(), 11);
    for (int y = 0; y < 448; y++) EXPECT_EQ(at(100, y), before[size_t(y + 16) * 640 + 100]) << y;
    EXPECT_EQ(at(100, 460), 0) << "row 29 cleared to the background";
    EXPECT_TRUE(cell_shows(29, 1, '0', 15, 0));
    EXPECT_TRUE(cell_shows(29, 10, '9', 15, 0));
    for (int y = 464; y < 480; y++) EXPECT_EQ(at(3, y), before[size_t(y) * 640 + 3]) << "row 30 untouched";
}

TEST_F(TextPrintTest, EightyCharactersLeaveAPendingNewline) {
    const std::string line(80, 'x');
    locate(5, 1);
    print_string(text(line), 0);
    EXPECT_EQ(row(), 5);
    EXPECT_EQ(column(), 80);
    EXPECT_EQ(screen()->pending_newline, 1);
    locate_cursor(0, 0, 0, 0, 0, 0);
    EXPECT_EQ(screen()->pending_newline, 2) << "kept over a bare locate";
    print_string(text("y"), 0);
    EXPECT_EQ(row(), 6);
    EXPECT_TRUE(cell_shows(6, 1, 'y', 15, 0));
}

TEST_F(TextPrintTest, EightyCharactersWithNewlineMakeOneNewLine) {
    const std::string line(80, 'x');
    locate(5, 1);
    print_string(text(line), 1);
    EXPECT_EQ(row(), 6);
    EXPECT_EQ(column(), 1);
    EXPECT_EQ(screen()->pending_newline, 0);
    const std::string longer(85, 'z');
    print_string(text(longer), 0);
    EXPECT_EQ(row(), 7);
    EXPECT_EQ(column(), 6);
    EXPECT_TRUE(cell_shows(7, 5, 'z', 15, 0));
}

TEST_F(TextPrintTest, TabsStopAfterMultiplesOfEight) {
    locate(2, 1);
    print_string(text("\t"), 0);
    EXPECT_EQ(column(), 9);
    print_string(text("ab\t"), 0);
    EXPECT_EQ(column(), 17);
    locate(2, 8);
    print_string(text("\t"), 0);
    EXPECT_EQ(column(), 9);
}

TEST_F(TextPrintTest, ControlBytesMoveTheCursor) {
    locate(5, 80);
    print_string(text("\x1c"), 0);  // right past the last column
    EXPECT_EQ(row(), 6);
    EXPECT_EQ(column(), 1);
    print_string(text("\x1d"), 0);  // left before column 1
    EXPECT_EQ(row(), 5);
    EXPECT_EQ(column(), 80);
    print_string(text("\x1e\x1e\x1e\x1e\x1e"), 0);
    EXPECT_EQ(row(), 1) << "up stops at the top of the region";
    print_string(text("\x1d"), 0);
    print_string(text("\x0b"), 0);
    EXPECT_EQ(column(), 1);
    print_string(text("\x1d"), 0);
    EXPECT_EQ(column(), 1) << "nothing left of column 1 of the top row";
    locate(29, 1);
    print_string(text("\x1f"), 0);
    EXPECT_EQ(row(), 29) << "down stops at the bottom of the region";
    print_string(text("a\rb\nc"), 0);
    EXPECT_EQ(row(), 29) << "each line break scrolled";
    EXPECT_TRUE(cell_shows(27, 1, 'a', 15, 0));
    EXPECT_TRUE(cell_shows(28, 1, 'b', 15, 0));
    EXPECT_TRUE(cell_shows(29, 1, 'c', 15, 0));
    screen()->pixels[0] = 3;
    print_string(text("\x0c"), 0);
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(row(), 1);
    print_control_characters = false;
    print_string(text("\t"), 0);
    print_control_characters = true;
    EXPECT_EQ(column(), 2) << "a glyph when control characters are off";
}

TEST_F(TextPrintTest, DataPrintsControlBytesAsGlyphsAndKeepsTheTab) {
    const std::string data = "\a\n\v\f\r\x1c\x1d\x1e\x1f\t!";
    locate(5, 1);
    print_data(text(data), 0);
    for (int i = 0; i < 9; i++) EXPECT_TRUE(cell_shows(5, 1 + i, uint8_t(data[size_t(i)]), 15, 0)) << i;
    EXPECT_TRUE(cell_shows(5, 17, '!', 15, 0)) << "the tab ran to column 17";
    EXPECT_EQ(row(), 5);
    EXPECT_EQ(column(), 18);
}

TEST_F(TextPrintTest, PrintZonesAreFourteenColumnsWide) {
    locate(3, 1);
    print_string(text("ab"), 0);
    print_zone_advance();
    EXPECT_EQ(column(), 15);
    print_zone_advance();
    EXPECT_EQ(column(), 15);
    locate(3, 60);
    print_zone_advance();
    EXPECT_EQ(column(), 80) << "the zone at 71 leaves only 10 columns, so the spaces run to the last column";
}

TEST_F(TextPrintTest, WidthAndFonts) {
    EXPECT_EQ(text_width_measure(text("abc")), 24);
    font_set(8, 0, 1);
    EXPECT_EQ(image_text_rows(screen()), 60);
    EXPECT_EQ(screen()->text_bottom_row, 59);
    EXPECT_EQ(row(), 1);
    locate(3, 2);
    print(text("B"));
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            EXPECT_EQ(at(8 + x, 16 + y), (vga_font_8x8_bits['B' * 8 + y] >> (7 - x)) & 1 ? 15 : 0);
    font_set(12, 0, 1);
    EXPECT_EQ(errors(), std::vector<int>{258});
    reset_errors();
    font_set(16, 0, 1);
    EXPECT_EQ(font_load(text("any.ttf"), 16, text("bold, Monospace"), 1), -1);
    EXPECT_EQ(errors(), std::vector<int>{});
    font_load(text("any.ttf"), 16, text("BOLD,BOLD"), 1);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    font_load(text("any.ttf"), 16, text("SHINY"), 1);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    font_load(text("any.ttf"), 0, text(""), 0);
    EXPECT_EQ(errors(), std::vector<int>{5});
    reset_errors();
    EXPECT_EQ(font_load(text("any.ttf"), 4000, text(""), 0), -1);
}

TEST_F(TextPrintTest, TextScreensStoreCells) {
    screen_mode_set(0, 0, 0, 0, 0, screen_mode_passed);
    ImageSurface* s = screen();
    s->foreground = 0x1E;
    s->background = 1;
    locate(2, 3);
    print_string(text("Hi"), 0);
    EXPECT_EQ(s->pixels[(80 + 2) * 2], 'H');
    EXPECT_EQ(s->pixels[(80 + 2) * 2 + 1], 0x9E);
    EXPECT_EQ(s->pixels[(80 + 3) * 2], 'i');
    locate(24, 1);
    print_string(text("last"), 1);
    EXPECT_EQ(row(), 24);
    EXPECT_EQ(s->pixels[(22 * 80) * 2], 'l') << "the region scrolled by one row of cells";
    EXPECT_EQ(s->pixels[(23 * 80) * 2 + 1], 0x9E) << "the new row is blank in the current attribute";
}

TEST_F(TextPrintTest, PendingErrorsStopPrinting) {
    error_pending = 5;
    locate(3, 3);
    print_string(text("x"), 1);
    error_pending = 0;
    EXPECT_EQ(painted(), PixelSet{});
    EXPECT_EQ(row(), 1);
}

}  // namespace
