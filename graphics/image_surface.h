// Raster images, screen modes and the screen pages.
//
// Every drawing and printing operation works on an ImageSurface. The screen is
// one too: screen_mode_set() replaces page 0 by a new image of the mode's size
// and depth, which the display loop presents. Images are named by negative
// handles (-slot); screen pages by their page numbers 0, 1, ...
#pragma once

#include <atomic>
#include <cstdint>

#include "graphics/image_record.h"

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

// ---- Hand-shake with the frame builder -------------------------------------------
// A mode change asks the frame builder to pause (1) and waits until the builder
// itself acknowledges (2), which it does only between builds and after which it
// reads no screen until released (0). Without a frame builder attached nobody
// is waited for.

extern std::atomic<int> display_pause;
extern std::atomic<bool> frame_builder_attached;  // set before the frame builder starts
extern std::atomic<int> display_frame_stale;       // the next build may not reuse the last frame
