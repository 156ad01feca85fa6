// A stand-in program for the runtime's own tests: it runs one scenario of
// statements on the program thread and reports what it saw on standard error.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "graphics/image_surface.h"
#include "graphics/palette.h"
#include "host/delay.h"
#include "host/display.h"
#include "host/keyboard.h"
#include "host/line_event.h"
#include "host/platform_window.h"
#include "host/process.h"
#include "tests/host/probe_picture.h"
#include "text/string_functions.h"

namespace {

const char* scenario = "";

void say(const char* text) {
    std::fprintf(stderr, "probe: %s\n", text);
    std::fflush(stderr);
}

void idle_forever(uint32_t mark) {
    for (;;) {
        delay_seconds(0.1);
        statement_end(mark, 999);
    }
}

// Reports every key read; 'c' the display counters, 'p' a palette change,
// 't' a new title; Esc ends the program. With `wait_for_go` no key is read
// before a file named "go" appears in the current folder.
void key_loop(uint32_t mark, bool wait_for_go) {
    while (wait_for_go && access("go", F_OK) != 0) {
        delay_seconds(0.02);
        statement_end(mark, 3);
    }
    for (int tick = 0;; tick++) {
        if (tick % 5 == 0) std::fprintf(stderr, "probe: tick %d\n", tick / 5);
        StringValue* k = key_read();
        uint8_t first = k->length > 0 ? k->data[0] : 0;
        if (k->length == 1 && first == 'c') {
            DisplayCounters n = display_counters();
            std::fprintf(stderr, "probe: counters passes=%lld builds=%lld uploads=%lld swaps=%lld\n",
                         (long long)n.build_passes, (long long)n.frames_built, (long long)n.uploads,
                         (long long)n.swaps);
        } else if (k->length == 1 && first == 'p') {
            palette_set(1, 0x00003F, 1);
            say("palette");
        } else if (k->length == 1 && first == 't') {
            window_title_set(string_from_cstring("Title two"));
            say("title");
        } else if (k->length == 1 && first == 27) {
            say("ending");
            program_end();
        } else if (k->length == 1) {
            std::fprintf(stderr, "probe: key %d\n", first);
        } else if (k->length == 2) {
            std::fprintf(stderr, "probe: key %d %d\n", first, k->data[1]);
        }
        std::fflush(stderr);
        statement_end(mark, 4);
        delay_seconds(0.02);
        statement_end(mark, 5);
    }
}

// Switches between the text screen and mode 12, each switch just after a
// frame build has begun, and clears the new screen: a switch must wait until
// that build has let go of the screen it frees.
void mode_changes(uint32_t mark) {
    int64_t first = display_counters().frames_built;
    for (int i = 0; i < 150; i++) {
        int64_t passes = display_counters().build_passes;
        for (int t = 0; t < 1000 && display_counters().build_passes == passes; t++) usleep(200);
        screen_mode_set(i % 2 ? 12 : 0, 0, 0, 0, 0, screen_mode_passed);
        screen_clear(0, uint32_t(i % 8), clear_colour_passed);
        statement_end(mark, 6);
    }
    std::fprintf(stderr, "probe: modes changed, %lld frames built\n",
                 (long long)(display_counters().frames_built - first));
}

void probe_program() {
    uint32_t mark = string_temps_mark();
    window_title_set(string_from_cstring("Skerrow probe"));
    statement_end(mark, 1);
    StringValue* v = string_new(0, false);
    if (std::strcmp(scenario, "report") == 0) {
        runtime_error(53);
        statement_end(mark, 282);
        say("after-report");
    } else if (std::strcmp(scenario, "first-wins") == 0) {
        runtime_error(53);
        runtime_error(62);
        string_assign(v, chr_string(65));
        statement_end(mark, 10);
        std::fprintf(stderr, "probe: length %d\n", v->length);
        string_assign(v, chr_string(66));
        statement_end(mark, 11);
        std::fprintf(stderr, "probe: length %d\n", v->length);
        std::fflush(stderr);
    } else if (std::strcmp(scenario, "critical11") == 0) {
        runtime_error(11);
    } else if (std::strcmp(scenario, "critical300") == 0) {
        runtime_error(300);
        statement_end(mark, 7);
        say("not reached");
    } else if (std::strcmp(scenario, "fpe") == 0) {
        std::raise(SIGFPE);
    } else if (std::strcmp(scenario, "display") == 0 || std::strcmp(scenario, "keys") == 0 ||
               std::strcmp(scenario, "modes") == 0) {
        if (std::strcmp(scenario, "modes") == 0) mode_changes(mark);
        screen_mode_set(12, 0, 0, 0, 0, screen_mode_passed);
        screen_clear(0, 0, 0);
        probe_picture();
        statement_end(mark, 2);
        say("ready");
        key_loop(mark, std::strcmp(scenario, "keys") == 0);
    }
    idle_forever(mark);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) scenario = argv[1];
    platform_set(&platform_window);
    runtime_main(1, argv, probe_program);
}
