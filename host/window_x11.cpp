// The window on X11: freeglut's window and loop behind the window seam, the
// windows' own X11 properties beside what freeglut sets, a watch on the
// window for Pause and Ctrl+Break (which freeglut does not deliver), and the
// lock toggles as the X server reports them.
#include "host/window_x11.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "host/message_box.h"
#include "host/render_gl.h"

static_assert(window_key_f1 == GLUT_KEY_F1 && window_key_f12 == GLUT_KEY_F12 && window_key_left == GLUT_KEY_LEFT &&
                  window_key_insert == GLUT_KEY_INSERT && window_key_shift_l == GLUT_KEY_SHIFT_L &&
                  window_key_alt_r == GLUT_KEY_ALT_R,
              "freeglut's special-key codes pass unchanged");
static_assert(window_active_shift == GLUT_ACTIVE_SHIFT && window_active_ctrl == GLUT_ACTIVE_CTRL &&
                  window_active_alt == GLUT_ACTIVE_ALT,
              "freeglut's modifier bits pass unchanged");
static_assert(window_button_left == GLUT_LEFT_BUTTON && window_button_down == GLUT_DOWN && window_button_up == GLUT_UP,
              "freeglut's mouse codes pass unchanged");

namespace {

Window main_window_id = 0;
int main_window = 0;  // freeglut's number of the main window
const WindowCallbacks* callbacks = nullptr;

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

// ---- Pause and Break --------------------------------------------------------------------
// A second connection that listens to the main window for the two keys;
// drained on the display thread.

Display* watch = nullptr;

void watch_open() {
    unsigned long window = window_x11_main();
    if (window == 0) return;
    watch = XOpenDisplay(nullptr);
    if (watch == nullptr) {
        std::fprintf(stderr, "skerrow: cannot open a second X connection: Pause and Ctrl+Break will not work\n");
        return;
    }
    XSelectInput(watch, window, KeyPressMask | KeyReleaseMask);
    XFlush(watch);
}

bool x11_poll() {
    if (watch == nullptr) return false;
    bool keys = false;
    while (XPending(watch) > 0) {
        XEvent event;
        XNextEvent(watch, &event);
        if (event.type != KeyPress && event.type != KeyRelease) continue;
        keys = true;
        KeySym sym = XLookupKeysym(&event.xkey, 0);
        bool ctrl = event.xkey.state & ControlMask;
        int32_t code = 0;
        if (ctrl && (sym == XK_Pause || sym == XK_Break)) code = window_code_break;
        else if (sym == XK_Pause) code = window_code_pause;
        if (code == 0 || callbacks == nullptr || callbacks->key_break == nullptr) continue;
        callbacks->key_break(code, event.type == KeyPress);
    }
    return keys;
}

// ---- Lock toggles (service thread, its own connection) -----------------------------------

Display* locks_display = nullptr;
int caps_index = -1, num_index = -1, scroll_index = -1;

int indicator_index(Display* d, const char* name) {
    int index = -1;
    Bool on = False;
    Atom atom = XInternAtom(d, name, False);
    if (!XkbGetNamedIndicator(d, atom, &index, &on, nullptr, nullptr)) return -1;
    return index;
}

int locks_known = -1;

// ---- The window ---------------------------------------------------------------------------

// The X server went away (shut down, or the session ended). Xlib's own handler
// would call exit(), whose clean-up runs under the threads that are still
// drawing and building frames; the process ends at once instead.
int display_lost(Display* d) {
    std::fprintf(stderr, "skerrow: the X display %s is gone\n", d ? DisplayString(d) : "");
    std::fflush(stderr);
    std::_Exit(1);
}

bool x11_connect() {
    Display* probe = XOpenDisplay(nullptr);
    if (probe == nullptr) {
        std::fprintf(stderr,
                     "skerrow: no X display (DISPLAY=%s); run it on a desktop, or under Xvfb: "
                     "xvfb-run -s '-screen 0 1024x768x24' ./skerrow\n",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return false;
    }
    XCloseDisplay(probe);
    XInitThreads();
    XSetIOErrorHandler(display_lost);
    return true;
}

bool x11_open(int* argc, char** argv) {
    glutInit(argc, argv);
    glutInitDisplayMode(18);
    return glutGet(GLUT_DISPLAY_MODE_POSSIBLE) != 0;
}

bool x11_create(int width, int height, const char* title) {
    glutInitWindowSize(width, height);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    main_window = glutCreateWindow(title);
    window_x11_tag();
    GLenum glew = glewInit();
    if (glew != GLEW_OK) alert(reinterpret_cast<const char*>(glewGetErrorString(glew)));
    return true;
}

bool x11_gl_extension(const char* name) { return glewIsSupported(name); }

void on_reshape(int width, int height) {
    if (glutGetWindow() != main_window || callbacks->reshape == nullptr) return;
    callbacks->reshape(width, height);
}

// freeglut's key callbacks also give the pointer's place, which no key needs.
void on_keyboard(unsigned char key, int, int) { callbacks->keyboard(key); }
void on_keyboard_up(unsigned char key, int, int) { callbacks->keyboard_up(key); }
void on_special(int key, int, int) { callbacks->special(key); }
void on_special_up(int key, int, int) { callbacks->special_up(key); }

void x11_callbacks_set(const WindowCallbacks* c) {
    callbacks = c;
    if (c->display) glutDisplayFunc(c->display);
    glutKeyboardFunc(c->keyboard ? on_keyboard : nullptr);
    glutKeyboardUpFunc(c->keyboard_up ? on_keyboard_up : nullptr);
    glutSpecialFunc(c->special ? on_special : nullptr);
    glutSpecialUpFunc(c->special_up ? on_special_up : nullptr);
    glutMouseFunc(c->mouse);
    glutReshapeFunc(on_reshape);
    glutCloseFunc(c->close);
    watch_open();
}

void x11_title_set(const char* title) {
    int current = glutGetWindow();
    glutSetWindow(main_window);
    glutSetWindowTitle(title);
    if (current != 0 && current != main_window) glutSetWindow(current);
}

void x11_reshape(int width, int height) {
    glutSetWindow(main_window);
    glutReshapeWindow(width, height);
}

void x11_position(int x, int y) {
    glutSetWindow(main_window);
    glutPositionWindow(x, y);
}

void x11_screen_size(int* width, int* height) {
    *width = glutGet(GLUT_SCREEN_WIDTH);
    *height = glutGet(GLUT_SCREEN_HEIGHT);
}

void x11_full_screen() {
    glutSetWindow(main_window);
    glutFullScreen();
}

void x11_full_screen_leave() {
    glutSetWindow(main_window);
    glutLeaveFullScreen();
}

void x11_redisplay_post() {
    glutSetWindow(main_window);
    glutPostRedisplay();
}

bool x11_frame_draw(const WindowFrame* frame) {
    glutSetWindow(main_window);
    return render_gl_frame(frame);
}

void x11_buffers_swap() { glutSwapBuffers(); }

void x11_timer_add(unsigned ms, void (*callback)(int), int value) { glutTimerFunc(ms, callback, value); }

int x11_modifiers() { return glutGetModifiers(); }

void x11_main_loop() { glutMainLoop(); }

}  // namespace

const WindowSystem window_system_x11 = {
    .connect = x11_connect,
    .open = x11_open,
    .create = x11_create,
    .gl_extension = x11_gl_extension,
    .callbacks_set = x11_callbacks_set,
    .title_set = x11_title_set,
    .reshape = x11_reshape,
    .position = x11_position,
    .screen_size = x11_screen_size,
    .full_screen = x11_full_screen,
    .full_screen_leave = x11_full_screen_leave,
    .redisplay_post = x11_redisplay_post,
    .frame_draw = x11_frame_draw,
    .buffers_swap = x11_buffers_swap,
    .timer_add = x11_timer_add,
    .modifiers = x11_modifiers,
    .poll = x11_poll,
    .main_loop = x11_main_loop,
    .box_alone = message_box_x11_alone,
};

// Asks the server only when it has said that an indicator changed, so an idle
// comparison costs no round trip.
int window_x11_lock_keys() {
    if (locks_display == nullptr) {
        static bool tried = false;
        if (tried) return -1;
        tried = true;
        locks_display = XOpenDisplay(nullptr);
        if (locks_display == nullptr) return -1;
        caps_index = indicator_index(locks_display, "Caps Lock");
        num_index = indicator_index(locks_display, "Num Lock");
        scroll_index = indicator_index(locks_display, "Scroll Lock");
        XkbSelectEvents(locks_display, XkbUseCoreKbd, XkbIndicatorStateNotifyMask, XkbIndicatorStateNotifyMask);
    } else {
        bool changed = false;
        while (XPending(locks_display) > 0) {
            XEvent event;
            XNextEvent(locks_display, &event);
            changed = true;
        }
        if (!changed) return locks_known;
    }
    unsigned state = 0;
    if (XkbGetIndicatorState(locks_display, XkbUseCoreKbd, &state) != Success) return -1;
    auto on = [&](int index) { return index >= 0 && (state >> index) & 1; };
    locks_known = (on(caps_index) ? 1 : 0) | (on(num_index) ? 2 : 0) | (on(scroll_index) ? 4 : 0);
    return locks_known;
}

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
