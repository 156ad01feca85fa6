#include "monitor/monitor.h"

void log_pass() {}
