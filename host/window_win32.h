// The window on Win32: one top-level window with an OpenGL 1.1 context made
// through WGL, and its event loop. It offers what the display thread uses of
// freeglut elsewhere, with the same callbacks, key codes and modifier bits, so
// that the runtime's window code can stand on either. Everything here runs on
// the thread that created the window (the display thread), except
// win32_window_title_set and win32_window_main_loop_leave, which any thread
// may call (the title from another thread waits until the display thread
// has handled it).
#pragma once

#include <cstdint>

// ---- Codes, as freeglut gives them -------------------------------------------------

// Special keys: F1-F12 are 1-12.
constexpr int win32_key_f1 = 1, win32_key_f12 = 12;
constexpr int win32_key_left = 100, win32_key_up = 101, win32_key_right = 102, win32_key_down = 103,
              win32_key_page_up = 104, win32_key_page_down = 105, win32_key_home = 106,
              win32_key_end = 107, win32_key_insert = 108;
constexpr int win32_key_num_lock = 109, win32_key_begin = 110;  // Begin: keypad 5 without Num Lock
constexpr int win32_key_shift_l = 112, win32_key_shift_r = 113, win32_key_ctrl_l = 114,
              win32_key_ctrl_r = 115, win32_key_alt_l = 116, win32_key_alt_r = 117;
// The Delete key arrives as the character 127, as under freeglut.
constexpr unsigned char win32_char_delete = 127;

// Bits of win32_window_modifiers().
constexpr int win32_active_shift = 1, win32_active_ctrl = 2, win32_active_alt = 4;

// Mouse buttons and their states.
constexpr int win32_button_left = 0, win32_button_middle = 1, win32_button_right = 2;
constexpr int win32_button_down = 0, win32_button_up = 1;

// Pause and Ctrl+Break (WM_KEYDOWN with VK_PAUSE, VK_CANCEL), handed on in
// the keyboard's own codes (key_pause and key_break of host/keyboard.h).
constexpr int32_t win32_code_pause = 100019, win32_code_break = 100318;

// ---- Callbacks ----------------------------------------------------------------------

using Win32DisplayCallback = void (*)();
using Win32ReshapeCallback = void (*)(int width, int height);            // the client area's size
using Win32CharacterCallback = void (*)(unsigned char key, int x, int y);  // x, y: pointer in the client area
using Win32SpecialCallback = void (*)(int key, int x, int y);
using Win32MouseCallback = void (*)(int button, int state, int x, int y);
using Win32CloseCallback = void (*)();                    // the close button; the window stays
using Win32BreakCallback = void (*)(int32_t code, bool down);  // win32_code_pause or win32_code_break
using Win32TimerCallback = void (*)(int value);

// Each replaces the one set before; null removes it.
void win32_window_display_callback_set(Win32DisplayCallback callback);
void win32_window_reshape_callback_set(Win32ReshapeCallback callback);
void win32_window_keyboard_callback_set(Win32CharacterCallback callback);     // a character key down
void win32_window_keyboard_up_callback_set(Win32CharacterCallback callback);  // its release
void win32_window_special_callback_set(Win32SpecialCallback callback);
void win32_window_special_up_callback_set(Win32SpecialCallback callback);
void win32_window_mouse_callback_set(Win32MouseCallback callback);
void win32_window_close_callback_set(Win32CloseCallback callback);
void win32_window_break_callback_set(Win32BreakCallback callback);

// Calls `callback(value)` once, `ms` milliseconds from now, from the event loop.
void win32_window_timer_add(unsigned ms, Win32TimerCallback callback, int value);

// ---- The window ---------------------------------------------------------------------

// True when the screen offers a double-buffered RGBA pixel format with a depth buffer.
bool win32_window_mode_possible();
// Opens the window with a client area of width x height and shows it; raises
// the system timer resolution to 1 ms. False when no window could be made.
bool win32_window_create(int width, int height, const char* title);
// True once the window has an OpenGL context, current on this thread.
bool win32_window_has_gl();
// True when `name` is one of the context's extensions (glGetString(GL_EXTENSIONS)).
bool win32_window_gl_extension(const char* name);
// The window's HWND, or null before it exists.
void* win32_window_handle();

void win32_window_title_set(const char* title);
// Resizes the client area to width x height; a menu bar attached meanwhile lies outside it.
void win32_window_reshape(int width, int height);
// Moves the window's top-left corner to (x, y) on the screen.
void win32_window_position(int x, int y);
void win32_window_screen_size(int& width, int& height);
// Covers the screen without frame or menu bar; leaving restores frame, menu and place.
void win32_window_full_screen();
void win32_window_full_screen_leave();

// Asks for the display callback once the queued messages are handled.
void win32_window_redisplay_post();
void win32_window_buffers_swap();
// Shift, Ctrl and Alt as held for the message being handled.
int win32_window_modifiers();

// ---- The event loop -----------------------------------------------------------------

// Handles messages, timers and redisplays until win32_window_main_loop_leave.
// Timers and redisplays go on while the user holds the menu or moves the window.
void win32_window_main_loop();
void win32_window_main_loop_leave();
