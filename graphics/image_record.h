// The raster image record: what every image and screen page is. Its
// operations are in graphics/image_surface.h; what other modules keep per
// image (graphics/text_cells.h) needs the record alone.
#pragma once

#include <cstdint>

struct TextCells;

struct ImageSurface {
    void* lock_link;               // access-lock record of the image, or null
    uint32_t lock_words[2];        // nonzero: the lock record is released with the image
    uint8_t in_use;                // the table slot holds an image
    uint8_t is_text;               // text-mode image: pixels are (character, attribute) cells
    uint8_t is_console;            // printing goes to standard output instead
    uint16_t width, height;        // pixels (text images: character cells)
    uint8_t bytes_per_pixel;       // 1 palette, 2 text cells, 4 direct colour
    uint8_t bits_per_pixel;        // colour depth: 1, 2, 4, 8, 16 (text) or 32
    uint32_t colour_mask;          // (1 << bits_per_pixel) - 1; all ones above 31 bits
    uint16_t compatible_mode;      // screen mode the image follows
    uint32_t foreground;           // text and default drawing colour
    uint32_t background;           // text background and clearing colour
    uint32_t draw_colour;          // colour last used by a drawing operation
    int32_t font;                  // font handle: 8, 14, 16 built in (9, 15, 17 double width)
    uint16_t text_top_row, text_bottom_row;  // print region, 1-based
    uint16_t cursor_column, cursor_row;      // text cursor, 1-based
    uint8_t cursor_visible, cursor_start_line, cursor_stop_line;  // text-mode cursor shape
    uint8_t* pixels;               // row-major, width x height x bytes_per_pixel bytes
    uint32_t flags;                // image_owns_palette | image_is_page | image_owns_pixels
    uint32_t* palette;             // 256 entries 0xAARRGGBB; null for 32-bit images
    uint32_t transparent_colour;   // 0xFFFFFFFF = none
    uint8_t blend_off;             // 32-bit images: 1 store colours unchanged, 0 blend by alpha
    uint8_t pending_newline;       // 1 last print filled the last column; 2 kept over a bare locate
    uint8_t print_mode;            // 1 keep background, 2 background only, 3 fill background
    // Graphics state block (copied between pages):
    int32_t view_x1, view_y1, view_x2, view_y2;  // view port in pixels, inclusive
    int32_t view_offset_x, view_offset_y;        // added when coordinate_mapping is not 0
    float graphics_x, graphics_y;                // graphics cursor, program coordinates
    uint8_t coordinate_mapping;                  // 0 pixels, 1 view-relative, 2 window
    float window_scale_x, window_scale_y, window_offset_x, window_offset_y;
    float view_corner_x1, view_corner_y1, view_corner_x2, view_corner_y2;
    double draw_angle, draw_scale;               // turn and scale of the draw-string command
    TextCells* text_cells;         // what its text cells show (graphics/text_cells.h), or null
};

constexpr uint32_t image_owns_palette = 1;
constexpr uint32_t image_is_page = 2;
constexpr uint32_t image_owns_pixels = 4;
