#include "graphics/draw_circle.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "errors/runtime_error.h"
#include "graphics/draw_line.h"
#include "graphics/image_surface.h"
#include "graphics/text_cells.h"
#include "text/fast_path.h"

namespace {

constexpr double two_pi = 6.283185307179586;
constexpr double pi = 3.141592653589793;

// Pixel values beyond this are far outside any image; sums of two still fit 32 bits.
constexpr double pixel_limit = 536870912.0;  // 2^29
// Steps per quarter beyond this would take minutes; such a circle is traced coarser.
constexpr double max_steps = 4194304.0;  // 2^22

int32_t clamp_pixel(double v) {
    if (!(v > -pixel_limit)) return -int32_t(pixel_limit);
    if (!(v < pixel_limit)) return int32_t(pixel_limit);
    return int32_t(v);
}

// Mapped coordinate without rounding.
double map_exact(const ImageSurface* d, double v, bool is_x) {
    if (d->coordinate_mapping == 0) return v;
    if (d->coordinate_mapping == 2)
        v = (is_x ? d->window_scale_x : d->window_scale_y) * v + (is_x ? d->window_offset_x : d->window_offset_y);
    return v + (is_x ? d->view_offset_x : d->view_offset_y);
}

// Value + 0.5 cut towards zero, or - 0.5 below 0.
int32_t to_pixel(double v) { return clamp_pixel(v >= 0 ? v + 0.5 : v - 0.5); }

// A full circle (no arc, no radius lines) writes pixels at offsets from its
// centre that depend on its radii alone. The fast path keeps the offsets of
// the last few such circles, in the order they were written, so a circle
// drawn again elsewhere writes the same pixels without being traced again.
struct CircleTrace {
    double r = -1, xr = 0, yr = 0;         // the radii it was traced for; r -1 when unused
    std::vector<std::pair<int32_t, int32_t>> offsets;
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // the offsets' bounds
};

// Writes a kept trace's pixels around (cx, cy). When they all lie inside the
// view port and the image, and the image has one byte per pixel, each is
// stored as pixel_write stores it, the cells under them forgotten at once.
void trace_write(ImageSurface* d, const CircleTrace& t, int32_t cx, int32_t cy, uint32_t colour) {
    int64_t x1 = int64_t(cx) + t.left, x2 = int64_t(cx) + t.right, y1 = int64_t(cy) + t.top, y2 = int64_t(cy) + t.bottom;
    if (d->bytes_per_pixel != 1 || d->is_text || x1 < 0 || y1 < 0 || x2 >= d->width || y2 >= d->height ||
        x1 < d->view_x1 || x2 > d->view_x2 || y1 < d->view_y1 || y2 > d->view_y2) {
        for (auto [dx, dy] : t.offsets) pixel_write_clipped(d, cx + dx, cy + dy, colour);
        return;
    }
    text_cells_touch(d, int32_t(x1), int32_t(y1), int32_t(x2), int32_t(y2));
    uint8_t value = uint8_t(colour & d->colour_mask);
    uint8_t* centre = d->pixels + size_t(cy) * d->width + size_t(cx);
    for (auto [dx, dy] : t.offsets) centre[ptrdiff_t(dy) * d->width + dx] = value;
}
constexpr size_t traces_kept = 4, trace_offsets_kept = 1024;
CircleTrace traces[traces_kept];
size_t trace_next = 0;  // the one to replace next

void radius_line(ImageSurface* d, int32_t cx, int32_t cy, double angle, double xr, double yr, uint32_t colour) {
    int32_t ex = clamp_pixel(std::trunc(std::cos(angle) * xr + 0.5));
    int32_t ey = clamp_pixel(std::trunc(std::sin(angle) * yr - 0.5));
    line_draw_plain(d, cx, cy, cx + ex, cy - ey, colour);
}

}  // namespace

