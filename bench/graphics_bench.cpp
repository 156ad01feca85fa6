// Glyphs per second through print_string, and full-screen box fills, on the mode 12 screen.
#include <benchmark/benchmark.h>

#include "graphics/draw_line.h"
#include "graphics/image_surface.h"
#include "graphics/text_print.h"
#include "text/string_value.h"

namespace {

void mode12() {
    screen_mode_set(12, 0, 0, 0, 0, screen_mode_passed);
    screen_clear(0, 0, 0);
}

void print_glyphs(benchmark::State& state) {
    mode12();
    static const char line[] = "W1AW     FN31   12:34:56  -12 dB   S5  the quick brown fox jumps over";  // 70 glyphs
    StringValue* text = string_from_cstring(line);
    for (auto _ : state) {
        locate_cursor(5, 1, 0, 0, 0, locate_row_passed | locate_column_passed);
        print_string(text, 0);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * (sizeof line - 1));
}
BENCHMARK(print_glyphs);

void full_screen_box_fill(benchmark::State& state) {
    mode12();
    uint32_t colour = 0;
    for (auto _ : state) draw_line(0, 0, 639, 479, colour++ & 15, line_box_filled, 0, line_first_passed | line_colour_passed);
    state.SetBytesProcessed(int64_t(state.iterations()) * 640 * 480);
}
BENCHMARK(full_screen_box_fill);

}  // namespace

BENCHMARK_MAIN();
