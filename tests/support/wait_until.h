// Waiting for a condition with a deadline, never for a fixed time.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

// Waits until `condition` holds or `timeout_ms` passes; true when it held.
inline bool wait_until(const std::function<bool()>& condition, int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
