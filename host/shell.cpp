#include "host/shell.h"

#include "host/runtime_error.h"

void shell_run(StringValue*, int) {
    if (error_pending.load()) return;
}
