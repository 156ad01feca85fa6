// A window through the Win32 window system alone (host/window_win32.h), for
// the tests under Wine: it shows the probe picture at one pixel per pixel,
// drawn as the runtime draws its frames (host/render_gl.h), and reports on
// standard error every callback it gets and every change of the lock
// toggles. Keys: q leaves the loop (exit 0), m attaches a menu bar from
// another thread (as the monitor does), f and w enter and leave full screen.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "host/window_win32.h"
#include "tests/host/window_probe_pattern.h"

namespace {

constexpr const char* title = "Skerrow window probe";
const WindowSystem& window = window_system_win32;
std::vector<uint32_t> pixels;
bool uploaded = false;
RECT reported{-1, -1, -1, -1};
bool full_screen = false;
int locks_reported = -2;

void say(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fflush(stderr);
}

HWND handle() { return FindWindowA(window_win32_class, nullptr); }

// The client area's place on the screen, whenever it changes.
void client_report() {
    HWND w = handle();
    RECT r;
    POINT origin{0, 0};
    GetClientRect(w, &r);
    ClientToScreen(w, &origin);
    RECT now{origin.x, origin.y, r.right, r.bottom};
    if (std::memcmp(&now, &reported, sizeof now) == 0) return;
    reported = now;
    say("client %ld %ld %ld %ld\n", now.left, now.top, now.right, now.bottom);
}

void on_display() {
    RECT r;
    GetClientRect(handle(), &r);
    WindowFrame frame{.pixels = pixels.data(), .width = probe_picture_width, .height = probe_picture_height,
                      .is_new = !uploaded, .window_width = int32_t(r.right), .window_height = int32_t(r.bottom),
                      .dest_width = float(probe_picture_width), .dest_height = float(probe_picture_height)};
    if (window.frame_draw(&frame)) uploaded = true;
    window.buffers_swap();
    client_report();
}

// Like the runtime, the window is brought back to the picture's size.
void on_reshape(int width, int height) {
    say("reshape %d %d\n", width, height);
    if (!full_screen && (width != probe_picture_width || height != probe_picture_height))
        window.reshape(probe_picture_width, probe_picture_height);
}

// A menu bar of two items, made and attached from another thread, the window found by its title.
void menu_attach() {
    HWND w = FindWindowA(nullptr, title);
    HMENU menu = CreateMenu();
    const char* captions[2] = {"Edit setup file", "Help"};
    for (UINT i = 0; i < 2; i++) {
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE;
        item.fType = MFT_STRING;
        item.wID = i;
        item.dwTypeData = const_cast<char*>(captions[i]);
        InsertMenuItemA(menu, i, TRUE, &item);
    }
    say("menu %d\n", w != nullptr && SetMenu(w, menu) ? 1 : 0);
}

void on_keyboard(unsigned char key) {
    say("keyboard %d %d\n", key, window.modifiers());
    if (key == 'q') DestroyWindow(handle());
    if (key == 'm') std::thread(menu_attach).detach();
    if (key == 'f') full_screen = true, window.full_screen();
    if (key == 'w') full_screen = false, window.full_screen_leave();
}
void on_keyboard_up(unsigned char key) { say("keyboard-up %d %d\n", key, window.modifiers()); }
void on_special(int key) { say("special %d %d\n", key, window.modifiers()); }
void on_special_up(int key) { say("special-up %d %d\n", key, window.modifiers()); }
void on_mouse(int button, int state, int x, int y) { say("mouse %d %d %d %d\n", button, state, x, y); }
void on_close() { say("close\n"); }
void on_break(int32_t code, bool down) { say("break %d %d\n", int(code), down ? 1 : 0); }

// Three timers, then a look at the lock toggles every tick.
void on_timer(int value) {
    if (value <= 3) say("timer %d\n", value);
    window.poll();
    if (window_win32_lock_keys() != locks_reported) {
        locks_reported = window_win32_lock_keys();
        say("locks %d\n", locks_reported);
    }
    window.timer_add(8, on_timer, value < 4 ? value + 1 : 4);
}

const WindowCallbacks callbacks = {.display = on_display, .reshape = on_reshape, .keyboard = on_keyboard,
                                   .keyboard_up = on_keyboard_up, .special = on_special, .special_up = on_special_up,
                                   .mouse = on_mouse, .close = on_close, .key_break = on_break};

}  // namespace

int main() {
    say("mode %d\n", window.open(nullptr, nullptr) ? 1 : 0);
    pixels.resize(size_t(probe_picture_width) * probe_picture_height);
    for (int y = 0; y < probe_picture_height; y++)
        for (int x = 0; x < probe_picture_width; x++)
            pixels[size_t(y) * probe_picture_width + size_t(x)] = 0xFF000000u | probe_picture_pixel(x, y);
    if (!window.create(probe_picture_width, probe_picture_height, title)) {
        say("no window\n");
        return 2;
    }
    say("gl %d bgra %d\n", wglGetCurrentContext() != nullptr ? 1 : 0, window.gl_extension("GL_EXT_bgra") ? 1 : 0);
    window.callbacks_set(&callbacks);
    window.timer_add(8, on_timer, 1);
    window.main_loop();
    say("left\n");
    return 0;
}
