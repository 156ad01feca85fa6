#include "host/window_x11.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

namespace {

Window main_window_id = 0;

void tag(Display* display, Window window) {
    XClassHint hint;
    char name[] = "skerrow", cls[] = "Skerrow";
    hint.res_name = name;
    hint.res_class = cls;
    XSetClassHint(display, window, &hint);
    long pid = long(getpid());
    Atom wm_pid = XInternAtom(display, "_NET_WM_PID", False);
    XChangeProperty(display, window, wm_pid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
}

}  // namespace

void window_x11_tag() {
    Display* display = glXGetCurrentDisplay();
    Window window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0) return;
    main_window_id = window;
    tag(display, window);
    XFlush(display);
}

void window_x11_tag_dialog() {
    Display* display = glXGetCurrentDisplay();
    Window window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0) return;
    tag(display, window);
    if (main_window_id != 0) XSetTransientForHint(display, window, main_window_id);
    Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    Atom above = XInternAtom(display, "_NET_WM_STATE_ABOVE", False);
    Atom modal = XInternAtom(display, "_NET_WM_STATE_MODAL", False);
    Atom both[2] = {above, modal};
    XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(both), 2);
    XFlush(display);
}

unsigned long window_x11_main() { return main_window_id; }
