#include "graphics/image_surface.h"

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "errors/runtime_error.h"
#include "graphics/fonts.h"
#include "graphics/text_cells.h"

std::atomic<int> display_pause{0};
std::atomic<bool> frame_builder_attached{false};
std::atomic<int> display_frame_stale{0};

namespace {

constexpr int32_t chunk_slots = 4096;
constexpr int32_t first_handle_slot = 2;  // slot 1 stays empty: handle -1 means "no image"

struct ModeInfo {
    int32_t mode, width, height, bits, font, foreground;
};

constexpr ModeInfo modes[] = {
    {0, 80, 25, 16, 16, 7},   {1, 320, 200, 2, 8, 3},    {2, 640, 200, 1, 8, 1},
    {7, 320, 200, 4, 8, 15},  {8, 640, 200, 4, 8, 15},   {9, 640, 350, 4, 14, 15},
    {10, 640, 350, 2, 14, 3}, {11, 640, 480, 1, 16, 1},  {12, 640, 480, 4, 16, 15},
    {13, 320, 200, 8, 8, 15}, {32, 0, 0, 32, 16, -1},    {256, 0, 0, 8, 16, 15},
};

const ModeInfo* mode_info(int32_t mode) {
    for (const ModeInfo& m : modes)
        if (m.mode == mode) return &m;
    return nullptr;
}

// The image table: chunks of slots that never move once made.
ImageSurface** chunks = nullptr;
int32_t chunk_count = 0;
int32_t slot_count = first_handle_slot;  // slots handed out so far (the next new one)
int32_t* free_slots = nullptr;
int32_t free_count = 0, free_capacity = 0;

// Screen pages: page number -> slot.
int32_t* pages = nullptr;
int32_t page_count = 0, page_capacity = 0;
int32_t page0_by_handle = 0;  // slot of an image made page 0 by its handle, else 0

int32_t dest_slot = 0, source_slot = 0;
std::atomic<int32_t> display_slot{0};
// The display image itself, for the frame builder: the chunk list may grow
// (and move) while it reads, the records never move.
std::atomic<ImageSurface*> display_surface{nullptr};
int32_t dest_page = 0, source_page = 0;
int32_t active_page = 0;
int32_t mode_changes = 0;  // screens made by screen_mode_set so far

uint8_t mode13_buffer[320 * 200];

ImageSurface* slot(int32_t n) {
    if (n <= 0 || n >= slot_count) return nullptr;
    return &chunks[n / chunk_slots][n % chunk_slots];
}

int32_t slot_take() {
    if (free_count > 0) return free_slots[--free_count];
    if (slot_count >= chunk_count * chunk_slots) {
        auto* grown = static_cast<ImageSurface**>(std::realloc(chunks, sizeof(ImageSurface*) * size_t(chunk_count + 1)));
        ImageSurface* chunk = grown ? static_cast<ImageSurface*>(std::calloc(chunk_slots, sizeof(ImageSurface))) : nullptr;
        if (grown) chunks = grown;
        if (chunk == nullptr) {
            runtime_error(error_out_of_memory_image_slots);
            return 0;
        }
        chunks[chunk_count++] = chunk;
    }
    return slot_count++;
}

void slot_release(int32_t n) {
    ImageSurface* s = slot(n);
    text_cells_release(s);
    if (s->flags & image_owns_pixels) std::free(s->pixels);
    if (s->flags & image_owns_palette) std::free(s->palette);
    std::memset(s, 0, sizeof *s);
    if (free_count == free_capacity) {
        int32_t grown = free_capacity + 4096;
        auto* f = static_cast<int32_t*>(std::realloc(free_slots, sizeof(int32_t) * size_t(grown)));
        if (f == nullptr) {
            runtime_error(error_out_of_memory_free_image_slots);
            return;
        }
        free_slots = f;
        free_capacity = grown;
    }
    free_slots[free_count++] = n;
}

// Slot of a handle (negative) or page number; 0 when there is none.
int32_t slot_of(int32_t handle_or_page) {
    if (handle_or_page < 0) {
        ImageSurface* s = slot(-handle_or_page);
        return s && s->in_use ? -handle_or_page : 0;
    }
    return handle_or_page < page_count ? pages[handle_or_page] : 0;
}

bool pages_reserve(int32_t n) {
    if (n <= page_capacity) return true;
    auto* p = static_cast<int32_t*>(std::realloc(pages, sizeof(int32_t) * size_t(n)));
    if (p == nullptr) {
        runtime_error(error_out_of_memory);
        return false;
    }
    pages = p;
    page_capacity = n;
    return true;
}

// Waits until the frame builder has finished any build it was in and builds
// no more: only then may the screen be freed.
void wait_display_pause() {
    display_pause.store(1);
    while (frame_builder_attached.load() && display_pause.load() != 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void release_display_pause() {
    display_frame_stale.store(1);
    display_pause.store(0);
}

void display_select(int32_t n) {
    display_slot.store(n);
    display_surface.store(slot(n));
}

void set_default_colours(ImageSurface* s) {
    const ModeInfo* m = mode_info(s->compatible_mode);
    s->foreground = uint32_t(m ? m->foreground : 15);
    s->background = s->compatible_mode == 32 ? 0xFF000000u : 0;
    s->draw_colour = s->foreground;
}

// A page made on demand: page 0's mode, size and font, sharing page 0's palette.
int32_t page_make(int32_t page) {
    if (page < page_count && pages[page] != 0) return pages[page];
    ImageSurface* zero = slot(pages[0]);
    int32_t n = image_create_raw(nullptr, zero->width, zero->height, zero->compatible_mode);
    if (n == 0) return 0;
    ImageSurface* s = slot(n);
    if (s->flags & image_owns_palette) std::free(s->palette);
    s->palette = zero->palette;
    s->flags = (s->flags & ~image_owns_palette) | image_is_page;
    s->font = zero->font;
    int32_t rows = image_text_rows(s);
    s->text_bottom_row = uint16_t(rows > 1 ? rows - 1 : 1);
    if (!pages_reserve(page + 1)) return 0;
    for (int32_t i = page_count; i <= page; i++) pages[i] = 0;
    if (page >= page_count) page_count = page + 1;
    pages[page] = n;
    return n;
}

void view_reset(ImageSurface* s) {
    s->view_x1 = 0;
    s->view_y1 = 0;
    s->view_x2 = s->width - 1;
    s->view_y2 = s->height - 1;
    s->window_scale_x = s->window_scale_y = 1;
    s->view_corner_x1 = 0;
    s->view_corner_y1 = 0;
    s->view_corner_x2 = float(s->width - 1);
    s->view_corner_y2 = float(s->height - 1);
}

}  // namespace

ImageSurface* image_get(int32_t handle_or_page) { return slot(slot_of(handle_or_page)); }
ImageSurface* image_destination() { return slot(dest_slot); }
ImageSurface* image_source() { return slot(source_slot); }
ImageSurface* image_display() { return display_surface.load(); }

// The built-in fonts' sizes by a shift, the rest by a division.
int32_t image_text_rows(const ImageSurface* s) {
    if (s->is_text) return s->height;
    int32_t h = font_height(s->font);
    return h == 16 ? s->height / 16 : h == 8 ? s->height / 8 : s->height / h;
}

int32_t image_text_columns(const ImageSurface* s) {
    if (s->is_text) return s->width;
    int32_t w = font_width(s->font);
    return w == 8 ? s->width / 8 : w > 0 ? s->width / w : s->width;
}

int32_t image_create_raw(uint8_t* pixels, int32_t width, int32_t height, int32_t mode) {
    const ModeInfo* m = mode_info(mode);
    if (width < 1 || height < 1 || m == nullptr || width > 65535 || height > 65535) return 0;
    int32_t n = slot_take();
    if (n == 0) return 0;
    ImageSurface* s = slot(n);
    std::memset(s, 0, sizeof *s);
    s->in_use = 1;
    s->width = uint16_t(width);
    s->height = uint16_t(height);
    s->bytes_per_pixel = 1;
    s->font = 16;
    s->foreground = 15;
    s->compatible_mode = uint16_t(mode);
    s->print_mode = 3;
    s->draw_angle = 0;
    s->draw_scale = 1.0;
    s->bits_per_pixel = uint8_t(m->bits);
    s->font = m->font;
    s->foreground = uint32_t(m->foreground);
    s->background = mode == 32 ? 0xFF000000u : 0;
    if (mode == 0) {
        s->bytes_per_pixel = 2;
        s->is_text = 1;
        s->cursor_visible = 0;
        s->cursor_start_line = 4;
        s->cursor_stop_line = 4;
    }
    if (mode == 32) s->bytes_per_pixel = 4;
    s->draw_colour = s->foreground;
    s->transparent_colour = 0xFFFFFFFFu;
    if (mode != 32) {
        s->palette = static_cast<uint32_t*>(std::calloc(256, sizeof(uint32_t)));
        if (s->palette == nullptr) {
            slot_release(n);
            return 0;
        }
        s->flags |= image_owns_palette;
        palette_reset(s);
    }
    s->colour_mask = s->bits_per_pixel > 31 ? 0xFFFFFFFFu : (1u << s->bits_per_pixel) - 1;
    s->cursor_column = 1;
    s->cursor_row = 1;
    s->text_top_row = 1;
    int32_t rows = image_text_rows(s);
    s->text_bottom_row = uint16_t(rows - 1 >= 1 ? rows - 1 : 1);
    if (!s->is_text) {
        s->graphics_x = float(width / 2);
        s->graphics_y = float(height / 2);
        view_reset(s);
    }
    if (pixels == nullptr) {
        size_t bytes = size_t(width) * size_t(height) * s->bytes_per_pixel;
        pixels = static_cast<uint8_t*>(s->is_text ? std::malloc(bytes) : std::calloc(bytes, 1));
        if (pixels == nullptr) {
            slot_release(n);
            return 0;
        }
        if (s->is_text)
            for (size_t i = 0; i < bytes; i += 2) pixels[i] = 32, pixels[i + 1] = 7;
        s->flags |= image_owns_pixels;
    }
    s->pixels = pixels;
    return n;
}

int32_t image_create(int32_t width, int32_t height, int32_t mode, int passed) {
    if (error_pending.load()) return 0;
    if (width < 1 || height < 1 || ((passed & 1) && mode_info(mode) == nullptr)) {
        runtime_error(error_illegal_function_call);
        return 0;
    }
    ImageSurface* d = image_destination();
    int32_t n = image_create_raw(nullptr, width, height, (passed & 1) ? mode : d->compatible_mode);
    if (n == 0) return -1;
    if (!(passed & 1)) {
        ImageSurface* s = slot(n);
        if (s->palette && d->palette) std::memcpy(s->palette, d->palette, 1024);
        s->font = d->font;
        s->foreground = d->foreground;
        s->background = d->background;
        s->draw_colour = d->draw_colour;
        s->transparent_colour = d->transparent_colour;
        s->blend_off = d->blend_off;
        s->print_mode = d->print_mode;
        int32_t rows = image_text_rows(s);
        s->text_bottom_row = uint16_t(rows - 1 >= 1 ? rows - 1 : 1);
    }
    return -n;
}

int32_t image_copy(int32_t handle_or_page) {
    if (error_pending.load()) return 0;
    ImageSurface* from = image_get(handle_or_page);
    if (from == nullptr) {
        runtime_error(error_invalid_handle);
        return 0;
    }
    int32_t n = slot_take();
    if (n == 0) return -1;
    ImageSurface* s = slot(n);
    from = image_get(handle_or_page);
    *s = *from;
    s->text_cells = nullptr;
    size_t bytes = size_t(from->width) * from->height * from->bytes_per_pixel;
    s->pixels = static_cast<uint8_t*>(std::malloc(bytes));
    s->palette = from->palette ? static_cast<uint32_t*>(std::malloc(1024)) : nullptr;
    if (s->pixels == nullptr || (from->palette && s->palette == nullptr)) {
        std::free(s->pixels);
        std::free(s->palette);
        std::memset(s, 0, sizeof *s);
        free_slots[free_count++] = n;
        return -1;
    }
    std::memcpy(s->pixels, from->pixels, bytes);
    if (from->palette) std::memcpy(s->palette, from->palette, 1024);
    s->flags = image_owns_pixels | (from->palette ? image_owns_palette : 0);
    s->lock_link = nullptr;
    return -n;
}

void image_free(int32_t handle, int passed) {
    if (error_pending.load()) return;
    int32_t n = (passed & 1) ? -handle : dest_slot;
    if ((passed & 1) && handle >= 0) {
        runtime_error(error_illegal_function_call);
        return;
    }
    ImageSurface* s = slot(n);
    if (s == nullptr || !s->in_use) {
        runtime_error(error_invalid_handle);
        return;
    }
    if (s->flags & image_is_page) {
        runtime_error(error_illegal_function_call);
        return;
    }
    slot_release(n);
    if (dest_slot == n) dest_slot = display_slot.load();
    if (source_slot == n) source_slot = display_slot.load();
}

void image_free_all() {
    for (int32_t n = 2; n < slot_count; n++) {
        ImageSurface* s = slot(n);
        if (s->in_use && !(s->flags & image_is_page)) slot_release(n);
    }
}

namespace {

// The slot of a handle, or of a page made on demand; 0 (after error 258) when there is none.
int32_t slot_for_selection(int32_t handle_or_page) {
    int32_t n = handle_or_page >= 0 ? page_make(handle_or_page) : slot_of(handle_or_page);
    if (n == 0) runtime_error(error_invalid_handle);
    return n;
}

}  // namespace

void dest_image_set(int32_t handle_or_page) {
    if (error_pending.load()) return;
    int32_t n = slot_for_selection(handle_or_page);
    if (n == 0) return;
    dest_slot = n;
    dest_page = handle_or_page;
}

void source_image_set(int32_t handle_or_page) {
    if (error_pending.load()) return;
    int32_t n = slot_for_selection(handle_or_page);
    if (n == 0) return;
    source_slot = n;
    source_page = handle_or_page;
}

int32_t dest_image_get() { return -dest_slot; }
int32_t source_image_get() { return -source_slot; }
int32_t display_image_get() { return -display_slot.load(); }

void page_copy(int32_t from, int32_t to) {
    if (error_pending.load()) return;
    ImageSurface* a = image_get(from);
    ImageSurface* b = image_get(to);
    if (a == nullptr || b == nullptr) {
        runtime_error(error_illegal_function_call);
        return;
    }
    if (a == b) return;
    if (a->bytes_per_pixel != b->bytes_per_pixel || a->width != b->width || a->height != b->height ||
        (a->bytes_per_pixel == 1 && b->colour_mask < a->colour_mask)) {
        runtime_error(error_illegal_function_call);
        return;
    }
    text_cells_touch(b, 0, 0, b->width - 1, b->height - 1);
    std::memcpy(b->pixels, a->pixels, size_t(a->width) * a->height * a->bytes_per_pixel);
}

void screen_mode_set(int32_t mode, int32_t, int32_t active, int32_t visual, int32_t, int passed) {
    if (error_pending.load()) return;
    bool mode_given = passed & screen_mode_passed;
    bool active_given = passed & screen_active_page_passed;
    bool visual_given = passed & screen_visual_page_passed;
    if (mode_given && mode >= 0 && (mode_info(mode) == nullptr || mode > 13)) {
        runtime_error(error_illegal_function_call);
        return;
    }
    if (mode_given && mode < 0 && (slot(-mode) == nullptr || !slot(-mode)->in_use)) {
        runtime_error(error_invalid_handle);
        return;
    }
    if ((active_given && active < 0) || (visual_given && visual < 0)) {
        runtime_error(error_illegal_function_call);
        return;
    }
    ImageSurface* old0 = page_count > 0 ? slot(pages[0]) : nullptr;
    bool change = mode_given && (old0 == nullptr || mode < 0 || old0->compatible_mode != mode ||
                                 (page0_by_handle != 0 && pages[0] == page0_by_handle));
    if (change) {
        wait_display_pause();
        int32_t old_columns = old0 ? image_text_columns(old0) : 80;
        int32_t old_rows = old0 ? image_text_rows(old0) : 25;
        for (int32_t i = 0; i < page_count; i++) {
            int32_t n = pages[i];
            if (n == 0) continue;
            if (n == page0_by_handle) {
                slot(n)->flags &= ~image_is_page;
                continue;
            }
            ImageSurface* s = slot(n);
            if (s->palette == (old0 ? old0->palette : nullptr) && n != (old0 ? pages[0] : 0))
                s->flags &= ~image_owns_palette;
            slot_release(n);
        }
        page0_by_handle = 0;
        page_count = 0;
        pages_reserve(8);
        int32_t n = 0;
        if (mode < 0) {
            n = -mode;
            page0_by_handle = n;
        } else if (mode == 0) {
            int32_t cols = 80, rows = 25;
            if (old_columns == 40 && (old_rows == 50 || old_rows == 43 || old_rows == 25)) cols = 40, rows = old_rows;
            else if (old_columns == 80 && (old_rows == 50 || old_rows == 43)) rows = old_rows;
            n = image_create_raw(nullptr, cols, rows, 0);
        } else if (mode == 13) {
            std::memset(mode13_buffer, 0, sizeof mode13_buffer);
            n = image_create_raw(mode13_buffer, 320, 200, 13);
        } else {
            const ModeInfo* m = mode_info(mode);
            n = image_create_raw(nullptr, m->width, m->height, mode);
            ImageSurface* s = slot(n);
            if (s && old_columns == 80 &&
                (((mode == 9 || mode == 10) && old_rows == 43) || ((mode == 11 || mode == 12) && old_rows == 60))) {
                s->font = 8;
                int32_t rows = image_text_rows(s);
                s->text_bottom_row = uint16_t(rows - 1);
            }
        }
        ImageSurface* s = slot(n);
        if (s == nullptr) {
            release_display_pause();
            runtime_error(error_out_of_memory);
            return;
        }
        s->flags |= image_is_page;
        s->draw_angle = 0;
        s->draw_scale = 1.0;
        pages[0] = n;
        page_count = 1;
        dest_slot = source_slot = n;
        dest_page = source_page = 0;
        display_select(n);
        active_page = 0;
        mode_changes++;
        release_display_pause();
    }
    if (active_given) {
        int32_t n = page_make(active);
        if (n == 0) return;
        if (dest_slot != n || source_slot != n) {
            ImageSurface* previous = slot(dest_slot);
            ImageSurface* s = slot(n);
            dest_slot = source_slot = n;
            dest_page = source_page = active;
            set_default_colours(s);
            int32_t rows = image_text_rows(s);
            s->text_top_row = 1;
            s->text_bottom_row = uint16_t(rows - 1 >= 1 ? rows - 1 : 1);
            if (s->cursor_row > rows) s->cursor_row = 1;
            if (active != active_page && !s->is_text && previous != nullptr && previous != s)
                std::memcpy(&s->view_x1, &previous->view_x1,
                            offsetof(ImageSurface, draw_scale) + sizeof(double) - offsetof(ImageSurface, view_x1));
        }
        active_page = active;
    }
    if (visual_given || active_given) {
        int32_t v = visual_given ? visual : active;
        int32_t n = page_make(v);
        if (n != 0) display_select(n);
    }
}

void screen_clear(int32_t method, uint32_t colour, int passed) {
    if (error_pending.load()) return;
    ImageSurface* s = image_destination();
    if (s == nullptr) return;
    if (!(passed & clear_colour_passed)) colour = s->background;
    else if (s->bytes_per_pixel != 4 && colour > s->colour_mask) {
        runtime_error(error_illegal_function_call);
        return;
    }
    bool method_given = passed & clear_method_passed;
    if (method_given && (method < 0 || method > 2)) {
        runtime_error(error_illegal_function_call);
        return;
    }
    s->cursor_column = 1;
    s->cursor_row = s->text_top_row;
    s->pending_newline = 0;
    s->draw_angle = 0;
    s->draw_scale = 1.0;
    int32_t fh = s->is_text ? 1 : font_height(s->font);
    auto fill_rows = [&](int32_t y1, int32_t y2, int32_t x1, int32_t x2) {
        if (y1 < 0) y1 = 0;
        if (x1 < 0) x1 = 0;
        if (y2 >= s->height) y2 = s->height - 1;
        if (x2 >= s->width) x2 = s->width - 1;
        if (!s->is_text) text_cells_touch(s, x1, y1, x2, y2);
        for (int32_t y = y1; y <= y2; y++) {
            uint8_t* row = s->pixels + (size_t(y) * s->width + size_t(x1)) * s->bytes_per_pixel;
            int32_t n = x2 - x1 + 1;
            if (n <= 0) continue;
            if (s->is_text) {
                uint8_t attribute = uint8_t(((colour & 7) << 4) | (s->foreground & 15));
                for (int32_t i = 0; i < n; i++) row[2 * i] = 32, row[2 * i + 1] = attribute;
            } else if (s->bytes_per_pixel == 4) {
                for (int32_t i = 0; i < n; i++) std::memcpy(row + 4 * i, &colour, 4);
            } else {
                std::memset(row, int(colour & s->colour_mask), size_t(n));
            }
        }
    };
    if (method_given && method == 2) {
        fill_rows((s->text_top_row - 1) * fh, s->text_bottom_row * fh - 1, 0, s->width - 1);
        return;
    }
    if (s->is_text) {
        if (!method_given) {
            fill_rows(s->text_top_row - 1, s->text_bottom_row - 1, 0, s->width - 1);
            fill_rows(s->height - 1, s->height - 1, 0, s->width - 1);
        } else if (method == 0) {
            fill_rows(0, s->height - 1, 0, s->width - 1);
        }
    } else if ((!method_given && s->coordinate_mapping == 0) || (method_given && method == 0)) {
        fill_rows(0, s->height - 1, 0, s->width - 1);
    } else if (!method_given) {
        fill_rows(int32_t(s->view_corner_y1), int32_t(s->view_corner_y2), int32_t(s->view_corner_x1),
                  int32_t(s->view_corner_x2));
    } else {
        fill_rows(s->view_y1, s->view_y2, s->view_x1, s->view_x2);
    }
    if (!s->is_text) {
        s->graphics_x = float((s->view_x2 - s->view_x1 + 1) / 2);
        s->graphics_y = float((s->view_y2 - s->view_y1 + 1) / 2);
    }
}

int32_t screen_page_count() { return page_count; }

void screen_text_rows_widen() {
    ImageSurface* old = page_count == 1 ? slot(pages[0]) : nullptr;
    if (mode_changes != 1 || old == nullptr || !old->is_text || old->height >= 50 || page0_by_handle != 0) return;
    wait_display_pause();
    int32_t n = image_create_raw(nullptr, 80, 50, 0);
    if (n == 0) {
        release_display_pause();
        runtime_error(error_out_of_memory);
        return;
    }
    old = slot(pages[0]);
    ImageSurface* s = slot(n);
    int32_t columns = old->width < 80 ? old->width : 80;
    for (int32_t row = 0; row < old->height; row++)
        std::memcpy(s->pixels + size_t(row) * 160, old->pixels + size_t(row) * old->width * 2, size_t(columns) * 2);
    std::memcpy(s->palette, old->palette, 1024);
    s->foreground = old->foreground;
    s->background = old->background;
    s->draw_colour = old->draw_colour;
    s->cursor_row = old->cursor_row;
    s->cursor_column = old->cursor_column > 80 ? 80 : old->cursor_column;
    s->cursor_visible = old->cursor_visible;
    s->cursor_start_line = old->cursor_start_line;
    s->cursor_stop_line = old->cursor_stop_line;
    s->text_bottom_row = 49;
    s->flags |= image_is_page;
    int32_t was = pages[0];
    slot_release(was);
    pages[0] = n;
    if (dest_slot == was) dest_slot = n;
    if (source_slot == was) source_slot = n;
    display_select(n);
    release_display_pause();
}
