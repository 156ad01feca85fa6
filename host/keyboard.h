// Keyboard input: key codes, the keys-down list, the translation to
// (character, scan) pairs and the 16-slot key buffer the program reads.
//
// Key codes: 1-255 characters; scan x 256 extended keys; 100019 Pause;
// 100256-100271 keypad keys; 100300-100308 lock and modifier keys; 100318
// Break; 200000-200010 keypad keys in their cursor role; 200011 and 200012
// the Scroll Lock and insert states.
#pragma once

#include <atomic>
#include <cstdint>

#include "text/string_value.h"

constexpr int32_t key_pause = 100019, key_break = 100318;
constexpr int32_t key_num_lock = 100300, key_caps_lock = 100301, key_scroll_lock = 100302;
constexpr int32_t key_right_shift = 100303, key_left_shift = 100304, key_right_ctrl = 100305,
                  key_left_ctrl = 100306, key_right_alt = 100307, key_left_alt = 100308;
constexpr int32_t key_scroll_state = 200011, key_insert_state = 200012;

// ---- The program's side -------------------------------------------------------

// Takes one key from the buffer: "" when empty, one byte, or 0 and a scan byte.
StringValue* key_read();

// ---- The window's side --------------------------------------------------------

// Entry points of the window callbacks.
void key_down(int32_t code);
void key_up(int32_t code);
// True while `code` (or its keypad or cursor-role twin) is held.
bool key_is_down(int32_t code);
// Drops modifiers the window system says are not held (a release may have
// gone to another window): bit 0 Shift, 1 Ctrl, 2 Alt.
void keys_release_modifiers(int held_mask);

// One row of the translation table: base code, scan code, then the values of
// the states none, Shift, Ctrl, Alt, keypad digit, -, -, keypad digit with Shift.
struct KeyEntry {
    int32_t base = 0, scan = 0;  // base key code and PC scan code; scan 0: the code is the character
    int32_t value[8] = {};       // per state: < 256 a character, bits in 0xFF00 a scan code, 0 no key
};
constexpr int key_table_size = 528;
const KeyEntry& key_table_entry(int index);

// ---- Start-up and the lock keys -------------------------------------------------

// Empty buffer, lock-key state copied into the keys-down list.
void keyboard_init();
// Compares the lock toggles with the keys-down list (service thread).
void keyboard_sync_locks();
// The lock toggles as the window system reports them: bit 0 Caps, 1 Num, 2 Scroll; -1 unknown.
using LockReader = int (*)();
void keyboard_set_lock_reader(LockReader reader);

// Set by Alt+Enter; the display thread switches full-screen display.
extern std::atomic<int> fullscreen_toggle_request;
