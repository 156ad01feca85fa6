#include "host/line_event.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "host/message_box.h"
#include "host/run_state.h"

void line_event(int line) {
    event_pending.store(0);
    while ((pause_flag.load() & 1) || stop_now.load()) {
        if (stop_now.load()) program_thread_park();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (error_pending.load() != 0) {
        error_line = line;
        error_report(line);
    }
}

void error_report(int line) {
    unsigned number = error_pending.load();
    bool critical = error_is_reported_critical(number);
    char text[256], title[256];
    std::snprintf(text, sizeof text, "Line:%d\n%s%s", line, error_message(number),
                  critical ? "" : "\nContinue?");
    std::snprintf(title, sizeof title, "%s%u", critical ? "Critical Error #" : "Unhandled Error #", number);
    if (critical) {
        message_box(text, title, box_ok);
        process_exit(critical_exit_code);
    }
    if (message_box(text, title, box_yes_no | box_system_modal) == answer_no) {
        stop_requested.store(true);
        program_thread_park();
    }
    error_pending.store(0);
}
