// Message boxes: the dialogs of the runtime (error reports, critical errors,
// alerts). Every box is written to standard error as one line, then shown
// by the platform (host/platform.h), whose styles and answers these are.
#pragma once

#include "host/platform.h"

// Installs the critical-error report: a box, then the end of the process.
void message_box_init();
// Shows `text` under `title` and waits for the answer.
int message_box(const char* text, const char* title, int style);
// An OK box titled "Alert".
void alert(const char* text);
void alert_number(long long number);
// Answers every open box at once (the window is closing): No, or OK.
void message_box_abandon();
