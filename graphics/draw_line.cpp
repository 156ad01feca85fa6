#include "graphics/draw_line.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "errors/runtime_error.h"
#include "graphics/text_cells.h"

// ---- Pixel writers ---------------------------------------------------------------

namespace {

// Alpha of a blended 32-bit pixel, by the old pixel's alpha, for a half-opaque new colour.
struct HalfAlpha {
    uint8_t table[256];
    HalfAlpha() {
        for (int a = 0; a < 256; a++) table[a] = uint8_t(128 + (a * 127 + 127) / 255);
    }
};
const HalfAlpha half_alpha;

// One channel: new over old at alpha a (1-254), rounded.
uint32_t blend_channel(uint32_t old_c, uint32_t new_c, uint32_t a) {
    return (new_c * a + old_c * (255 - a) + 127) / 255;
}

uint32_t blend(uint32_t old_px, uint32_t new_px) {
    uint32_t a = new_px >> 24;
    if (a == 255) return new_px;
    if (a == 0) return old_px;
    uint32_t old_a = old_px >> 24;
    if (a == 128 || a == 127)
        return uint32_t(half_alpha.table[old_a]) << 24 | (((old_px & 0xFEFEFE) + (new_px & 0xFEFEFE)) >> 1);
    uint32_t out_a = a + (old_a * (255 - a) + 127) / 255;
    uint32_t r = blend_channel((old_px >> 16) & 255, (new_px >> 16) & 255, a);
    uint32_t g = blend_channel((old_px >> 8) & 255, (new_px >> 8) & 255, a);
    uint32_t b = blend_channel(old_px & 255, new_px & 255, a);
    return out_a << 24 | r << 16 | g << 8 | b;
}

void store32(ImageSurface* image, uint32_t* p, uint32_t colour) {
    uint32_t old_px;
    std::memcpy(&old_px, p, 4);
    uint32_t v = image->blend_off ? colour : blend(old_px, colour);
    std::memcpy(p, &v, 4);
}

}  // namespace

// The one bounds rule: pixels outside the image are never written.
void pixel_write(ImageSurface* image, int32_t x, int32_t y, uint32_t colour) {
    if (x < 0 || y < 0 || x >= image->width || y >= image->height || image->is_text) return;
    text_cells_touch_pixel(image, x, y);
    size_t at = size_t(y) * image->width + size_t(x);
    if (image->bytes_per_pixel == 4)
        store32(image, reinterpret_cast<uint32_t*>(image->pixels + at * 4), colour);
    else
        image->pixels[at] = uint8_t(colour & image->colour_mask);
}

void pixel_span_write(ImageSurface* image, int32_t x, int32_t y, const uint8_t* coverage, int32_t n, uint32_t fg,
                      uint32_t bg, int mode) {
    bool inside = x >= 0 && y >= 0 && y < image->height && x + n <= image->width && !image->is_text;
    if (inside && image->bytes_per_pixel == 1 && n == 8 && mode == 3) {
        text_cells_touch(image, x, y, x + 7, y);
        uint64_t row;
        glyph_rows_paint(image, coverage, 1, fg, bg, &row);
        glyph_rows_write(image, image->pixels + size_t(y) * size_t(image->width) + size_t(x), &row, 1);
        return;
    }
    for (int32_t i = 0; i < n; i++) {
        bool on = coverage[i] != 0;
        if (on ? mode == 2 : mode == 1) continue;
        pixel_write(image, x + i, y, on ? fg : bg);
    }
}

void pixel_write_clipped(ImageSurface* image, int32_t x, int32_t y, uint32_t colour) {
    if (x < image->view_x1 || x > image->view_x2 || y < image->view_y1 || y > image->view_y2) return;
    pixel_write(image, x, y, colour);
}

void rect_fill(ImageSurface* image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
    if (image->is_text) return;
    if (x1 < 0) x1 = 0;
    if (y1 < 0) y1 = 0;
    if (x2 >= image->width) x2 = image->width - 1;
    if (y2 >= image->height) y2 = image->height - 1;
    if (x1 > x2 || y1 > y2) return;
    text_cells_touch(image, x1, y1, x2, y2);
    size_t n = size_t(x2 - x1 + 1);
    if (image->bytes_per_pixel == 1) {
        for (int32_t y = y1; y <= y2; y++)
            std::memset(image->pixels + size_t(y) * image->width + size_t(x1), int(colour & image->colour_mask), n);
        return;
    }
    uint32_t a = colour >> 24;
    if (!image->blend_off && a == 0) return;
    if (image->blend_off || a == 255) {
        uint8_t* first = image->pixels + (size_t(y1) * image->width + size_t(x1)) * 4;
        for (size_t i = 0; i < n; i++) std::memcpy(first + 4 * i, &colour, 4);
        for (int32_t y = y1 + 1; y <= y2; y++)
            std::memcpy(image->pixels + (size_t(y) * image->width + size_t(x1)) * 4, first, n * 4);
        return;
    }
    for (int32_t y = y1; y <= y2; y++)
        for (int32_t x = x1; x <= x2; x++)
            store32(image, reinterpret_cast<uint32_t*>(image->pixels + (size_t(y) * image->width + size_t(x)) * 4),
                    colour);
}

