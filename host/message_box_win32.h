// Message boxes on Win32, through MessageBoxA. Styles and answers are
// MessageBoxA's own values, which box_* and answer_* of host/message_box.h are.
#pragma once

// Shows `text` under `title` (no owner window) and waits for the answer.
// Once the boxes are abandoned, answers at once without showing: No for a
// Yes/No box, else OK.
int win32_message_box(const char* text, const char* title, int style);
// Answers every open box, No where it has a No button, else OK, and every
// later one at once (the program is ending). Returns once no box is open, or
// after a second.
void win32_message_box_abandon();
