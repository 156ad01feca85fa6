// A stand-in program for the runtime's own tests: it runs one scenario of
// statements on the program thread and reports what it saw on standard error.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "host/delay.h"
#include "host/display.h"
#include "host/line_event.h"
#include "host/process.h"
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
    }
    idle_forever(mark);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) scenario = argv[1];
    runtime_main(1, argv, probe_program);
}
