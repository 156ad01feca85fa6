#include "tests/support/error_record.h"

#include <cstdio>
#include <cstdlib>

#include "errors/runtime_error.h"

namespace {

std::vector<int> recorded;

// A critical number would end the process with its exit code; here it stops
// the test where it happened instead.
void record(int number) {
    recorded.push_back(number);
    if (error_is_immediate_critical(number)) {
        std::fprintf(stderr, "critical runtime error %d\n", number);
        std::abort();
    }
}

}  // namespace

const std::vector<int>& raised_errors() { return recorded; }

void reset_errors() {
    runtime_error_set_observer(record);
    recorded.clear();
    error_pending = 0;
    event_pending = 0;
}
