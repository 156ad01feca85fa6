// The seam between the runtime and the window system it shows itself
// through: the window and its event loop, the upload and drawing of a frame,
// Pause and Break, the message box, the lock keys.
//
// Each window system is one Platform record, in files named for it
// (platform_x11.cpp over freeglut and X11, platform_headless.cpp for pictures
// made without a window); main registers the build's window platform
// (host/platform_window.h) before the runtime starts. The runtime's own logic
// is the same on all of them. What differs between
// operating systems below the window has plain functions that the build
// picks: host/system.h, host/shell_system.h, files/file_system.h.
//
// The window's operations and callbacks are shaped like the freeglut subset
// the runtime uses: the same events, key codes and modifier bits.
#pragma once

#include <cstdint>

// ---- Codes the callbacks give -------------------------------------------------------

// Special keys: F1-F12 are 1-12.
constexpr int window_key_f1 = 1, window_key_f10 = 10, window_key_f11 = 11, window_key_f12 = 12;
constexpr int window_key_left = 100, window_key_up = 101, window_key_right = 102, window_key_down = 103,
              window_key_page_up = 104, window_key_page_down = 105, window_key_home = 106,
              window_key_end = 107, window_key_insert = 108;
constexpr int window_key_shift_l = 112, window_key_shift_r = 113, window_key_ctrl_l = 114,
              window_key_ctrl_r = 115, window_key_alt_l = 116, window_key_alt_r = 117;
// Pause and Ctrl+Break, which the key callbacks never give, in the keyboard's
// own codes (key_pause and key_break of host/keyboard.h).
constexpr int32_t window_code_pause = 100019, window_code_break = 100318;

// Bits of WindowSystem::modifiers.
constexpr int window_active_shift = 1, window_active_ctrl = 2, window_active_alt = 4;

// Mouse buttons and their states.
constexpr int window_button_left = 0;
constexpr int window_button_down = 0, window_button_up = 1;

// ---- Message boxes ------------------------------------------------------------------

// Styles and answers of Platform::message_box (the system's own numbers).
constexpr int box_ok = 0, box_yes_no = 4, box_system_modal = 0x1000;
constexpr int answer_ok = 1, answer_yes = 6, answer_no = 7;

// ---- The window ---------------------------------------------------------------------

// One frame to show, with where it goes.
struct WindowFrame {
    const uint32_t* pixels = nullptr;            // 0xAARRGGBB, row by row from the top
    int32_t width = 0, height = 0;               // frame size in pixels
    bool is_new = false;                         // not drawn before: upload it
    int32_t window_width = 0, window_height = 0; // the client area
    float dest_x = 0, dest_y = 0, dest_width = 0, dest_height = 0;  // the frame's place in window pixels
    bool smooth = false;                         // scaled by a fraction: filtered, else nearest pixel
    const uint32_t* bar_pixels = nullptr;        // the menu bar drawn along the top, or null
    int32_t bar_width = 0, bar_height = 0;       // its size in pixels
    bool bar_changed = false;                    // its pixels changed since it was last drawn
};

// What the window tells the runtime; each on the display thread. Pointers may be null.
struct WindowCallbacks {
    void (*display)();                                   // paint the window now
    void (*reshape)(int width, int height);              // the client area's new size
    void (*keyboard)(unsigned char key);                 // a character key down
    void (*keyboard_up)(unsigned char key);
    void (*special)(int key);                            // a special key down (window_key_*)
    void (*special_up)(int key);
    void (*mouse)(int button, int state, int x, int y);  // in the client area
    void (*close)();                                     // the close button; the window stays
    void (*key_break)(int32_t code, bool down);          // window_code_pause or window_code_break
};

// The window's operations. connect() runs on the entry thread before the
// runtime's threads start; everything else on the display thread, which made
// the window and runs its loop.
struct WindowSystem {
    // Reaches the window system; false, after saying why in one line on
    // standard error, when there is none.
    bool (*connect)();
    // Prepares the loop on this thread; false when no double-buffered RGBA
    // mode with a depth buffer exists.
    bool (*open)(int* argc, char** argv);
    // Opens and shows the one window with a client area of width x height
    // and its OpenGL context current; the close button reaches the close
    // callback instead of ending anything. False when no window could be made.
    bool (*create)(int width, int height, const char* title);
    // True when the window's OpenGL offers the extension `name`.
    bool (*gl_extension)(const char* name);
    void (*callbacks_set)(const WindowCallbacks* callbacks);
    void (*title_set)(const char* title);
    // Resizes the client area; a menu bar of the system's own lies outside it.
    void (*reshape)(int width, int height);
    // Moves the window's top-left corner to (x, y) on the screen.
    void (*position)(int x, int y);
    void (*screen_size)(int* width, int* height);
    // Covers the screen without frame or menu bar; leaving restores them.
    void (*full_screen)();
    void (*full_screen_leave)();
    // Asks for the display callback once the events waiting are handled.
    void (*redisplay_post)();
    // Clears the window and draws `frame` (and the bar it carries); true when
    // the frame was uploaded as a new texture.
    bool (*frame_draw)(const WindowFrame* frame);
    void (*buffers_swap)();
    // Calls `callback(value)` once, `ms` milliseconds from now, from the loop.
    void (*timer_add)(unsigned ms, void (*callback)(int value), int value);
    // Shift, Ctrl and Alt (window_active_*) as held for the event being handled.
    int (*modifiers)();
    // Drains what the system delivers beside the loop's own events, each
    // timer tick; true when a key was pressed or released meanwhile.
    bool (*poll)();
    // Runs the loop; returns once the window is gone.
    void (*main_loop)();
    // Instead of all the above, on the entry thread before the runtime
    // starts: shows an OK box alone, no window of the program's open, and
    // waits until it is answered. False, without a word, when there is no
    // display to show it on.
    bool (*box_alone)(const char* text, const char* title);
};

// ---- The platform -------------------------------------------------------------------

struct Platform {
    const char* name;            // "x11", "headless"
    const WindowSystem* window;  // null: no window; the runtime starts headless only
    // Shows a box and waits for its answer (box_* styles, answer_* results);
    // any thread. Writing it to standard error is the caller's part.
    int (*message_box)(const char* text, const char* title, int style);
    // Answers every open box at once (the window is closing): No, or OK.
    void (*message_box_abandon)();
    // The lock toggles: bit 0 Caps, 1 Num, 2 Scroll; -1 unknown (service thread).
    int (*lock_keys)();
};

// Registers the platform the runtime runs on (before it starts); null: headless.
void platform_set(const Platform* platform);
const Platform& platform();

// No window: message boxes are answered Yes (or OK), the lock keys are off.
extern const Platform platform_headless;
