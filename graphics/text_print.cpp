#include "graphics/text_print.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "errors/runtime_error.h"
#include "graphics/draw_line.h"
#include "graphics/fonts.h"
#include "graphics/image_surface.h"
#include "graphics/text_cells.h"

bool print_control_characters = true;

namespace {

int32_t rows_of(const ImageSurface* s) { return image_text_rows(s); }
int32_t columns_of(const ImageSurface* s) { return image_text_columns(s); }

// Attribute byte of a text cell: foreground bits 0-3, background x 16, foreground bit 4 as bit 7.
uint8_t cell_attribute(const ImageSurface* s) {
    return uint8_t((s->foreground & 15) | (s->background & 15) << 4 | (s->foreground & 16) << 3);
}

uint8_t* cell_at(ImageSurface* s, int32_t row, int32_t column) {
    return s->pixels + (size_t(row - 1) * s->width + size_t(column - 1)) * 2;
}

// Scrolls the print region up one text row and clears its bottom row.
void region_scroll(ImageSurface* s) {
    int32_t top = s->text_top_row, bottom = s->text_bottom_row;
    if (bottom > rows_of(s)) bottom = rows_of(s);
    if (bottom < top) return;
    if (s->is_text) {
        size_t row_bytes = size_t(s->width) * 2;
        if (bottom > top) std::memmove(cell_at(s, top, 1), cell_at(s, top + 1, 1), row_bytes * size_t(bottom - top));
        uint8_t attribute = cell_attribute(s);
        uint8_t* last = cell_at(s, bottom, 1);
        for (int32_t i = 0; i < s->width; i++) last[2 * i] = 32, last[2 * i + 1] = attribute;
        return;
    }
    int32_t gh = font_height(s->font);
    size_t row_bytes = size_t(s->width) * s->bytes_per_pixel;
    uint8_t* first = s->pixels + size_t(top - 1) * gh * row_bytes;
    text_cells_touch(s, 0, (top - 1) * gh, s->width - 1, bottom * gh - 1);
    if (bottom > top) std::memmove(first, first + size_t(gh) * row_bytes, size_t(bottom - top) * gh * row_bytes);
    uint8_t saved_blend = s->blend_off;
    s->blend_off = 1;
    rect_fill(s, 0, (bottom - 1) * gh, s->width - 1, bottom * gh - 1, s->background);
    s->blend_off = saved_blend;
}

// Prints one character at the cursor and advances; `more` tells whether
// anything follows that needs the wrap newline at once. True when it wrapped.
bool char_put(ImageSurface* s, uint8_t c, bool more) {
    glyph_draw(c);
    s->cursor_column++;
    if (s->cursor_column <= columns_of(s)) return false;
    if (more) {
        text_newline();
        return true;
    }
    s->cursor_column = uint16_t(columns_of(s));
    s->pending_newline = 1;
    return false;
}

// Prints n bytes as glyphs at the cursor, the cursor moving as char_put moves
// it; `more` tells whether anything follows them. On the fast path a row's
// worth goes to the text-cell record at once. True when the last one wrapped.
bool glyphs_put(ImageSurface* s, const uint8_t* bytes, int32_t n, bool more) {
    bool wrapped = false;
    int32_t columns = columns_of(s);
    while (n > 0) {
        int32_t room = columns - s->cursor_column + 1;
        int32_t k = n < room ? n : room;
        if (k <= 0 || !text_cells_put(s, s->cursor_row, s->cursor_column, bytes, k)) {
            for (int32_t i = 0; i < n; i++) wrapped = char_put(s, bytes[i], i + 1 < n || more);
            return wrapped;
        }
        bytes += k;
        n -= k;
        s->cursor_column = uint16_t(s->cursor_column + k);
        wrapped = false;
        if (s->cursor_column > columns) {
            if (n > 0 || more) {
                text_newline();
                wrapped = true;
            } else {
                s->cursor_column = uint16_t(columns);
                s->pending_newline = 1;
            }
        }
    }
    return wrapped;
}

void bell_pause() { std::this_thread::sleep_for(std::chrono::milliseconds(250)); }

// Cursor movement bytes 28-31.
void cursor_move(ImageSurface* s, uint8_t c) {
    int32_t last = columns_of(s), top = s->text_top_row, bottom = s->text_bottom_row;
    switch (c) {
        case 28:
            if (s->cursor_column < last) s->cursor_column++;
            else if (s->cursor_row < bottom) s->cursor_row++, s->cursor_column = 1;
            break;
        case 29:
            if (s->cursor_column > 1) s->cursor_column--;
            else if (s->cursor_row > top) s->cursor_row--, s->cursor_column = uint16_t(last);
            break;
        case 30:
            if (s->cursor_row > top) s->cursor_row--;
            break;
        default:
            if (s->cursor_row < bottom) s->cursor_row++;
            break;
    }
}

}  // namespace

// ---- Cursor ----------------------------------------------------------------------

