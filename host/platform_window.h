// The platform of the window system this build is for, which main registers
// (platform_set of host/platform.h): one file per window system defines it,
// and the build picks that file (platform_x11.cpp: freeglut's window over
// X11, drawn through OpenGL, with dialogs in windows of their own).
#pragma once

#include "host/platform.h"

extern const Platform platform_window;
