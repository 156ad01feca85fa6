// The display loop: the service thread turns the display image into 32-bit
// frames, the display thread (the window loop) shows the newest one.
#pragma once

#include <atomic>
#include <cstdint>

#include "text/string_value.h"

extern std::atomic<int> auto_display;   // 1: the service thread builds frames
extern std::atomic<int> frame_suspend;  // 1 or -1 while a child process is waited for

// Sets the window title (up to a NUL byte, each control byte shown as "?");
// applied by the display thread within a frame.
void window_title_set(StringValue* title);
// True when the window exists and its title is `title`.
bool window_title_is(const char* title);
// Waits while the display thread is still opening the window (a slow or
// loaded machine), until the program stops or for at most 10 s.
void window_opening_wait();

// The service thread's part: the display image as a 32-bit frame into a free
// slot, unless nothing changed since the last one.
void frame_build();
// Answers a mode change's pause (graphics/image_surface.h); the service
// thread calls it between builds only, so that the screen it frees is no
// longer read.
void frame_pause_answer();

// Opens the window and runs the window loop on the calling (entry) thread;
// returns once the window has been closed.
void display_run(int argc, char** argv);

// Input arrived (display thread): the display loop polls at its full rate again.
void display_activity();

// True on the display thread.
bool display_thread_is_current();

// Runs `work(argument)` on the display thread at its next timer tick.
// Returns false when the window loop has ended.
bool display_post(void (*work)(void*), void* argument);

// Counters for tests: frames built, textures uploaded, buffers swapped.
struct DisplayCounters {
    int64_t build_passes;  // builds begun, changed or not
    int64_t frames_built;
    int64_t uploads;
    int64_t swaps;
};
DisplayCounters display_counters();
