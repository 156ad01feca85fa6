#include "host/window_x11.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

void window_x11_tag() {
    Display* display = glXGetCurrentDisplay();
    Window window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0) return;
    XClassHint hint;
    char name[] = "skerrow", cls[] = "Skerrow";
    hint.res_name = name;
    hint.res_class = cls;
    XSetClassHint(display, window, &hint);
    long pid = long(getpid());
    Atom wm_pid = XInternAtom(display, "_NET_WM_PID", False);
    XChangeProperty(display, window, wm_pid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    XFlush(display);
}
