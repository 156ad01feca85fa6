#include "errors/runtime_error.h"

#include <cstdio>
#include <cstdlib>

std::atomic<unsigned> error_pending{0};
std::atomic<int> event_pending{0};
int error_line = 0;

namespace {

void report_to_stderr(const char* title, const char* text) {
    std::fprintf(stderr, "%s: %s\n", title, text);
}

CriticalReport critical_report = report_to_stderr;
ErrorObserver observer = nullptr;

}  // namespace

const char* error_message(unsigned number) {
    for (const ErrorText& e : error_texts)
        if (unsigned(e.number) == number) return e.message;
    return "Unprintable error";
}

bool error_is_immediate_critical(int n) {
    for (const ErrorText& e : error_critical_texts)
        if (e.number == n) return true;
    return n >= error_out_of_memory_numbered_first && n <= error_out_of_memory_numbered_last;
}

const char* error_critical_message(int n) {
    for (const ErrorText& e : error_critical_texts)
        if (e.number == n) return e.message;
    return "Out of memory";  // the numbered range
}

void error_critical_title(int n, char* out, int out_size) {
    if (n == error_out_of_memory_string_store)
        std::snprintf(out, out_size, "Critical Error #1");
    else if (n >= error_out_of_memory_numbered_first && n <= error_out_of_memory_numbered_last)
        std::snprintf(out, out_size, "Critical Error #%d", n - error_out_of_memory_title_offset);
    else
        std::snprintf(out, out_size, "Critical Error");
}

void runtime_error_set_critical_report(CriticalReport report) {
    critical_report = report ? report : report_to_stderr;
}

void runtime_error_set_observer(ErrorObserver o) { observer = o; }

int runtime_error(int number) {
    if (observer != nullptr) observer(number);
    if (error_is_immediate_critical(number)) {
        char title[256];
        error_critical_title(number, title, sizeof title);
        critical_report(title, error_critical_message(number));
        std::fflush(nullptr);
        std::_Exit(critical_exit_code);
    }
    unsigned pending = error_pending.load();
    if (pending != 0) return static_cast<int>(pending);
    if (number < 1) number = error_illegal_function_call;
    error_pending.store(static_cast<unsigned>(number));
    event_pending.store(1);
    return number;
}
