// Waiting while the line-event hook keeps running.
#pragma once

#include <cstdint>

// Waits `seconds` (0 to 2147483.647, else error 5) in 9 ms slices, calling
// the line-event hook with line 0 after each, then sleeps the remainder.
void delay_seconds(double seconds);

// The clock and sleep the delay uses; tests may replace them.
struct DelayClock {
    int32_t (*now_ms)();
    void (*sleep_ms)(int32_t ms);
    void (*hook)(int line);
};
void delay_clock_set(const DelayClock* clock);  // null restores the real ones
// A clock on which waits take no time (pictures made without a window, benchmarks).
const DelayClock* delay_clock_instant();
