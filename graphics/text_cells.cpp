#include "graphics/text_cells.h"

#include <cstdlib>
#include <cstring>

#include "graphics/fonts.h"
#include "text/fast_path.h"

ImageSurface* text_cells_noted_image = nullptr;

namespace {

bool combining = false;

// A glyph as the record holds it: character and colours as stored; never 0.
uint32_t cell_key(uint32_t character, uint32_t fg, uint32_t bg) { return 1u << 24 | bg << 16 | fg << 8 | character; }

bool font_recorded(int32_t font) { return font == 8 || font == 14 || font == 16; }

// The record of s for its present font, made (all cells unknown) when there
// is none or it was cut by another font; null when there is no memory for it.
TextCells* cells_of(ImageSurface* s) {
    TextCells* t = s->text_cells;
    if (t != nullptr && t->font == s->font) return t;
    if (t != nullptr) {
        if (text_cells_noted_image == s) text_cells_settle();
        text_cells_release(s);
    }
    int32_t rows = s->height / font_height(s->font), columns = s->width / 8;
    size_t cells = size_t(rows) * size_t(columns);
    void* block = std::calloc(1, sizeof(TextCells) + cells * 2 * sizeof(uint32_t) + size_t(rows) * 2 * sizeof(int32_t));
    if (block == nullptr) return nullptr;
    t = static_cast<TextCells*>(block);
    t->font = s->font;
    t->glyph_height = font_height(s->font);
    t->row_shift = t->glyph_height == 8 ? 3 : t->glyph_height == 16 ? 4 : 0;
    t->glyphs = font_glyph(s->font, 0);
    t->glyph_stride = int32_t(font_glyph(s->font, 1) - t->glyphs);
    t->rows = rows;
    t->columns = columns;
    t->shown = reinterpret_cast<uint32_t*>(t + 1);
    t->noted = t->shown + cells;
    t->noted_first = reinterpret_cast<int32_t*>(t->noted + cells);
    t->noted_last = t->noted_first + rows;
    for (int32_t r = 0; r < rows; r++) t->noted_first[r] = columns, t->noted_last[r] = -1;
    t->noted_top = rows;
    t->noted_bottom = -1;
    s->text_cells = t;
    return t;
}

// Glyphs painted in one pair of colours as they are first drawn; a cell drawn
// again in those colours copies its rows from here.
struct PaintedGlyphs {
    const uint8_t* glyphs = nullptr;  // the font they are painted from
    uint32_t fg = 0, bg = 0;          // the colours, as stored
    bool made[256] = {};
    uint64_t rows[256][16];
};
PaintedGlyphs painted;

// The rows of the glyph `key` painted in its colours.
inline const uint64_t* painted_rows(const ImageSurface* s, const TextCells* t, uint32_t key) {
    uint32_t fg = (key >> 8) & 255, bg = (key >> 16) & 255, c = key & 255;
    if (painted.glyphs != t->glyphs || painted.fg != fg || painted.bg != bg) [[unlikely]] {
        painted.glyphs = t->glyphs;
        painted.fg = fg;
        painted.bg = bg;
        std::memset(painted.made, 0, sizeof painted.made);
    }
    if (!painted.made[c]) [[unlikely]] {
        glyph_rows_paint(s, t->glyphs + size_t(t->glyph_stride) * c, t->glyph_height, fg, bg, painted.rows[c]);
        painted.made[c] = true;
    }
    return painted.rows[c];
}

// Draws into the n cells of row `row` from column `first` on (both counted
// from 0) each glyph of `keys` that is not 0 and not the one the cell shows.
void cells_draw(ImageSurface* s, TextCells* t, int32_t row, int32_t first, int32_t n, const uint32_t* keys) {
    uint32_t* shown = t->shown + size_t(row) * size_t(t->columns);
    size_t width = s->width;
    uint8_t* origin = s->pixels + size_t(row) * size_t(t->glyph_height) * width;
    for (int32_t i = first; i < first + n; i++) {
        uint32_t key = keys[i - first];
        if (key == 0 || key == shown[i]) continue;
        const uint64_t* rows = painted_rows(s, t, key);
        uint8_t* out = origin + size_t(i) * 8;
        if (t->glyph_height == 16) {
            for (int32_t r = 0; r < 16; r++) std::memcpy(out + size_t(r) * width, rows + r, 8);
        } else {
            glyph_rows_write(s, i * 8, row * t->glyph_height, rows, t->glyph_height);
        }
        shown[i] = key;
    }
}

}  // namespace

// ---- Recording ---------------------------------------------------------------------

void glyph_rows_paint(const ImageSurface* image, const uint8_t* coverage, int32_t rows, uint32_t fg, uint32_t bg,
                      uint64_t* painted) {
    uint64_t fg8 = uint64_t(fg & image->colour_mask) * 0x0101010101010101ull,
             bg8 = uint64_t(bg & image->colour_mask) * 0x0101010101010101ull;
    for (int32_t r = 0; r < rows; r++) {
        uint64_t set;
        std::memcpy(&set, coverage + 8 * r, 8);
        painted[r] = (set & fg8) | (~set & bg8);
    }
}

