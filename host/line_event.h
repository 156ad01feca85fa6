// The line-event hook and the statement epilogue.
#pragma once

#include <cstdint>

#include "errors/runtime_error.h"
#include "text/string_value.h"

// Runs after a statement when event_pending is set: holds the program thread
// while paused, parks it at shutdown, and reports a pending error.
void line_event(int line);

// The end of every statement: release its temporaries, then call the hook
// only when some thread has asked for it.
inline void statement_end(uint32_t mark, int line) {
    string_temps_release(mark, 0);
    if (event_pending.load()) line_event(line);
}

// The error report itself (the dialog and its answer).
void error_report(int line);
