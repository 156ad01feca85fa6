// The window's side of the keyboard: freeglut's key callbacks, a watch on the
// window for Pause and Ctrl+Break (which freeglut does not deliver), and the
// lock toggles as the X server reports them.
#include <GL/freeglut.h>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdio>

#include "host/display.h"
#include "host/keyboard.h"
#include "host/window_x11.h"

namespace {

// ---- freeglut callbacks --------------------------------------------------------------

// Drops modifiers freeglut says are not held, then gives the state.
int modifiers_now() {
    display_activity();
    int m = glutGetModifiers();
    keys_release_modifiers((m & GLUT_ACTIVE_SHIFT ? 1 : 0) | (m & GLUT_ACTIVE_CTRL ? 2 : 0) |
                           (m & GLUT_ACTIVE_ALT ? 4 : 0));
    return m;
}

int32_t character_code(unsigned char key) {
    int m = modifiers_now();
    int32_t code = key;
    if (m & GLUT_ACTIVE_CTRL) {
        // Shift comes from the keys held: freeglut also reports Shift while Caps Lock is on.
        bool shift = key_is_down(key_left_shift) || key_is_down(key_right_shift);
        if (code == 10) code = 13;
        else if (code >= 1 && code <= 26) code += shift ? 64 : 96;
    }
    if (code == 127) code = 0x5300;
    return code;
}

void on_character_down(unsigned char key, int, int) { key_down(character_code(key)); }
void on_character_up(unsigned char key, int, int) { key_up(character_code(key)); }

int32_t special_code(int key) {
    if (key >= GLUT_KEY_F1 && key <= GLUT_KEY_F10) return (0x3B + key - GLUT_KEY_F1) << 8;
    switch (key) {
        case GLUT_KEY_F11: return 0x8500;
        case GLUT_KEY_F12: return 0x8600;
        case GLUT_KEY_LEFT: return 0x4B00;
        case GLUT_KEY_UP: return 0x4800;
        case GLUT_KEY_RIGHT: return 0x4D00;
        case GLUT_KEY_DOWN: return 0x5000;
        case GLUT_KEY_PAGE_UP: return 0x4900;
        case GLUT_KEY_PAGE_DOWN: return 0x5100;
        case GLUT_KEY_HOME: return 0x4700;
        case GLUT_KEY_END: return 0x4F00;
        case GLUT_KEY_INSERT: return 0x5200;
        case GLUT_KEY_SHIFT_L: return key_left_shift;
        case GLUT_KEY_SHIFT_R: return key_right_shift;
        case GLUT_KEY_CTRL_L: return key_left_ctrl;
        case GLUT_KEY_CTRL_R: return key_right_ctrl;
        case GLUT_KEY_ALT_L: return key_left_alt;
        case GLUT_KEY_ALT_R: return key_right_alt;
        default: return 0;
    }
}

void on_special_down(int key, int, int) {
    int32_t code = special_code(key);
    bool modifier = code >= key_right_shift && code <= key_left_alt;
    if (!modifier) modifiers_now();
    if (code != 0) key_down(code);
}

void on_special_up(int key, int, int) {
    display_activity();
    int32_t code = special_code(key);
    if (code != 0) key_up(code);
}

// ---- Pause and Break --------------------------------------------------------------------
// A second connection that listens to the monitor's window for the two keys;
// drained on the display thread.

Display* watch = nullptr;

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

// Asks the server only when it has said that an indicator changed, so an idle
// comparison costs no round trip.
int read_locks() {
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

}  // namespace

void keyboard_register_callbacks() {
    glutKeyboardFunc(on_character_down);
    glutKeyboardUpFunc(on_character_up);
    glutSpecialFunc(on_special_down);
    glutSpecialUpFunc(on_special_up);
    keyboard_set_lock_reader(read_locks);
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

void keyboard_poll_window() {
    if (watch == nullptr) return;
    while (XPending(watch) > 0) {
        XEvent event;
        XNextEvent(watch, &event);
        if (event.type != KeyPress && event.type != KeyRelease) continue;
        display_activity();
        KeySym sym = XLookupKeysym(&event.xkey, 0);
        bool ctrl = event.xkey.state & ControlMask;
        int32_t code = 0;
        if (ctrl && (sym == XK_Pause || sym == XK_Break)) code = key_break;
        else if (sym == XK_Pause) code = key_pause;
        if (code == 0) continue;
        if (event.type == KeyPress) key_down(code);
        else key_up(code);
    }
}
