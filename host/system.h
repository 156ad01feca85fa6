// What the runtime asks of the operating system beside windows, files, child
// processes and folders (host/folders.h): the current folder, the local
// time, the floating point, and a thread held for good. One implementation
// per system, in a file named for it (system_posix.cpp); the build picks one.
#pragma once

#include <ctime>

// Makes `path` the current folder; false when it cannot.
bool system_folder_set(const char* path);
// The local time of day and date of `moment`; false when the system cannot tell.
bool system_local_time(std::time_t moment, std::tm* out);
// Sets up floating point on the program thread as the program expects it.
void system_floating_point_prepare();
// Holds the calling thread until the process ends. Async-signal-safe: a
// signal handler may call it.
[[noreturn]] void system_thread_hold();
