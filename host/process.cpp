#include "host/process.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "errors/runtime_error.h"
#include "files/file_table.h"
#include "graphics/fonts.h"
#include "graphics/image_surface.h"
#include "graphics/text_print.h"
#include "host/delay.h"
#include "host/display.h"
#include "host/keyboard.h"
#include "host/line_event.h"
#include "host/message_box.h"
#include "text/string_functions.h"

std::atomic<bool> stop_requested{false};
std::atomic<bool> stop_now{false};
std::atomic<int> exit_request{0};
std::atomic<int> threads_parked{0};
std::atomic<int> program_ended{0};
std::atomic<int> window_created{0};
int32_t timer_origin_ms = 0;
int32_t day_origin_ms = 0;
StringValue* command_line = nullptr;

namespace {

const auto process_start = std::chrono::steady_clock::now();
uint8_t* low_memory = nullptr;
void (*program_routine)() = nullptr;

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Waits for the wall clock's next second, then takes both origins from it.
void align_time_origin() {
    std::time_t first = std::time(nullptr);
    std::time_t now = first;
    if (first != std::time_t(-1))
        while ((now = std::time(nullptr)) == first) sleep_ms(1);
    timer_origin_ms = clock_ms();
    std::tm local{};
    if (now != std::time_t(-1) && localtime_r(&now, &local) != nullptr)
        day_origin_ms = (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000;
}

void floating_point_fault(int) { runtime_error(11); }

void program_thread() {
    std::signal(SIGFPE, floating_point_fault);
    program_routine();
    program_thread_park();
}

// No timed events are used: the thread sleeps until the shutdown wakes it.
void timer_event_thread() {
    stop_now.wait(false);
    threads_parked.fetch_or(2);
}

}  // namespace

int32_t clock_ms() {
    auto elapsed = std::chrono::steady_clock::now() - process_start;
    return int32_t(uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
}

uint8_t* low_memory_block() {
    if (low_memory == nullptr) low_memory = static_cast<uint8_t*>(std::calloc(low_memory_block_size, 1));
    return low_memory;
}

StringValue* command_line_build(int argc, char** argv) {
    StringValue* line = string_new(0, false);
    uint32_t mark = string_temps_mark();
    for (int i = 1; i < argc; i++) {
        StringValue* piece = string_from_cstring(argv[i]);
        if (i > 1) piece = string_concat(string_from_text(" ", 1), piece);
        string_assign(line, string_concat(line, piece));
    }
    string_temps_release(mark, 0);
    return line;
}

bool change_to_executable_folder() {
    static char path[65536];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return false;
    path[n] = 0;
    char* cut = std::strrchr(path, '/');
    if (cut == nullptr) return false;
    cut[cut == path ? 1 : 0] = 0;
    return chdir(path) == 0;
}

void runtime_main(int argc, char** argv, void (*program)(), bool (*enter_folder)()) {
    program_routine = program;
    Display* probe = XOpenDisplay(nullptr);
    if (probe == nullptr) {
        std::fprintf(stderr,
                     "skerrow: no X display (DISPLAY=%s); run it on a desktop, or under Xvfb: "
                     "xvfb-run -s '-screen 0 1024x768x24' ./skerrow\n",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        std::exit(1);
    }
    XCloseDisplay(probe);
    XInitThreads();

    enter_folder();
    strings_init();
    low_memory_block();
    command_line = command_line_build(argc, argv);
    align_time_origin();
    keyboard_init();
    screen_mode_set(0, 0, 0, 0, 0, screen_mode_passed);
    message_box_init();

    std::thread(program_thread).detach();
    std::thread(timer_event_thread).detach();
    std::thread(service_thread).detach();

    display_run(argc, argv);  // returns once the window is gone
    for (;;) sleep_ms(1000);  // the service thread ends the process
}

void runtime_start_headless() {
    strings_init();
    low_memory_block();
    keyboard_init();
    message_box_headless();
    delay_clock_set(delay_clock_instant());
    screen_mode_set(0, 0, 0, 0, 0, screen_mode_passed);
}

void process_exit(int code) {
    error_pending.store(0);
    file_close(0, 0);
    std::fflush(nullptr);
    std::_Exit(code);
}

void program_thread_park() {
    program_ended.store(1);
    threads_parked.fetch_or(1);
    while (!stop_now.load()) sleep_ms(16);
    for (;;) sleep_ms(16);
}

void program_end() {
    program_ended.store(1);
    file_close(0, 0);
    error_pending.store(0);
    dest_image_set(display_image_get());
    ImageSurface* screen = image_destination();
    int32_t last_row = screen->is_text ? screen->height : screen->height / font_height(screen->font);
    screen->text_top_row = uint16_t(last_row);
    screen->text_bottom_row = uint16_t(last_row);
    screen->cursor_row = uint16_t(last_row);
    screen->cursor_column = 1;
    screen->pending_newline = 0;
    uint32_t mark = string_temps_mark();
    print_string(string_from_text("", 0), 1);
    print_string(string_from_cstring("Press any key to continue"), 0);
    string_temps_release(mark, 0);
    while (key_read()->length != 0) {
        string_temps_release(mark, 0);
        sleep_ms(0);
    }
    string_temps_release(mark, 0);
    auto_display.store(1);
    do {
        string_temps_release(mark, 0);
        sleep_ms(100);
        if (stop_now.load()) program_thread_park();
    } while (key_read()->length == 0);
    stop_requested.store(true);
    program_thread_park();
}
