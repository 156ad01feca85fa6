// The windows' own X11 properties, beside what freeglut sets.
#pragma once

// Gives the current (main) window a WM_CLASS and _NET_WM_PID (display thread).
void window_x11_tag();
// The same for a dialog window, marked transient for the main window and kept above it.
void window_x11_tag_dialog();
