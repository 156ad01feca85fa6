// Message boxes: the dialogs of the runtime (error reports, critical errors, alerts).
#pragma once

constexpr int box_ok = 0, box_yes_no = 4, box_system_modal = 0x1000;
constexpr int answer_ok = 1, answer_yes = 6, answer_no = 7;

// Prepares the dialogs; installs the critical-error report.
void message_box_init();
// Without a window: every box is written to standard error and answered Yes (or OK).
void message_box_headless();
// Shows `text` under `title` and waits for the answer. Every box is also
// written to standard error as one line.
int message_box(const char* text, const char* title, int style);
// An OK box titled "Alert".
void alert(const char* text);
void alert_number(long long number);
// Answers every open box at once (the window is closing): No, or OK.
void message_box_abandon();