void glyph_rows_write(ImageSurface* image, int32_t x, int32_t y, const uint64_t* painted, int32_t rows) {
    uint8_t* out = image->pixels + size_t(y) * image->width + size_t(x);
    size_t width = image->width;
    if (rows == 16) {  // the 8 x 16 font, row by row without a count
        for (int32_t r = 0; r < 16; r++) std::memcpy(out + size_t(r) * width, painted + r, 8);
        return;
    }
    for (int32_t r = 0; r < rows; r++) std::memcpy(out + size_t(r) * width, painted + r, 8);
}

bool text_cells_usable(const ImageSurface* s) {
    return fast_path && !s->is_text && !s->is_console && s->bytes_per_pixel == 1 && s->print_mode == 3 &&
           font_recorded(s->font);
}

bool text_cells_put(ImageSurface* s, int32_t row, int32_t column, const uint8_t* bytes, int32_t n) {
    if (n <= 0 || !text_cells_usable(s)) return false;
    TextCells* t = cells_of(s);
    if (t == nullptr || row < 1 || column < 1 || row > t->rows || column - 1 + n > t->columns) return false;
    uint32_t base = cell_key(0, s->foreground & s->colour_mask, s->background & s->colour_mask);
    int32_t first = column - 1, last = column - 2 + n;
    size_t at = size_t(row - 1) * size_t(t->columns);
    uint32_t* shown = t->shown + at;
    int32_t& a = t->noted_first[row - 1];
    int32_t& b = t->noted_last[row - 1];
    // Cells that show these glyphs already and hold no note need nothing.
    if (last < a || first > b) {
        uint32_t differ = 0;
        for (int32_t i = 0; i < n; i++) differ |= shown[first + i] ^ (base | bytes[i]);
        if (differ == 0) return true;
    }
    if (!combining) {
        uint32_t keys[256];
        for (int32_t done = 0; done < n; done += 256) {
            int32_t k = n - done < 256 ? n - done : 256;
            for (int32_t i = 0; i < k; i++) keys[i] = base | bytes[done + i];
            cells_draw(s, t, row - 1, first + done, k, keys);
        }
        return true;
    }
    if (text_cells_noted_image != s) {
        text_cells_settle();
        text_cells_noted_image = s;
    }
    uint32_t* noted = t->noted + at;
    if (row - 1 < t->noted_top) t->noted_top = row - 1;
    if (row - 1 > t->noted_bottom) t->noted_bottom = row - 1;
    if (a > b) {
        a = first;
        b = last;
    } else {
        // Cells between the notes of a row and these stay as they are.
        for (int32_t i = last + 1; i < a; i++) noted[i] = shown[i];
        for (int32_t i = b + 1; i < first; i++) noted[i] = shown[i];
        if (first < a) a = first;
        if (last > b) b = last;
    }
    uint32_t* __restrict out = noted + first;
    for (int32_t i = 0; i < n; i++) out[i] = base | bytes[i];
    return true;
}

// ---- Keeping it true ---------------------------------------------------------------

void text_cells_forget(ImageSurface* s, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    text_cells_settle();
    TextCells* t = s->text_cells;
    if (t == nullptr) return;
    if (x1 < 0) x1 = 0;
    if (y1 < 0) y1 = 0;
    if (x2 >= s->width) x2 = s->width - 1;
    if (y2 >= s->height) y2 = s->height - 1;
    if (x1 > x2 || y1 > y2) return;
    int32_t gh = t->glyph_height;
    int32_t r1 = t->row_shift ? y1 >> t->row_shift : y1 / gh, r2 = t->row_shift ? y2 >> t->row_shift : y2 / gh;
    int32_t c1 = x1 / 8, c2 = x2 / 8;
    if (r2 >= t->rows) r2 = t->rows - 1;
    if (c2 >= t->columns) c2 = t->columns - 1;
    for (int32_t r = r1; r <= r2; r++)
        for (int32_t c = c1; c <= c2; c++) t->shown[size_t(r) * size_t(t->columns) + size_t(c)] = 0;
}

void text_cells_release(ImageSurface* s) {
    if (text_cells_noted_image == s) text_cells_noted_image = nullptr;
    std::free(s->text_cells);
    s->text_cells = nullptr;
}

// ---- Combining ---------------------------------------------------------------------

void text_combine_begin() { combining = true; }

void text_combine_end() {
    text_cells_settle();
    combining = false;
}

void text_cells_settle() {
    ImageSurface* s = text_cells_noted_image;
    if (s == nullptr) return;
    text_cells_noted_image = nullptr;
    TextCells* t = s->text_cells;
    if (t == nullptr) return;
    for (int32_t r = t->noted_top; r <= t->noted_bottom; r++) {
        int32_t a = t->noted_first[r], b = t->noted_last[r];
        if (a > b) continue;
        size_t at = size_t(r) * size_t(t->columns);
        uint32_t* noted = t->noted + at;
        uint32_t* shown = t->shown + at;
        if (std::memcmp(noted + a, shown + a, size_t(b - a + 1) * sizeof(uint32_t)) != 0)
            cells_draw(s, t, r, a, b - a + 1, noted + a);
        std::memset(noted + a, 0, size_t(b - a + 1) * sizeof(uint32_t));
        t->noted_first[r] = t->columns;
        t->noted_last[r] = -1;
    }
    t->noted_top = t->rows;
    t->noted_bottom = -1;
}
