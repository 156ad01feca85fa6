// What the runtime asks of the operating system beside windows, files, child
// processes and folders (host/folders.h): the current folder and the local
// time. One implementation per system, in a file named for it
// (system_posix.cpp); the build picks one.
#pragma once

#include <ctime>

// Makes `path` the current folder; false when it cannot.
bool system_folder_set(const char* path);
// The local time of day and date of `moment`; false when the system cannot tell.
bool system_local_time(std::time_t moment, std::tm* out);
