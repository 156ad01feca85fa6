// Runtime errors: the one way every runtime operation reports a failure.
//
// A failing operation calls runtime_error() and returns normally; while an
// error is pending every other operation returns at once without effect.
// The statement epilogue (host/line_event.h) then reports it to the user.
// This state sits below every layer and uses nothing but the standard library;
// what shows an error to the user is installed from above as hooks.
#pragma once

#include <atomic>
#include <cstdint>

// ---- State -----------------------------------------------------------------

extern std::atomic<unsigned> error_pending;  // 0, or the number raised and not yet reported
extern std::atomic<int> event_pending;       // some thread wants line_event after this statement
extern int error_line;                       // statement number of the report in progress

// ---- Raising ---------------------------------------------------------------

// Raises error `number`. Immediate-critical numbers show their box and end the
// process; for the others the first error of a statement wins, numbers below 1
// become 5, and the number now pending is returned.
int runtime_error(int number);

// True for the numbers runtime_error() ends the process on at once.
bool error_is_immediate_critical(int number);

// Message and title of an immediate-critical number.
const char* error_critical_message(int number);
void error_critical_title(int number, char* out, int out_size);

// Message of an ordinary number, or "Unprintable error".
const char* error_message(unsigned number);

// Process exit code after a critical error.
constexpr int critical_exit_code = 3;

// The box shown for a critical error; installed by the host once its dialogs
// work. The default writes the report to standard error.
using CriticalReport = void (*)(const char* title, const char* text);
void runtime_error_set_critical_report(CriticalReport report);

// Told every number passed to runtime_error(), before anything else happens;
// tests record the reports with it. Null: nobody is told.
using ErrorObserver = void (*)(int number);
void runtime_error_set_observer(ErrorObserver observer);