void locate_cursor(int32_t row, int32_t column, int32_t cursor_visible, int32_t start_line, int32_t stop_line,
                   int passed) {
    if (error_pending.load()) return;
    ImageSurface* s = image_destination();
    if (s == nullptr) return;
    bool row_given = passed & locate_row_passed, column_given = passed & locate_column_passed;
    if (row_given && row >= 26 && row <= 50 && row > rows_of(s)) {
        screen_text_rows_widen();
        s = image_destination();
    }
    int32_t rows = rows_of(s);
    if (row_given && (row < s->text_top_row || (row > s->text_bottom_row && row != rows))) {
        runtime_error(error_illegal_function_call);
        return;
    }
    if ((column_given && (column < 1 || column > columns_of(s))) ||
        ((passed & locate_visible_passed) && (cursor_visible < 0 || cursor_visible > 1)) ||
        ((passed & locate_start_passed) && (start_line < 0 || start_line > 31)) ||
        ((passed & locate_stop_passed) && (stop_line < 0 || stop_line > 31))) {
        runtime_error(error_illegal_function_call);
        return;
    }
    if (row_given) s->cursor_row = uint16_t(row), s->pending_newline = 0;
    if (column_given) s->cursor_column = uint16_t(column), s->pending_newline = 0;
    if (!row_given && !column_given && s->pending_newline) s->pending_newline = 2;
    if (!(passed & (locate_visible_passed | locate_start_passed | locate_stop_passed))) return;
    auto shape = [&](ImageSurface* t) {
        if (passed & locate_visible_passed) t->cursor_visible = uint8_t(cursor_visible);
        if (passed & locate_start_passed) t->cursor_start_line = uint8_t(start_line);
        if (passed & locate_stop_passed) t->cursor_stop_line = uint8_t(stop_line);
    };
    shape(s);
    if (s->flags & image_is_page)
        for (int32_t page = 0; page < screen_page_count(); page++)
            if (ImageSurface* t = image_get(page)) shape(t);
}

// ---- Printing --------------------------------------------------------------------

void print_fit(const StringValue* text) {
    if (error_pending.load()) return;
    ImageSurface* s = image_destination();
    if (s == nullptr || s->is_console || s->pending_newline || s->cursor_column == 1) return;
    int64_t need;
    if (s->is_text) {
        need = int64_t(s->cursor_column) + text->length - 1;
    } else {
        int64_t glyph_width = font_width(s->font), width = int64_t(text->length) * glyph_width;
        need = int64_t(s->cursor_column - 1) * glyph_width + (width > INT32_MAX ? INT32_MAX : width);
    }
    if (s->width < need) text_newline();
}

namespace {

// Which control bytes act: all of them, only the tab (data), or none.
enum class Controls { act, tab_only, none };

void print_bytes(StringValue* text, int32_t newline, Controls controls) {
    if (error_pending.load()) return;
    ImageSurface* s = image_destination();
    if (s == nullptr) return;
    int32_t length = text ? text->length : 0;
    if (s->is_console) {
        if (length > 0) std::fwrite(text->data, 1, size_t(length), stdout);
        if (newline) std::fputc('\n', stdout);
        std::fflush(stdout);
        return;
    }
    if (s->pending_newline) {
        if (length > 0) {
            s->pending_newline = 0;
            text_newline();
        } else if (newline) {
            s->pending_newline = 0;
        }
    }
    if (!print_control_characters) controls = Controls::none;
    // Data without a tab is all glyphs: one run.
    if (controls == Controls::tab_only && (length <= 0 || !std::memchr(text->data, 9, size_t(length))))
        controls = Controls::none;
    if (controls == Controls::none) {
        if (!(length > 0 && glyphs_put(s, text->data, length, newline)) && newline) text_newline();
        return;
    }
    auto acts = [controls](uint8_t c) {
        if (controls == Controls::tab_only) return c == 9;
        return c == 7 || (c >= 9 && c <= 13) || (c >= 28 && c <= 31);
    };
    bool wrapped_last = false;  // the last byte already made the wrap newline
    for (int32_t i = 0; i < length;) {
        uint8_t c = text->data[i];
        if (!acts(c)) {
            int32_t j = i + 1;
            if (controls == Controls::tab_only) {
                const void* tab = std::memchr(text->data + j, 9, size_t(length - j));
                j = tab ? int32_t(static_cast<const uint8_t*>(tab) - text->data) : length;
            } else {
                while (j < length && !acts(text->data[j])) j++;
            }
            wrapped_last = glyphs_put(s, text->data + i, j - i, j < length || newline);
            i = j;
            continue;
        }
        bool more = ++i < length || newline;
        wrapped_last = false;
        switch (c) {
            case 7: bell_pause(); break;
            case 9: {
                // Spaces up to the next column after a multiple of 8.
                bool stop;
                do {
                    stop = s->cursor_column % 8 == 0;
                    wrapped_last = char_put(s, ' ', more);
                } while (!stop && !s->pending_newline);
                break;
            }
            case 10: case 13: text_newline(); break;
            case 11: s->cursor_row = s->text_top_row, s->cursor_column = 1; break;
            case 12:
                screen_clear(0, 0, 0);
                s->cursor_row = s->text_top_row, s->cursor_column = 1;
                break;
            default: cursor_move(s, c); break;
        }
    }
    if (newline && !wrapped_last) text_newline();
}

}  // namespace

