// Message boxes on Win32, through MessageBoxA, for the Win32 platform
// (host/platform_win32.cpp). Styles and answers are MessageBoxA's own values,
// which box_* and answer_* of host/platform.h are.
#pragma once

// Shows `text` under `title` (no owner window) and waits for the answer.
// Once the boxes are abandoned, answers at once without showing: No for a
// Yes/No box, else OK.
int message_box_win32(const char* text, const char* title, int style);
// Answers every open box, No where it has a No button, else OK, and every
// later one at once (the program is ending). Returns once no box is open, or
// after a second.
void message_box_win32_abandon();
