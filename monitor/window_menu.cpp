#include "monitor/monitor.h"

void menu_bind() {}
void menu_startup() {}
void menu_poll() {}
