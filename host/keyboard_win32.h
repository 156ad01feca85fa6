// The keyboard's lock toggles on Win32, through GetKeyState.
#pragma once

// Bit 0 Caps Lock, bit 1 Num Lock, bit 2 Scroll Lock, each set while its
// toggle is on. Fits keyboard_set_lock_reader of host/keyboard.h.
int win32_lock_keys();
