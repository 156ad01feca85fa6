// The X11 platform's pieces (freeglut and Xlib), put together in
// host/platform_x11.cpp: the window and its loop, the windows' own X11
// properties, the lock toggles, and the message box's windows.
#pragma once

#include "host/platform.h"

// ---- The window ---------------------------------------------------------------------

// freeglut's window and loop behind the window seam.
extern const WindowSystem window_system_x11;
// The lock toggles as the X server reports them (its own connection).
int window_x11_lock_keys();

// ---- Window properties ----------------------------------------------------------------

// Gives the current (main) window a WM_CLASS and _NET_WM_PID (display thread).
void window_x11_tag();
// The same for a dialog window, marked transient for the main window and kept above it.
void window_x11_tag_dialog();
// The X window id of the main window, or 0 before it exists.
unsigned long window_x11_main();

// ---- Message boxes --------------------------------------------------------------------

// A box in a window of its own, drawn by the display thread above the main window.
int message_box_x11(const char* text, const char* title, int style);
void message_box_x11_abandon();
// The same box alone, before the runtime starts (WindowSystem::box_alone).
bool message_box_x11_alone(const char* text, const char* title);
