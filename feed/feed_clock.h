// The feeder's wall clock: the system's, or for tests the time held in the
// file SKERROW_FEED_CLOCK names (Unix seconds, UTC, in decimal), read afresh
// each time. Waits never use it: they keep to a monotonic clock.
#pragma once

#include <cstdint>

// Seconds since 1970-01-01 UTC.
int64_t feed_clock_now();
