// What the host's modules share about the run: the shutdown flags, the
// clock and its origins, the emulated low memory, the pause flag, and the
// two ways the program thread stops. It sits below every other host module;
// the start-up that ties the threads together (host/process.h) sits above.
//
// Hand-over between threads is by the flags below, each written by one side
// and polled with sleeps by the other.
#pragma once

#include <atomic>
#include <cstdint>

// ---- Shutdown flags ---------------------------------------------------------

extern std::atomic<bool> stop_requested;  // somebody asked the program to stop; only ever set
extern std::atomic<bool> stop_now;        // the service thread has begun the shutdown
extern std::atomic<int> exit_request;     // the window's close button was pressed
extern std::atomic<int> threads_parked;   // bit 1: program thread parked; bit 2: timer thread ended
extern std::atomic<int> program_ended;    // the program thread parked or entered program_end
extern std::atomic<int> window_created;   // the window exists
extern std::atomic<int> window_opening;   // 1 from start-up until the window exists (or never will)

// ---- Pause -------------------------------------------------------------------

extern std::atomic<uint8_t> pause_flag;  // bit value 1: paused until the next key

// ---- Clock and origin -------------------------------------------------------

// Milliseconds since the process started (32-bit count, monotonic).
int32_t clock_ms();
extern int32_t timer_origin_ms;  // clock_ms at the aligned start second
extern int32_t day_origin_ms;    // milliseconds since local midnight at that moment

// ---- Emulated low memory ----------------------------------------------------

constexpr int32_t low_memory_block_size = 1114099;
uint8_t* low_memory_block();  // zero-filled; key buffer at 1050-1085, tick count at 1132-1134

// ---- Stopping ---------------------------------------------------------------

// Holds the program thread until the process ends around it.
[[noreturn]] void program_thread_park();
// Sleeps the calling thread for ms milliseconds.
void sleep_ms(int ms);

// The shutdown: closes all files and ends the process with `code`.
[[noreturn]] void process_exit(int code);
