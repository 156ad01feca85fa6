// The operating system's side on POSIX: chdir, localtime_r, pause.
#include "host/system.h"

#include <unistd.h>

bool system_folder_set(const char* path) { return chdir(path) == 0; }

bool system_local_time(std::time_t moment, std::tm* out) { return localtime_r(&moment, out) != nullptr; }

void system_floating_point_prepare() {}

void system_thread_hold() {
    for (;;) pause();
}
