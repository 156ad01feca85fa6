// Any bytes as the spot log of a whole refresh, on the real runtime started as
// skerrow-snapshot starts it: setup file, frame, log pass, drawn headless. The
// setup file is fixed and names the log by a fixed name, so only the log's
// bytes come from the fuzzer (a fuzzed name could be a device or a /proc file).
// No crash, no undefined behaviour, no error left pending after the refresh.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "errors/runtime_error.h"
#include "host/process.h"
#include "monitor/monitor.h"

namespace {

std::string folder;  // the monitor's folder: its setup file and the log

void folder_remove() { std::filesystem::remove_all(folder); }

void start() {
    char pattern[] = "/tmp/skerrow-fuzz-log-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    folder = pattern;
    std::atexit(folder_remove);
    FILE* f = std::fopen((folder + "/Skerrow020.SET").c_str(), "wb");
    if (f == nullptr) std::abort();
    std::fputs("spots.log\r\nY\r\nW1AW\r\nK1JT\r\nG4ABC\r\nVK2XYZ\r\nJA1NRH\r\nDL1ABC\r\n", f);
    std::fclose(f);
    runtime_start_headless();
    monitor_startup();
    statement(117);
}

}  // namespace

// The window menu is built once at start-up and held in the menu table, a
// vector that is destroyed at exit before the leak check runs.
extern "C" const char* __lsan_default_suppressions() { return "leak:menu_startup\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = false;
    if (!started) start(), started = true;
    FILE* f = std::fopen((folder + "/spots.log").c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    // The monitor runs in its folder; the fuzzer's own paths (corpus folders)
    // stay relative to where it was started.
    int here = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (here < 0 || chdir(folder.c_str()) != 0) std::abort();
    monitor.refresh_counter = 99;  // the next cycle refreshes
    monitor_cycle();
    if (fchdir(here) != 0) std::abort();
    close(here);
    if (error_pending.load() != 0) std::abort();
    return 0;
}
