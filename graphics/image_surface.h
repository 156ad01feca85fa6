// Raster images, screen modes and the screen pages.
//
// Every drawing and printing operation works on an ImageSurface. The screen is
// one too: screen_mode_set() replaces page 0 by a new image of the mode's size
// and depth, which the display loop presents. Images are named by negative
// handles (-slot); screen pages by their page numbers 0, 1, ...
#pragma once

#include <atomic>
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

// ---- Palettes -------------------------------------------------------------------

extern uint32_t default_palette_256[256];  // alpha 0xFF
extern uint32_t ega_palette_64[64];        // alpha 0xFF
void palette_reset(ImageSurface* image);

// ---- Images ---------------------------------------------------------------------

// The image behind a handle (negative) or page number (0 up), or null.
ImageSurface* image_get(int32_t handle_or_page);
ImageSurface* image_destination();
ImageSurface* image_source();
ImageSurface* image_display();

int32_t image_create_raw(uint8_t* pixels, int32_t width, int32_t height, int32_t mode);  // 0 = none
int32_t image_create(int32_t width, int32_t height, int32_t mode, int passed);
int32_t image_copy(int32_t handle_or_page);
void image_free(int32_t handle, int passed);
void image_free_all();
void dest_image_set(int32_t handle_or_page);
void source_image_set(int32_t handle_or_page);
int32_t dest_image_get();
int32_t source_image_get();
int32_t display_image_get();
void page_copy(int32_t from, int32_t to);

// ---- Screen ---------------------------------------------------------------------

constexpr int screen_mode_passed = 1, screen_active_page_passed = 4, screen_visual_page_passed = 8;
void screen_mode_set(int32_t mode, int32_t ignored1, int32_t active_page, int32_t visual_page,
                     int32_t ignored2, int passed);
constexpr int clear_method_passed = 1, clear_colour_passed = 2;
void screen_clear(int32_t method, uint32_t colour, int passed);

// Number of screen pages (some may not be made yet: image_get() gives null).
int32_t screen_page_count();
// The start-up text screen, while it is still the only screen ever chosen,
// grows to 80 x 50 keeping its cells and colours; otherwise nothing.
void screen_text_rows_widen();

// Text grid of an image: rows and columns of character cells.
int32_t image_text_rows(const ImageSurface* image);
int32_t image_text_columns(const ImageSurface* image);

// ---- Hand-shake with the display loop -------------------------------------------
// A mode change asks the display loop to pause (1), waits for its
// acknowledgement (2) and releases it (0). Without a display loop attached
// nobody is waited for.

extern std::atomic<int> display_pause;
extern std::atomic<bool> display_attached;
extern std::atomic<int> display_frame_stale;
