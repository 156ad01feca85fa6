// One refresh of the monitor (setup file, frame, log pass) for logs of
// 1,000, 10,000 and 100,000 records, without a window, on the fast path (1)
// and on the plain path (0).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "files/file_table.h"
#include "host/process.h"
#include "monitor/monitor.h"
#include "text/fast_path.h"

namespace {

// A day of spots from 60 stations, six of them watched.
void write_log(const std::string& path, int records) {
    std::ofstream out(path, std::ios::binary);
    out << "Benchmark spots\r\n";
    unsigned seed = 7;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    const char* watched[6] = {"W1AW", "K1JT", "G4ABC", "VK2XYZ", "JA1NRH", "DL1ABC"};
    for (int i = 0; i < records; i++) {
        unsigned who = next() % 60;
        std::string call = who < 6 ? watched[who] : "X" + std::to_string(who) + "ABC";
        int minute_of_day = int(int64_t(i) * 1440 / records);
        char line[96];
        std::snprintf(line, sizeof line, "%s,14.0956,%02d:%02d:%02u,%d,%d\r\n", call.c_str(), minute_of_day / 60,
                      minute_of_day % 60, next() % 60, int(next() % 40) - 30, -int(next() % 60) - 2);
        out << line;
    }
}

void refresh(benchmark::State& state) {
    static bool ready = false;
    char pattern[] = "/tmp/skerrow-bench-XXXXXX";
    std::string folder = mkdtemp(pattern);
    if (chdir(folder.c_str()) != 0) state.SkipWithError("no folder");
    std::ofstream("Skerrow020.SET") << "spots.log\r\nY\r\nW1AW\r\nK1JT\r\nG4ABC\r\nVK2XYZ\r\nJA1NRH\r\nDL1ABC\r\n";
    write_log("spots.log", int(state.range(0)));
    if (!ready) {
        runtime_start_headless();
        monitor_startup();
        ready = true;
    }
    fast_path = state.range(1) != 0;
    for (auto _ : state) {
        setup_file_read();
        frame_draw();
        log_pass();
        file_close(1, file_number_passed);
    }
    fast_path = true;
    state.counters["records"] = double(state.range(0));
    std::system(("rm -rf '" + folder + "'").c_str());
}
BENCHMARK(refresh)->ArgsProduct({{1000, 10000, 100000}, {1, 0}})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
