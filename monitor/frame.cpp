#include "monitor/monitor.h"

void frame_draw() {}
