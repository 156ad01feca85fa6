#include "host/process.h"

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
#include "host/folders.h"
#include "host/keyboard.h"
#include "host/message_box.h"
#include "host/platform.h"
#include "host/run_state.h"
#include "host/system.h"
#include "text/string_functions.h"

StringValue* command_line = nullptr;

namespace {

void (*program_routine)() = nullptr;

// Waits for the wall clock's next second, then takes both origins from it.
void align_time_origin() {
    std::time_t first = std::time(nullptr);
    std::time_t now = first;
    if (first != std::time_t(-1))
        while ((now = std::time(nullptr)) == first) sleep_ms(1);
    timer_origin_ms = clock_ms();
    std::tm local{};
    if (now != std::time_t(-1) && system_local_time(now, &local))
        day_origin_ms = (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000;
}

// Set by the floating-point signal handler; the service thread raises the error.
std::atomic<int> floating_point_faulted{0};
static_assert(std::atomic<int>::is_always_lock_free, "stored inside a signal handler");

// A signal handler may do only async-signal-safe work: the report (a message
// box, memory, locks) is made by the service thread, and the faulting thread
// waits here until the process ends.
void floating_point_fault(int) {
    floating_point_faulted.store(1);
    system_thread_hold();
}

// Service thread: once the program thread has taken a floating-point signal,
// raises runtime error 11 ("Division by zero"), which ends the process.
void program_fault_check() {
    if (floating_point_faulted.load()) runtime_error(error_division_by_zero);
}

void program_thread() {
    system_floating_point_prepare();
    std::signal(SIGFPE, floating_point_fault);
    program_routine();
    program_thread_park();
}

// No timed events are used: the thread sleeps until the shutdown wakes it.
void timer_event_thread() {
    stop_now.wait(false);
    threads_parked.fetch_or(2);
}


// Frames, lock keys and the tick count; at its end, the shutdown.
[[noreturn]] void service_thread() {
    int phase = 0;
    for (;;) {
        frame_pause_answer();
        program_fault_check();
        if (exit_request.load()) break;
        int32_t ms = int32_t((int64_t(clock_ms()) - timer_origin_ms + day_origin_ms) % 86400000);
        uint32_t ticks = uint32_t(double(ms) * 0.0182);
        std::memcpy(low_memory_block() + 1132, &ticks, 3);
        int suspend = frame_suspend.load();
        if (suspend != 0) {
            if (suspend == -1) {
                sleep_ms(64);
                continue;
            }
            frame_suspend.store(-1);
            frame_build();
            continue;
        }
        sleep_ms(16);  // the pass's 15 + 1 ms, in one sleep: every wake-up costs an idle machine
        frame_pause_answer();
        if (stop_requested.load()) break;
        phase ^= 1;
        if (phase == 1) {
            if (auto_display.load()) frame_build();
        } else {
            keyboard_sync_locks();
        }
    }
    stop_now.store(true);
    stop_now.notify_all();
    event_pending.store(1);
    message_box_abandon();
    // A mode change the program thread is in finishes before it parks.
    while (threads_parked.load() != 3) {
        frame_pause_answer();
        program_fault_check();
        sleep_ms(16);
    }
    process_exit(0);
}

}  // namespace

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

std::string executable_folder_enter() {
    std::string folder = executable_folder();
    if (folder.empty()) return "Skerrow cannot find the folder that holds it.";
    if (system_folder_set(folder.c_str())) return "";
    return "Skerrow cannot enter its folder " + folder + ".";
}

void runtime_main(int argc, char** argv, void (*program)(), std::string (*enter_folder)()) {
    program_routine = program;
    const WindowSystem* window = platform().window;
    std::string refused = enter_folder();
    if (!refused.empty()) {
        std::fprintf(stderr, "%s\n", refused.c_str());
        std::fflush(stderr);
        if (window != nullptr) window->box_alone(refused.c_str(), "Skerrow");
        std::exit(2);
    }
    if (window == nullptr) std::fprintf(stderr, "skerrow: the %s platform has no window\n", platform().name);
    if (window == nullptr || !window->connect()) std::exit(1);

    strings_init();
    low_memory_block();
    command_line = command_line_build(argc, argv);
    align_time_origin();
    keyboard_init();
    screen_mode_set(0, 0, 0, 0, 0, screen_mode_passed);
    message_box_init();

    frame_builder_attached.store(true);  // from now on a mode change waits for the service thread
    window_opening.store(1);
    std::thread(program_thread).detach();
    std::thread(timer_event_thread).detach();
    std::thread(service_thread).detach();

    display_run(argc, argv);  // returns once the window is gone
    for (;;) sleep_ms(1000);  // the service thread ends the process
}

void runtime_start_headless() {
    platform_set(&platform_headless);
    strings_init();
    low_memory_block();
    keyboard_set_lock_reader(platform().lock_keys);
    keyboard_init();
    message_box_init();
    window_created.store(1);  // no window shows them, but the title and the menu are kept
    delay_clock_set(delay_clock_instant());
    screen_mode_set(0, 0, 0, 0, 0, screen_mode_passed);
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
