// What each text cell of an image shows (the fast path of printing).
//
// Per image, a record of the glyph each text cell provably shows: its
// character and its foreground and background as stored (after colour_mask,
// so palette changes do not matter). Printing the glyph a cell already shows
// draws nothing. Every other writer of pixels calls text_cells_touch() for
// what it is about to write, which forgets those cells; an image freed or
// copied takes no record along, and a font of another size starts it afresh;
// so the record only ever names pixels that are there. Only what a built-in font 8 pixels wide prints on an image of one
// byte per pixel in print mode 3 (glyph and background) is recorded; every
// other glyph is drawn by the pixel writers and so forgets its cell.
#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics/image_record.h"

struct TextCells {
    int32_t font;            // font handle the grid is cut by
    int32_t glyph_height;    // its glyph height in pixels
    int32_t row_shift;       // log2 of it when it is 8 or 16, else 0
    const uint8_t* glyphs;   // its glyph 0 (font_glyph); glyph c lies glyph_stride x c further
    int32_t glyph_stride;
    int32_t rows, columns;   // the grid
    uint32_t* shown;         // per cell, row by row: the glyph it shows (text_cell_key), 0 unknown
};

// The grid row of pixel row y.
inline int32_t text_cells_row(const TextCells* t, int32_t y) {
    return t->row_shift ? y >> t->row_shift : y / t->glyph_height;
}

// ---- Recording ---------------------------------------------------------------------

// True when glyphs printed on `image` now can go through text_cells_put().
bool text_cells_usable(const ImageSurface* image);
// Prints n bytes as glyphs in the image's colours from (row, column) on, all on
// that row (which the caller has checked they fit); false, with nothing
// done, when the image is not usable or the cells lie outside its grid.
bool text_cells_put(ImageSurface* image, int32_t row, int32_t column, const uint8_t* bytes, int32_t n);

// Glyph rows painted: 8 pixels a row from 8 coverage bytes, set pixels in
// `fg` and clear ones in `bg`, each AND colour_mask as pixel_write stores it.
void glyph_rows_paint(const ImageSurface* image, const uint8_t* coverage, int32_t rows, uint32_t fg, uint32_t bg,
                      uint64_t* painted);
// Painted rows into an image of one byte per pixel, from the pixel at `out`
// down; the block lies inside the image. The glyph writer of the record, which
// keeps the record itself: every other pixel writer touches it (graphics/draw_line.h).
void glyph_rows_write(ImageSurface* image, uint8_t* out, const uint64_t* painted, int32_t rows);

// ---- Keeping it true ---------------------------------------------------------------

void text_cells_forget(ImageSurface* image, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Before pixels (x1, y1)-(x2, y2) of `image` are written by anything but the
// record itself: forgets the cells.
inline void text_cells_touch(ImageSurface* image, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (image->text_cells != nullptr) text_cells_forget(image, x1, y1, x2, y2);
}
// The same for the one pixel (x, y), which lies inside the image.
inline void text_cells_touch_pixel(ImageSurface* image, int32_t x, int32_t y) {
    if (TextCells* t = image->text_cells) {
        int32_t row = text_cells_row(t, y), column = x / 8;
        if (row < t->rows && column < t->columns) t->shown[size_t(row) * size_t(t->columns) + size_t(column)] = 0;
    }
}
// The image's record goes (the image is freed, or its pixels are).
void text_cells_release(ImageSurface* image);
