// The text cursor and printing on the destination image.
#pragma once

#include <cstdint>

#include "text/string_value.h"

constexpr int locate_row_passed = 1, locate_column_passed = 2, locate_visible_passed = 4,
              locate_start_passed = 8, locate_stop_passed = 16;
void locate_cursor(int32_t row, int32_t column, int32_t cursor_visible, int32_t start_line,
                   int32_t stop_line, int passed);

// Moves to a new line first when `text` would not fit on the rest of the line.
void print_fit(const StringValue* text);
// Prints text at the cursor; newline 1 ends with a new line.
void print_string(StringValue* text, int32_t newline);
// print_string for text whose bytes are data (read from a file): no byte acts
// on the screen, bytes 7, 10-13 and 28-31 print as their glyphs; only the tab
// still moves to the next tab stop. Wrapping and scrolling are as for print_string.
void print_data(StringValue* text, int32_t newline);
void text_newline();
void glyph_draw(uint8_t character);
void print_zone_advance();
int32_t text_width_measure(const StringValue* text);

void font_set(int32_t font, int32_t image, int passed);
int32_t font_load(StringValue* file, int32_t height, StringValue* options, int passed);

// Control bytes (7, 9-13, 28-31) act; switched off, every byte is a glyph.
extern bool print_control_characters;
