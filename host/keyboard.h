// Keyboard input: key codes, the keys-down list, the translation to
// (character, scan) pairs and the 16-slot key buffer the program reads.
#pragma once

#include <atomic>
#include <cstdint>

#include "text/string_value.h"

extern std::atomic<uint8_t> pause_flag;  // bit value 1: paused until the next key

// Takes one key from the buffer: "" when empty, one byte, or 0 and a scan byte.
StringValue* key_read();

// Entry points of the window callbacks.
void key_down(int32_t code);
void key_up(int32_t code);

// Start-up: empty buffer, lock-key state copied into the keys-down list.
void keyboard_init();
// Compares the lock toggles with the keys-down list (service thread).
void keyboard_sync_locks();
// Registers the window's key callbacks (display thread).
void keyboard_register_callbacks();
