// The windows' own X11 properties, beside what freeglut sets.
#pragma once

// Gives the current (main) window a WM_CLASS and _NET_WM_PID (display thread).
void window_x11_tag();
// The same for a dialog window, marked transient for the main window and kept above it.
void window_x11_tag_dialog();
// The X window id of the main window, or 0 before it exists.
unsigned long window_x11_main();
