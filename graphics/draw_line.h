// Points, lines and boxes, and the pixel writers every drawing goes through.
#pragma once

#include <cstdint>

#include "graphics/image_surface.h"

// ---- Pixel writers ---------------------------------------------------------------

// One pixel of the destination, no clipping: colour AND colour_mask, or 32-bit blending.
void pixel_write(ImageSurface* image, int32_t x, int32_t y, uint32_t colour);
// The same when (x, y) lies inside the view port; else nothing.
void pixel_write_clipped(ImageSurface* image, int32_t x, int32_t y, uint32_t colour);
// A row of n pixels from (x, y) by a coverage mask (0 clear, 255 set): set
// pixels in `fg`, clear ones in `bg`; mode 1 writes only the set pixels, 2
// only the clear ones, 3 both. The same bounds rule as pixel_write.
void pixel_span_write(ImageSurface* image, int32_t x, int32_t y, const uint8_t* coverage, int32_t n, uint32_t fg,
                      uint32_t bg, int mode);
// Glyph rows painted: 8 pixels a row from 8 coverage bytes, set pixels in
// `fg` and clear ones in `bg`, each AND colour_mask as pixel_write stores it.
void glyph_rows_paint(const ImageSurface* image, const uint8_t* coverage, int32_t rows, uint32_t fg, uint32_t bg,
                      uint64_t* painted);
// Painted rows into an image of one byte per pixel, from (x, y) down; the
// block lies inside the image. The glyph writer of the text-cell record
// (graphics/text_cells.h), which keeps the record itself: every other writer
// here touches it.
void glyph_rows_write(ImageSurface* image, int32_t x, int32_t y, const uint64_t* painted, int32_t rows);
// Unclipped filled rectangle in pixels.
void rect_fill(ImageSurface* image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);

// ---- Coordinates -----------------------------------------------------------------

// Program coordinate to pixel by the image's coordinate mapping (halves to even).
int32_t map_x(const ImageSurface* image, float x);
int32_t map_y(const ImageSurface* image, float y);

// ---- Lines -----------------------------------------------------------------------

struct LineClip {
    bool visible;            // something of the line lies in the rectangle
    int32_t x1, y1, x2, y2;  // clipped end points
    int32_t cut;             // pixels cut from the start
};
LineClip line_clip(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t vx1, int32_t vy1, int32_t vx2,
                   int32_t vy2);
void line_draw_styled(ImageSurface* image, float x1, float y1, float x2, float y2, uint32_t colour,
                      uint32_t style);
void line_draw_plain(ImageSurface* image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
void box_fill(ImageSurface* image, float x1, float y1, float x2, float y2, uint32_t colour);

// ---- Drawing statements ---------------------------------------------------------

// The destination of a drawing statement: null while an error is pending, or
// (after error 5) when it is a text image.
ImageSurface* drawing_destination();

constexpr int point_relative = 1, point_colour_passed = 2;
void draw_point(float x, float y, uint32_t colour, int passed);

constexpr int line_first_passed = 1, line_second_relative = 2, line_first_relative = 4,
              line_colour_passed = 8, line_style_passed = 16;
constexpr int32_t line_plain = 0, line_box = 1, line_box_filled = 2;
void draw_line(float x1, float y1, float x2, float y2, uint32_t colour, int32_t box, uint32_t style,
               int passed);
