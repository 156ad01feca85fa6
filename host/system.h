// What the runtime asks of the operating system beside windows, files, child
// processes and folders (host/folders.h): the current folder, the local time
// and the floating point. One implementation per system, in a file named for it
// (system_posix.cpp); the build picks one.
#pragma once

#include <ctime>

// Makes `path` the current folder; false when it cannot.
bool system_folder_set(const char* path);
// The local time of day and date of `moment`; false when the system cannot tell.
bool system_local_time(std::time_t moment, std::tm* out);
// Sets up floating point on the program thread as the program expects it.
void system_floating_point_prepare();
