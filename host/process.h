// Process start-up, the program thread, and the orderly end of the program.
//
// The entry thread prepares the runtime, starts the program, timer-event and
// service threads, then becomes the display thread inside the window loop.
// Hand-over between threads is by the flags below, each written by one side
// and polled with sleeps by the other.
#pragma once

#include <atomic>
#include <cstdint>

#include "text/string_value.h"

// ---- Shutdown flags ---------------------------------------------------------

extern std::atomic<bool> stop_requested;  // somebody asked the program to stop; only ever set
extern std::atomic<bool> stop_now;        // the service thread has begun the shutdown
extern std::atomic<int> exit_request;     // the window's close button was pressed
extern std::atomic<int> threads_parked;   // bit 1: program thread parked; bit 2: timer thread ended
extern std::atomic<int> program_ended;    // the program thread parked or entered program_end
extern std::atomic<int> window_created;   // the window exists

// ---- Clock and origin -------------------------------------------------------

// Milliseconds since the process started (32-bit count, monotonic).
int32_t clock_ms();
extern int32_t timer_origin_ms;  // clock_ms at the aligned start second
extern int32_t day_origin_ms;    // milliseconds since local midnight at that moment

// ---- Emulated low memory ----------------------------------------------------

constexpr int32_t low_memory_block_size = 1114099;
uint8_t* low_memory_block();  // zero-filled; key buffer at 1050-1085, tick count at 1132-1134

// ---- Start-up pieces (also used by tests) -------------------------------------

extern StringValue* command_line;  // the arguments after the program name, joined by blanks
StringValue* command_line_build(int argc, char** argv);
// Changes to the folder that holds the executable; false when it cannot.
bool change_to_executable_folder();
// The runtime without a window or threads, for pictures made headless and for
// fuzzing: strings, low memory, keyboard, dialogs written to standard error and
// answered at once, waits that take no time, the start-up text screen.
void runtime_start_headless();

// ---- Running and ending -------------------------------------------------------

// Prepares the runtime, starts the threads with `program` on the program
// thread and runs the window loop. Never returns. `enter_folder` changes to
// the folder the program works in, once a display is known to be there.
[[noreturn]] void runtime_main(int argc, char** argv, void (*program)(),
                               bool (*enter_folder)() = change_to_executable_folder);

// The end of the program after Esc: "Press any key to continue", then stop.
[[noreturn]] void program_end();
// Holds the program thread until the process ends around it.
[[noreturn]] void program_thread_park();

// The shutdown: closes all files and ends the process with `code`.
[[noreturn]] void process_exit(int code);
