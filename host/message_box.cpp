#include "host/message_box.h"

#include <cstdio>
#include <string>

#include "errors/runtime_error.h"

namespace {

void log_line(const char* title, const char* text) {
    std::string flat = text;
    for (char& c : flat)
        if (c == '\n') c = ' ';
    std::fprintf(stderr, "%s: %s\n", title, flat.c_str());
    std::fflush(stderr);
}

void critical_report(const char* title, const char* text) { message_box(text, title, box_ok | box_system_modal); }

}  // namespace

void message_box_init() { runtime_error_set_critical_report(critical_report); }

int message_box(const char* text, const char* title, int style) {
    log_line(title, text);
    return platform().message_box(text, title, style);
}

void alert(const char* text) { message_box(text, "Alert", box_ok); }

void alert_number(long long number) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", number);
    alert(text);
}

void message_box_abandon() { platform().message_box_abandon(); }