void draw_circle(double x, double y, double radius, uint32_t colour, double start, double end, double aspect,
                 int passed) {
    ImageSurface* d = drawing_destination();
    if (d == nullptr) return;
    if (!(passed & circle_start_passed)) start = 0;
    if (!(passed & circle_end_passed)) end = two_pi;
    bool start_line = start < 0, end_line = end < 0;
    start = std::fabs(start);
    end = std::fabs(end);
    if (!(start <= two_pi) || !(end <= two_pi)) {
        runtime_error(error_illegal_function_call);
        return;
    }
    bool wrapped = false;
    if (start > end) {
        std::swap(start, end);
        std::swap(start_line, end_line);
        wrapped = true;
    }
    if (passed & circle_relative) x += d->graphics_x, y += d->graphics_y;
    d->graphics_x = float(x);
    d->graphics_y = float(y);

    double mx = map_exact(d, x, true), my = map_exact(d, y, false);
    int32_t cx = to_pixel(mx), cy = to_pixel(my);
    double r = std::fabs(map_exact(d, x + radius, true) - mx);
    if (!std::isfinite(r)) return;
    double xr = r, yr = r;
    if (!(passed & circle_aspect_passed)) {
        switch (d->compatible_mode) {
            case 1: case 7: case 13: aspect = 0.8333333333333334; break;
            case 2: case 8: aspect = 0.4166666666666667; break;
            case 9: case 10: aspect = 0.7291666666666666; break;
            default: aspect = 1; break;
        }
    }
    if (aspect >= 0 && aspect < 1) yr = r * aspect;
    else if (aspect > 1) xr = r / aspect;
    else if (aspect > -1 && aspect < 0) yr = (aspect + 1) * r;
    if (d->view_x1 > mx + xr + 0.5 || d->view_y1 > my + yr + 0.5 || mx - xr - 0.5 > d->view_x2 ||
        my - yr - 0.5 > d->view_y2)
        return;
    if (!(passed & circle_colour_passed)) colour = d->foreground;
    d->draw_colour = colour;

    bool full = !(passed & (circle_start_passed | circle_end_passed));
    CircleTrace* trace = nullptr;
    if (full && fast_path) {
        for (CircleTrace& t : traces)
            if (t.r == r && t.xr == xr && t.yr == yr) {
                trace_write(d, t, cx, cy, colour);
                return;
            }
        trace = &traces[trace_next];
        trace_next = (trace_next + 1) % traces_kept;
        trace->r = -1;
        trace->offsets.clear();
    }
    auto put = [&](int32_t dx, int32_t dy) {
        pixel_write_clipped(d, cx + dx, cy + dy, colour);
        if (trace == nullptr) return;
        if (trace->offsets.size() == trace_offsets_kept) trace = nullptr;  // too big to keep
        else trace->offsets.emplace_back(dx, dy);
    };

    double steps = std::trunc(r * two_pi / 4 + 0.5);
    int64_t n = int64_t(std::fmin(steps, max_steps));
    double step_angle = n > 0 ? (pi / 2) / double(n) : 0;
    double sin_r = std::sin(step_angle), cos_r = std::cos(step_angle);

    if (start_line) radius_line(d, cx, cy, start, xr, yr, colour);

    auto passes = [&](double a) { return wrapped ? (a <= start || a >= end) : (start <= a && a <= end); };
    double ux = 1, uz = 0;
    double a1 = 0, a2 = pi, a3 = pi, a4 = two_pi;
    int64_t k = 0;
    int32_t cur_x = 0, cur_y = 0, last_x = -1, last_y = 0;
    auto write = [&] {
        if (passes(a1)) put(cur_x, cur_y);
        if (passes(a2)) put(-cur_x, cur_y);
        if (passes(a3)) put(-cur_x, -cur_y);
        if (passes(a4)) put(cur_x, -cur_y);
    };
    for (;;) {
        int32_t px = clamp_pixel(std::trunc(ux * xr + 0.5)), py = clamp_pixel(std::trunc(uz * yr - 0.5));
        bool adjacent = k != 0 && std::abs(px - last_x) <= 1 && std::abs(py - last_y) <= 1;
        if (k == 0) cur_x = px, cur_y = py;
        if (!adjacent) {
            write();
            if (k > n) break;
            last_x = cur_x, last_y = cur_y;
        }
        cur_x = px, cur_y = py;
        if (k > n) break;
        if (++k > n) {
            write();
            break;
        }
        double nx = ux * cos_r + uz * sin_r;
        uz = uz * cos_r - ux * sin_r;
        ux = nx;
        a1 += step_angle, a3 += step_angle;
        a2 -= step_angle, a4 -= step_angle;
    }

    if (end_line) radius_line(d, cx, cy, end, xr, yr, colour);
    if (trace != nullptr) {
        trace->r = r, trace->xr = xr, trace->yr = yr;
        trace->left = trace->top = trace->right = trace->bottom = 0;
        for (auto [dx, dy] : trace->offsets) {
            trace->left = std::min(trace->left, dx), trace->right = std::max(trace->right, dx);
            trace->top = std::min(trace->top, dy), trace->bottom = std::max(trace->bottom, dy);
        }
    }
}
