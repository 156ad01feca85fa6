// The window's own X11 properties, beside what freeglut sets.
#pragma once

// Gives the current window a WM_CLASS and _NET_WM_PID (display thread).
void window_x11_tag();
