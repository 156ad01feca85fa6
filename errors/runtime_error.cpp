#include "errors/runtime_error.h"

#include <cstdio>
#include <cstdlib>

std::atomic<unsigned> error_pending{0};
std::atomic<int> event_pending{0};
int error_line = 0;

namespace {

struct ErrorText {
    unsigned number;
    const char* message;
};

constexpr ErrorText error_texts[] = {
    {1, "NEXT without FOR"}, {2, "Syntax error"}, {3, "RETURN without GOSUB"},
    {4, "Out of DATA"}, {5, "Illegal function call"}, {6, "Overflow"},
    {7, "Out of memory"}, {8, "Label not defined"}, {9, "Subscript out of range"},
    {10, "Duplicate definition"}, {12, "Illegal in direct mode"}, {13, "Type mismatch"},
    {14, "Out of string space"}, {16, "String formula too complex"},
    {17, "Cannot continue"}, {18, "Function not defined"}, {19, "No RESUME"},
    {20, "RESUME without error"}, {24, "Device timeout"}, {25, "Device fault"},
    {26, "FOR without NEXT"}, {27, "Out of paper"}, {29, "WHILE without WEND"},
    {30, "WEND without WHILE"}, {33, "Duplicate label"}, {35, "Subprogram not defined"},
    {37, "Argument-count mismatch"}, {38, "Array not defined"}, {40, "Variable required"},
    {50, "FIELD overflow"}, {51, "Internal error"}, {52, "Bad file name or number"},
    {53, "File not found"}, {54, "Bad file mode"}, {55, "File already open"},
    {56, "FIELD statement active"}, {57, "Device I/O error"}, {58, "File already exists"},
    {59, "Bad record length"}, {61, "Disk full"}, {62, "Input past end of file"},
    {63, "Bad record number"}, {64, "Bad file name"}, {67, "Too many files"},
    {68, "Device unavailable"}, {69, "Communication-buffer overflow"},
    {70, "Permission denied"}, {71, "Disk not ready"}, {72, "Disk-media error"},
    {73, "Feature unavailable"}, {74, "Rename across disks"},
    {75, "Path/File access error"}, {76, "Path not found"}, {258, "Invalid handle"},
    {300, "Memory region out of range"}, {301, "Invalid size"},
    {302, "Source memory region out of range"},
    {303, "Destination memory region out of range"},
    {304, "Source and destination memory regions out of range"},
    {305, "Source memory has been freed"}, {306, "Destination memory has been freed"},
    {307, "Memory already freed"}, {308, "Memory has been freed"},
    {309, "Memory not initialized"}, {310, "Source memory not initialized"},
    {311, "Destination memory not initialized"},
    {312, "Source and destination memory not initialized"},
    {313, "Source and destination memory have been freed"},
};

void report_to_stderr(const char* title, const char* text) {
    std::fprintf(stderr, "%s: %s\n", title, text);
}

CriticalReport critical_report = report_to_stderr;
ErrorObserver observer = nullptr;

}  // namespace

const char* error_message(unsigned number) {
    for (const ErrorText& e : error_texts)
        if (e.number == number) return e.message;
    return "Unprintable error";
}

bool error_is_immediate_critical(int n) {
    return n == 11 || n == 256 || n == 257 || n == 259 || n == 260 || n == 261 ||
           n == 270 || n == 271 || (n >= 502 && n <= 518);
}

const char* error_critical_message(int n) {
    switch (n) {
        case 11: return "Division by zero";
        case 256: return "Out of stack space";
        case 259: return "Cannot find dynamic library file";
        case 260:
        case 261: return "Sub/Function does not exist in dynamic library";
        case 270: return "_GL command called outside of SUB _GL's scope";
        case 271: return "END/SYSTEM called within SUB _GL's scope";
        default: return "Out of memory";  // 257 and 502-518
    }
}

void error_critical_title(int n, char* out, int out_size) {
    if (n == 257)
        std::snprintf(out, out_size, "Critical Error #1");
    else if (n >= 502 && n <= 518)
        std::snprintf(out, out_size, "Critical Error #%d", n - 500);
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
    if (number < 1) number = 5;
    error_pending.store(static_cast<unsigned>(number));
    event_pending.store(1);
    return number;
}
