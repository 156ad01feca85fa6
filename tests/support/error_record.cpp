#include "tests/support/fake_runtime.h"

#include <cstdio>
#include <cstdlib>

#include "errors/runtime_error.h"

std::atomic<unsigned> error_pending{0};
std::atomic<int> event_pending{0};
int error_line = 0;

namespace {
std::vector<int> recorded;
}

const std::vector<int>& raised_errors() { return recorded; }

void reset_errors() {
    recorded.clear();
    error_pending = 0;
    event_pending = 0;
}

int runtime_error(int number) {
    recorded.push_back(number);
    if ((number >= 502 && number <= 518) || number == 257 || number == 11) {
        std::fprintf(stderr, "critical runtime error %d\n", number);
        std::abort();
    }
    if (error_pending != 0) return int(error_pending);
    if (number < 1) number = 5;
    error_pending = unsigned(number);
    event_pending = 1;
    return number;
}
