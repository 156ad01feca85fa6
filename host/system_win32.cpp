// The operating system's side on Win32: SetCurrentDirectoryA, the runtime
// library's localtime, the program thread's floating point through
// _controlfp, Sleep.
#include "host/system.h"

#include <windows.h>
#include <float.h>

bool system_folder_set(const char* path) { return SetCurrentDirectoryA(path) != 0; }

// The runtime library keeps one result per thread.
bool system_local_time(std::time_t moment, std::tm* out) {
    std::tm* local = std::localtime(&moment);
    if (local == nullptr) return false;
    *out = *local;
    return true;
}

// A new thread's x87 unit rounds to 53 bits; the program thread's works with
// a 64-bit mantissa. A 64-bit system keeps its floating point in SSE, where
// precision control does not exist.
void system_floating_point_prepare() {
    if constexpr (sizeof(void*) == 4) _controlfp(0, 0x30000);
}

void system_thread_hold() {
    for (;;) Sleep(INFINITE);
}