// ---- Coordinates -----------------------------------------------------------------

namespace {

// Far enough outside any image that clipping discards it, small enough that
// differences of two such values still fit 32 bits.
constexpr float pixel_limit = 536870912.0f;  // 2^29

int32_t round_even(float v) {
    if (!(v > -pixel_limit)) return -int32_t(pixel_limit);  // NaN lands here too
    if (!(v < pixel_limit)) return int32_t(pixel_limit);
    return int32_t(std::nearbyint(v));
}

}  // namespace

int32_t map_x(const ImageSurface* image, float x) {
    if (image->coordinate_mapping == 2) x = image->window_scale_x * x + image->window_offset_x;
    int32_t p = round_even(x);
    return image->coordinate_mapping ? p + image->view_offset_x : p;
}

int32_t map_y(const ImageSurface* image, float y) {
    if (image->coordinate_mapping == 2) y = image->window_scale_y * y + image->window_offset_y;
    int32_t p = round_even(y);
    return image->coordinate_mapping ? p + image->view_offset_y : p;
}

// ---- Lines -----------------------------------------------------------------------

namespace {

double slope(int32_t numerator, int32_t divisor) {
    double n = numerator, d = std::fabs(double(divisor));
    if (d == 0) return n < 0 ? -HUGE_VAL : HUGE_VAL;
    return n / d;
}

int32_t round_pixel(double v) { return int32_t(std::nearbyint(v)); }

// Moves (x, y) onto the rectangle edge it faces, towards (ox, oy); false when no edge is met.
bool clip_end(int32_t& x, int32_t& y, int32_t ox, int32_t oy, int32_t vx1, int32_t vy1, int32_t vx2, int32_t vy2,
              int32_t& moved) {
    double sx = slope(ox - x, oy - y), sy = slope(oy - y, ox - x);
    int32_t nx = x, ny = y;
    bool hit = false;
    if (x > vx2 && sx < 0) {
        double cy = y + (x - vx2) * sy;
        if (cy >= vy1 && cy <= vy2) nx = vx2, ny = round_pixel(cy), hit = true;
    }
    if (!hit && x < vx1 && sx > 0) {
        double cy = y + (vx1 - x) * sy;
        if (cy >= vy1 && cy <= vy2) nx = vx1, ny = round_pixel(cy), hit = true;
    }
    if (!hit && y < vy1 && sy > 0) {
        double cx = x + (vy1 - y) * sx;
        if (cx >= vx1 && cx <= vx2) nx = round_pixel(cx), ny = vy1, hit = true;
    }
    if (!hit && y > vy2 && sy < 0) {
        double cx = x + (y - vy2) * sx;
        if (cx >= vx1 && cx <= vx2) nx = round_pixel(cx), ny = vy2, hit = true;
    }
    if (!hit) return false;
    int32_t mx = std::abs(nx - x), my = std::abs(ny - y);
    moved = mx > my ? mx : my;
    x = nx;
    y = ny;
    return true;
}

bool outside(int32_t x, int32_t y, int32_t vx1, int32_t vy1, int32_t vx2, int32_t vy2) {
    return x < vx1 || x > vx2 || y < vy1 || y > vy2;
}

// The stepping loop over clipped pixel end points; pattern already phased.
void line_step(ImageSurface* image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour,
               uint32_t pattern) {
    int32_t dx = std::abs(x1 - x2), dy = std::abs(y1 - y2);
    auto away = [](float v) { return int32_t(v >= 0 ? v + 0.5f : v - 0.5f); };
    auto put = [&](int32_t x, int32_t y) {
        pattern = pattern << 1 | pattern >> 31;
        if (pattern & 1) pixel_write(image, x, y, colour);
    };
    if (dy < dx) {
        int32_t step = x2 < x1 ? -1 : 1;
        float y = float(y1), grow = float(y2 - y1) / float(dx);
        for (int32_t i = 0, x = x1; i <= dx; i++, x += step, y += grow) put(x, away(y));
    } else {
        int32_t step = y2 < y1 ? -1 : 1;
        float x = float(x1), grow = dy ? float(x2 - x1) / float(dy) : 0.0f;
        for (int32_t i = 0, y = y1; i <= dy; i++, y += step, x += grow) put(away(x), y);
    }
}

}  // namespace

