// Stand-in for the host's error reporting, so that the text, files and
// graphics tests run without the host: raised numbers are recorded.
#pragma once

#include <vector>

// Numbers passed to runtime_error since the last reset, in order.
const std::vector<int>& raised_errors();
// Clears error_pending, event_pending and the record.
void reset_errors();
