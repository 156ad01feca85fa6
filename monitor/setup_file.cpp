#include "monitor/monitor.h"

void setup_file_read() {}
