// The window's side of the keyboard: the key callbacks of the window
// (host/platform.h), which the display loop registers, turned into the key
// codes of host/keyboard.h.
#pragma once

#include <cstdint>

#include "host/platform.h"

// The window whose modifiers the callbacks ask, and what to call when a key
// arrives (the display loop polls at its full rate again). Display thread,
// before the callbacks run.
void keyboard_window_attach(const WindowSystem* window, void (*activity)());

// The callbacks themselves.
void keyboard_window_character(unsigned char key);
void keyboard_window_character_up(unsigned char key);
void keyboard_window_special(int key);
void keyboard_window_special_up(int key);
void keyboard_window_break(int32_t code, bool down);
