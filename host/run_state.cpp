#include "host/run_state.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "errors/runtime_error.h"
#include "files/file_table.h"

std::atomic<bool> stop_requested{false};
std::atomic<bool> stop_now{false};
std::atomic<int> exit_request{0};
std::atomic<int> threads_parked{0};
std::atomic<int> program_ended{0};
std::atomic<int> window_created{0};
std::atomic<int> window_opening{0};
std::atomic<uint8_t> pause_flag{0};
int32_t timer_origin_ms = 0;
int32_t day_origin_ms = 0;

namespace {

const auto process_start = std::chrono::steady_clock::now();
uint8_t* low_memory = nullptr;

}  // namespace

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int32_t clock_ms() {
    auto elapsed = std::chrono::steady_clock::now() - process_start;
    return int32_t(uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
}

uint8_t* low_memory_block() {
    if (low_memory == nullptr) low_memory = static_cast<uint8_t*>(std::calloc(low_memory_block_size, 1));
    return low_memory;
}

void process_exit(int code) {
    error_pending.store(0);
    file_close(0, 0);
    std::fflush(nullptr);
    std::_Exit(code);
}

void program_thread_park() {
    program_ended.store(1);
    threads_parked.fetch_or(1);
    while (!stop_now.load()) sleep_ms(16);
    for (;;) sleep_ms(16);
}
