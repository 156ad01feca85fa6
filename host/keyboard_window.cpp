// The window's side of the keyboard: the window's key callbacks (in the codes
// of host/platform.h) turned into key codes, and Pause and Break, which the
// window delivers apart from them.
#include "host/keyboard_window.h"

#include "host/keyboard.h"

static_assert(window_code_pause == key_pause && window_code_break == key_break, "the window gives our own codes");

namespace {

const WindowSystem* window = nullptr;
void (*activity)() = nullptr;

// Drops modifiers the window says are not held, then gives the state.
int modifiers_now() {
    activity();
    int m = window->modifiers();
    keys_release_modifiers((m & window_active_shift ? 1 : 0) | (m & window_active_ctrl ? 2 : 0) |
                           (m & window_active_alt ? 4 : 0));
    return m;
}

int32_t character_code(unsigned char key) {
    int m = modifiers_now();
    int32_t code = key;
    if (m & window_active_ctrl) {
        // Shift comes from the keys held: freeglut also reports Shift while Caps Lock is on.
        bool shift = key_is_down(key_left_shift) || key_is_down(key_right_shift);
        if (code == 10) code = 13;
        else if (code >= 1 && code <= 26) code += shift ? 64 : 96;
    }
    if (code == 127) code = 0x5300;
    return code;
}

int32_t special_code(int key) {
    if (key >= window_key_f1 && key <= window_key_f10) return (0x3B + key - window_key_f1) << 8;
    switch (key) {
        case window_key_f11: return 0x8500;
        case window_key_f12: return 0x8600;
        case window_key_left: return 0x4B00;
        case window_key_up: return 0x4800;
        case window_key_right: return 0x4D00;
        case window_key_down: return 0x5000;
        case window_key_page_up: return 0x4900;
        case window_key_page_down: return 0x5100;
        case window_key_home: return 0x4700;
        case window_key_end: return 0x4F00;
        case window_key_insert: return 0x5200;
        case window_key_shift_l: return key_left_shift;
        case window_key_shift_r: return key_right_shift;
        case window_key_ctrl_l: return key_left_ctrl;
        case window_key_ctrl_r: return key_right_ctrl;
        case window_key_alt_l: return key_left_alt;
        case window_key_alt_r: return key_right_alt;
        default: return 0;
    }
}

}  // namespace

void keyboard_window_attach(const WindowSystem* w, void (*on_activity)()) {
    window = w;
    activity = on_activity;
}

void keyboard_window_character(unsigned char key) { key_down(character_code(key)); }
void keyboard_window_character_up(unsigned char key) { key_up(character_code(key)); }

void keyboard_window_special(int key) {
    int32_t code = special_code(key);
    bool modifier = code >= key_right_shift && code <= key_left_alt;
    if (!modifier) modifiers_now();
    if (code != 0) key_down(code);
}

void keyboard_window_special_up(int key) {
    activity();
    int32_t code = special_code(key);
    if (code != 0) key_up(code);
}

void keyboard_window_break(int32_t code, bool down) {
    activity();
    if (down) key_down(code);
    else key_up(code);
}
