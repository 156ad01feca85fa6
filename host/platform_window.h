// The platform of a desktop with an X server: freeglut's window over X11,
// drawn through OpenGL, with dialogs in windows of their own.
#pragma once

#include "host/platform.h"

extern const Platform platform_x11;
