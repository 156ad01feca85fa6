// The window on Win32: one top-level window of the class "Skerrow" with an
// OpenGL 1.1 context made through WGL, and its event loop, behind the window
// seam (host/platform.h) with the events and codes freeglut gives elsewhere:
// the display, timer, reshape, key and mouse callbacks, Pause and Ctrl+Break
// (WM_KEYDOWN of VK_PAUSE and VK_CANCEL) as key codes, the close button as a
// callback that leaves the window up. A menu bar attached to it lies outside
// the client area. Everything runs on the thread that made the window (the
// display thread) unless said otherwise.
#pragma once

#include "host/platform.h"

// ---- The window ---------------------------------------------------------------------

extern const WindowSystem window_system_win32;

// The class name of the window, for finding it.
constexpr char window_win32_class[] = "Skerrow";

// ---- Lock toggles ----------------------------------------------------------------------

// Bit 0 Caps Lock, bit 1 Num Lock, bit 2 Scroll Lock, as GetKeyState gave them
// to the display thread at its last key message or timer tick (GetKeyState
// follows the input of the thread that asks); -1 before the window exists.
// Any thread.
int window_win32_lock_keys();