void print_string(StringValue* text, int32_t newline) { print_bytes(text, newline, Controls::act); }

void print_data(StringValue* text, int32_t newline) { print_bytes(text, newline, Controls::tab_only); }

void text_newline() {
    if (error_pending.load()) return;
    ImageSurface* s = image_destination();
    if (s == nullptr || s->is_console) return;
    s->cursor_column = 1;
    if (s->cursor_row + 1 <= s->text_bottom_row) {
        s->cursor_row++;
        return;
    }
    region_scroll(s);
    s->cursor_row = s->text_bottom_row;
}

void glyph_draw(uint8_t character) {
    if (error_pending.load()) return;
    ImageSurface* s = image_destination();
    if (s == nullptr) return;
    if (s->is_text) {
        if (s->cursor_row > s->height || s->cursor_column > s->width) return;
        uint8_t* cell = cell_at(s, s->cursor_row, s->cursor_column);
        cell[0] = character;
        cell[1] = cell_attribute(s);
        return;
    }
    if (text_cells_put(s, s->cursor_row, s->cursor_column, &character, 1)) return;
    const uint8_t* glyph = font_glyph(s->font, character);
    if (glyph == nullptr) return;
    int32_t gw = font_width(s->font), gh = font_height(s->font);
    int32_t x0 = (s->cursor_column - 1) * gw, y0 = (s->cursor_row - 1) * gh;
    uint8_t doubled[16];
    for (int32_t y = 0; y < gh; y++) {
        const uint8_t* row = glyph + y * 8;
        if (gw == 16) {  // the double-width forms
            for (int x = 0; x < 16; x++) doubled[x] = row[x / 2];
            row = doubled;
        }
        pixel_span_write(s, x0, y0 + y, row, gw, s->foreground, s->background, s->print_mode);
    }
}

void print_zone_advance() {
    if (error_pending.load()) return;
    ImageSurface* s = image_destination();
    if (s == nullptr) return;
    if (s->pending_newline) {
        s->pending_newline = 0;
        text_newline();
    }
    int32_t last = columns_of(s);
    for (;;) {
        int32_t col = s->cursor_column;
        if (((col - 1) % 14 == 0 && col + 13 <= last) || col >= last) return;
        int32_t row = s->cursor_row;
        char_put(s, ' ', true);
        if (s->cursor_column == 1 && s->cursor_row != row) return;
    }
}

int32_t text_width_measure(const StringValue* text) {
    if (error_pending.load()) return 0;
    ImageSurface* s = image_destination();
    if (s == nullptr || text == nullptr) return 0;
    if (s->is_text) return text->length;
    int64_t w = int64_t(text->length) * font_width(s->font);
    return w > INT32_MAX ? INT32_MAX : int32_t(w);
}

// ---- Fonts -----------------------------------------------------------------------

void font_set(int32_t font, int32_t image, int passed) {
    if (error_pending.load()) return;
    ImageSurface* s = (passed & 2) ? image_get(image) : image_destination();
    const FontInfo* f = font_info(font);
    if (s == nullptr || f == nullptr) {
        runtime_error(error_invalid_handle);
        return;
    }
    if (s->is_text && !(f->options & font_option_monospace)) {
        runtime_error(error_illegal_function_call);
        return;
    }
    s->font = font;
    s->cursor_row = 1;
    s->cursor_column = 1;
    s->pending_newline = 0;
    s->text_top_row = 1;
    int32_t rows = rows_of(s);
    s->text_bottom_row = uint16_t(rows > 1 ? rows - 1 : 1);
}

int32_t font_load(StringValue* file, int32_t height, StringValue* options, int passed) {
    (void)file;
    if (error_pending.load()) return 0;
    if (height <= 0) {
        runtime_error(error_illegal_function_call);
        return 0;
    }
    if ((passed & 1) && options != nullptr) {
        static const char* const names[] = {"BOLD", "ITALIC", "UNDERLINE", "DONTBLEND", "MONOSPACE", "UNICODE"};
        int seen = 0;
        int32_t i = 0, n = options->length;
        while (i <= n) {
            int32_t j = i;
            while (j < n && options->data[j] != ',') j++;
            int32_t a = i, b = j;
            while (a < b && options->data[a] == ' ') a++;
            while (b > a && options->data[b - 1] == ' ') b--;
            int which = -1;
            for (int k = 0; k < 6 && b > a; k++) {
                size_t len = std::strlen(names[k]);
                if (size_t(b - a) != len) continue;
                bool same = true;
                for (size_t m = 0; m < len && same; m++) {
                    uint8_t ch = options->data[a + int32_t(m)];
                    if (ch >= 'a' && ch <= 'z') ch = uint8_t(ch - 32);
                    same = ch == uint8_t(names[k][m]);
                }
                if (same) which = k;
            }
            if (b > a || n > 0) {
                if (which < 0 || (seen & (1 << which))) {
                    runtime_error(error_illegal_function_call);
                    return 0;
                }
                seen |= 1 << which;
            }
            i = j + 1;
        }
    }
    return -1;  // no font rasteriser here: only the built-in fonts exist
}
