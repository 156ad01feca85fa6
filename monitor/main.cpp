// skerrow: the spot monitor in its window.
#include "host/process.h"
#include "monitor/monitor.h"

int main(int argc, char** argv) { runtime_main(argc, argv, monitor_main); }
