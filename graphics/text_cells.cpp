#include "graphics/text_cells.h"

#include <cstdlib>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>  // SSE2, with the SSE moves
#endif

#include "graphics/fonts.h"
#include "text/fast_path.h"

namespace {

// A glyph as the record holds it: character and colours as stored; never 0.
uint32_t cell_key(uint32_t character, uint32_t fg, uint32_t bg) { return 1u << 24 | bg << 16 | fg << 8 | character; }

bool font_recorded(int32_t font) { return font == 8 || font == 14 || font == 16; }

// The record of s for its present font, made (all cells unknown) when there
// is none or it was cut by another font; null when there is no memory for it.
TextCells* cells_of(ImageSurface* s) {
    TextCells* t = s->text_cells;
    if (t != nullptr && t->font == s->font) return t;
    if (t != nullptr) text_cells_release(s);
    int32_t rows = s->height / font_height(s->font), columns = s->width / 8;
    size_t cells = size_t(rows) * size_t(columns);
    void* block = std::calloc(1, sizeof(TextCells) + cells * sizeof(uint32_t));
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

// The painted glyphs of one pair of colours (in `base`, as text_cell_key
// holds them), started afresh when the font or the colours are others.
PaintedGlyphs& painted_in(const TextCells* t, uint32_t base) {
    uint32_t fg = (base >> 8) & 255, bg = (base >> 16) & 255;
    if (painted.glyphs != t->glyphs || painted.fg != fg || painted.bg != bg) [[unlikely]] {
        painted.glyphs = t->glyphs;
        painted.fg = fg;
        painted.bg = bg;
        std::memset(painted.made, 0, sizeof painted.made);
    }
    return painted;
}

// The first of the n cells from `shown` on that does not show the glyph of
// `bytes` in the colours of `base`, or n when all do. Where the target has
// SSE2, eight cells are compared at a time.
int32_t first_differing(const uint32_t* shown, const uint8_t* bytes, int32_t n, uint32_t base) {
    int32_t i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128(), colours = _mm_set1_epi32(int(base));
    for (; i + 8 <= n; i += 8) {
        __m128i characters = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + i)), zero);
        __m128i low = _mm_or_si128(_mm_unpacklo_epi16(characters, zero), colours);
        __m128i high = _mm_or_si128(_mm_unpackhi_epi16(characters, zero), colours);
        __m128i differ = _mm_or_si128(_mm_xor_si128(low, _mm_loadu_si128(reinterpret_cast<const __m128i*>(shown + i))),
                                      _mm_xor_si128(high, _mm_loadu_si128(reinterpret_cast<const __m128i*>(shown + i + 4))));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(differ, zero)) != 0xFFFF) break;
    }
#endif
    while (i < n && shown[i] == (base | bytes[i])) i++;
    return i;
}

// Draws into the n cells of row `row` from column `first` on (both counted
// from 0) the glyphs of `bytes` in the colours of `base` where a cell does not
// show that glyph already.
void cells_draw(ImageSurface* s, TextCells* t, int32_t row, int32_t first, int32_t n, uint32_t base,
                const uint8_t* bytes) {
    uint32_t* shown = t->shown + size_t(row) * size_t(t->columns) + size_t(first);
    PaintedGlyphs& glyphs = painted_in(t, base);
    uint8_t* out = s->pixels + size_t(row) * size_t(t->glyph_height) * size_t(s->width) + size_t(first) * 8;
    for (int32_t i = 0; i < n; i++) {
        uint32_t c = bytes[i];
        if (shown[i] == (base | c)) continue;
        if (!glyphs.made[c]) [[unlikely]] {
            glyph_rows_paint(s, t->glyphs + size_t(t->glyph_stride) * c, t->glyph_height, glyphs.fg, glyphs.bg,
                             glyphs.rows[c]);
            glyphs.made[c] = true;
        }
        glyph_rows_write(s, out + size_t(i) * 8, glyphs.rows[c], t->glyph_height);
        shown[i] = base | c;
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

void glyph_rows_write(ImageSurface* image, uint8_t* out, const uint64_t* painted, int32_t rows) {
    size_t width = size_t(image->width);
#ifdef __SSE2__
    if (rows == 16) {  // the 8 x 16 font, two rows a load (moved as floats: bits copied, nothing computed)
#pragma GCC unroll 8
        for (int32_t r = 0; r < 16; r += 2, out += 2 * width) {
            __m128 two = _mm_loadu_ps(reinterpret_cast<const float*>(painted + r));
            _mm_storel_pi(reinterpret_cast<__m64*>(out), two);
            _mm_storeh_pi(reinterpret_cast<__m64*>(out + width), two);
        }
        return;
    }
#endif
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
    int32_t first = column - 1;
    const uint32_t* shown = t->shown + size_t(row - 1) * size_t(t->columns) + size_t(first);
    // Cells that show these glyphs already need nothing.
    int32_t same = first_differing(shown, bytes, n, base);
    if (same < n) cells_draw(s, t, row - 1, first + same, n - same, base, bytes + same);
    return true;
}

// ---- Keeping it true ---------------------------------------------------------------

void text_cells_forget(ImageSurface* s, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    TextCells* t = s->text_cells;
    if (t == nullptr) return;
    if (x1 < 0) x1 = 0;
    if (y1 < 0) y1 = 0;
    if (x2 >= s->width) x2 = s->width - 1;
    if (y2 >= s->height) y2 = s->height - 1;
    if (x1 > x2 || y1 > y2) return;
    int32_t r1 = text_cells_row(t, y1), r2 = text_cells_row(t, y2);
    int32_t c1 = x1 / 8, c2 = x2 / 8;
    if (r2 >= t->rows) r2 = t->rows - 1;
    if (c2 >= t->columns) c2 = t->columns - 1;
    for (int32_t r = r1; r <= r2; r++)
        for (int32_t c = c1; c <= c2; c++) t->shown[size_t(r) * size_t(t->columns) + size_t(c)] = 0;
}

void text_cells_release(ImageSurface* s) {
    std::free(s->text_cells);
    s->text_cells = nullptr;
}