LineClip line_clip(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t vx1, int32_t vy1, int32_t vx2,
                   int32_t vy2) {
    LineClip c{false, x1, y1, x2, y2, 0};
    if (outside(x1, y1, vx1, vy1, vx2, vy2)) {
        if ((x1 == x2 && y1 == y2) || (x1 < vx1 && x2 < vx1) || (x1 > vx2 && x2 > vx2) || (y1 < vy1 && y2 < vy1) ||
            (y1 > vy2 && y2 > vy2))
            return c;
        if (!clip_end(c.x1, c.y1, c.x2, c.y2, vx1, vy1, vx2, vy2, c.cut)) return c;
    }
    if (outside(c.x2, c.y2, vx1, vy1, vx2, vy2)) {
        int32_t unused = 0;
        if (!clip_end(c.x2, c.y2, c.x1, c.y1, vx1, vy1, vx2, vy2, unused)) return c;
    }
    c.visible = true;
    return c;
}

void line_draw_styled(ImageSurface* image, float x1, float y1, float x2, float y2, uint32_t colour,
                      uint32_t style) {
    LineClip c = line_clip(map_x(image, x1), map_y(image, y1), map_x(image, x2), map_y(image, y2), image->view_x1,
                           image->view_y1, image->view_x2, image->view_y2);
    if (!c.visible) return;
    uint32_t pattern = (style & 0xFFFF) * 65537u;
    uint32_t turn = uint32_t(c.cut) & 15;
    if (turn) pattern = pattern << turn | pattern >> (32 - turn);
    line_step(image, c.x1, c.y1, c.x2, c.y2, colour, pattern);
}

void line_draw_plain(ImageSurface* image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
    LineClip c = line_clip(x1, y1, x2, y2, image->view_x1, image->view_y1, image->view_x2, image->view_y2);
    if (c.visible) line_step(image, c.x1, c.y1, c.x2, c.y2, colour, 0xFFFFFFFFu);
}

void box_fill(ImageSurface* image, float x1, float y1, float x2, float y2, uint32_t colour) {
    int32_t a = map_x(image, x1), b = map_y(image, y1), c = map_x(image, x2), d = map_y(image, y2);
    if (a > c) std::swap(a, c);
    if (b > d) std::swap(b, d);
    if (c < image->view_x1 || a > image->view_x2 || d < image->view_y1 || b > image->view_y2) return;
    rect_fill(image, std::max(a, image->view_x1), std::max(b, image->view_y1), std::min(c, image->view_x2),
              std::min(d, image->view_y2), colour);
}

// ---- Drawing statements ---------------------------------------------------------

ImageSurface* drawing_destination() {
    if (error_pending.load()) return nullptr;
    ImageSurface* d = image_destination();
    if (d != nullptr && (d->compatible_mode == 0 || d->is_text)) {
        runtime_error(error_illegal_function_call);
        return nullptr;
    }
    return d;
}

void draw_point(float x, float y, uint32_t colour, int passed) {
    ImageSurface* d = drawing_destination();
    if (d == nullptr) return;
    if (passed & point_relative) {
        d->graphics_x += x;
        d->graphics_y += y;
    } else {
        d->graphics_x = x;
        d->graphics_y = y;
    }
    if (!(passed & point_colour_passed)) colour = d->foreground;
    d->draw_colour = colour;
    if (d->coordinate_mapping == 0) {
        int32_t px = round_even(d->graphics_x), py = round_even(d->graphics_y);
        if (px >= 0 && py >= 0 && px < d->width && py < d->height) pixel_write(d, px, py, colour);
        return;
    }
    pixel_write_clipped(d, map_x(d, d->graphics_x), map_y(d, d->graphics_y), colour);
}

void draw_line(float x1, float y1, float x2, float y2, uint32_t colour, int32_t box, uint32_t style, int passed) {
    ImageSurface* d = drawing_destination();
    if (d == nullptr) return;
    if (passed & line_first_passed) {
        if (passed & line_first_relative) x1 += d->graphics_x, y1 += d->graphics_y;
        d->graphics_x = x1;
        d->graphics_y = y1;
    } else {
        x1 = d->graphics_x;
        y1 = d->graphics_y;
    }
    if (passed & line_second_relative) x2 += d->graphics_x, y2 += d->graphics_y;
    d->graphics_x = x2;
    d->graphics_y = y2;
    if (!(passed & line_colour_passed)) colour = d->foreground;
    d->draw_colour = colour;
    style = (passed & line_style_passed) ? style & 0xFFFF : 0xFFFF;
    if (box == line_box_filled) {
        box_fill(d, x1, y1, x2, y2, colour);
    } else if (box == line_box) {
        line_draw_styled(d, x1, y1, x2, y1, colour, style);
        line_draw_styled(d, x2, y1, x2, y2, colour, style);
        line_draw_styled(d, x2, y2, x1, y2, colour, style);
        line_draw_styled(d, x1, y2, x1, y1, colour, style);
    } else {
        line_draw_styled(d, x1, y1, x2, y2, colour, style);
    }
}
