#include "host/delay.h"

#include <chrono>
#include <thread>

#include "errors/runtime_error.h"
#include "host/line_event.h"
#include "host/run_state.h"

namespace {

void real_sleep(int32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

const DelayClock real_clock = {clock_ms, real_sleep, line_event};
const DelayClock* active = &real_clock;

}  // namespace

namespace {

int32_t instant_now = 0;
int32_t instant_clock() { return instant_now; }
void instant_sleep(int32_t ms) { instant_now = int32_t(uint32_t(instant_now) + uint32_t(ms)); }
void instant_hook(int) {}
const DelayClock instant = {instant_clock, instant_sleep, instant_hook};

}  // namespace

const DelayClock* delay_clock_instant() { return &instant; }

void delay_clock_set(const DelayClock* clock) { active = clock ? clock : &real_clock; }

void delay_seconds(double seconds) {
    int32_t start = active->now_ms();
    if (error_pending.load()) return;
    if (!(seconds >= 0 && seconds <= 2147483.647)) {
        runtime_error(error_illegal_function_call);
        return;
    }
    double target = seconds * 1000;
    int32_t previous = start;
    for (;;) {
        // Differences of the 32-bit clock are taken modulo 2^32, so its wrap
        // from the largest to the smallest value is seamless; a clock that
        // went back keeps the time counted so far.
        int32_t now = active->now_ms();
        int32_t elapsed = int32_t(uint32_t(now) - uint32_t(start));
        if (elapsed < 0) {
            start = int32_t(uint32_t(now) - (uint32_t(previous) - uint32_t(start)));
            elapsed = int32_t(uint32_t(now) - uint32_t(start));
        }
        if (double(elapsed) >= target) return;
        int64_t remaining = int64_t(target - double(elapsed));
        if (remaining == 0) remaining = 1;
        if (remaining <= 9) {
            active->sleep_ms(int32_t(remaining));
            return;
        }
        active->sleep_ms(9);
        active->hook(0);
        previous = now;
    }
}
