// A frame drawn with OpenGL 1.1 (and GLU's mipmaps as the last resort): the
// frame as one texture, one window pixel per image pixel unless scaled, and
// the drawn menu bar along the top. Shared by the platforms whose windows
// have an OpenGL context.
#pragma once

#include "host/platform.h"

// Clears the current context's window and draws `frame`; a new frame is
// uploaded first: straight, else padded to powers of two, else through
// mipmaps. True when it was uploaded (display thread).
bool render_gl_frame(const WindowFrame* frame);
