// What the tests of text/, files/ and graphics/ see of the error state: the
// real one (errors/runtime_error.h), with an observer that records every
// number raised.
#pragma once

#include <vector>

// Numbers passed to runtime_error since the last reset, in order.
const std::vector<int>& raised_errors();
// Clears error_pending, event_pending and the record; installs the recorder.
void reset_errors();
