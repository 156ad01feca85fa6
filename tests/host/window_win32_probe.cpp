// A window through the Win32 backend alone, for the tests under Wine: it
// shows the probe picture at one pixel per pixel and reports on standard
// error every callback it gets. Keys: q leaves the loop (exit 0), m attaches
// a menu bar from another thread (as the monitor does), f and w enter and
// leave full screen.
#include <windows.h>
#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "host/window_win32.h"
#include "tests/host/window_probe_pattern.h"

namespace {

constexpr const char* title = "Skerrow window probe";
constexpr GLenum bgra = GL_BGRA_EXT;
GLuint texture = 0;
RECT reported{-1, -1, -1, -1};
bool full_screen = false;

void say(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fflush(stderr);
}

// The client area's place on the screen, whenever it changes.
void client_report() {
    HWND w = HWND(win32_window_handle());
    RECT r;
    POINT origin{0, 0};
    GetClientRect(w, &r);
    ClientToScreen(w, &origin);
    RECT now{origin.x, origin.y, r.right, r.bottom};
    if (std::memcmp(&now, &reported, sizeof now) == 0) return;
    reported = now;
    say("client %ld %ld %ld %ld\n", now.left, now.top, now.right, now.bottom);
}

void texture_make() {
    std::vector<uint32_t> pixels(size_t(probe_picture_width) * probe_picture_height);
    for (int y = 0; y < probe_picture_height; y++)
        for (int x = 0; x < probe_picture_width; x++)
            pixels[size_t(y) * probe_picture_width + size_t(x)] = 0xFF000000u | probe_picture_pixel(x, y);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, probe_picture_width, probe_picture_height, 0, bgra, GL_UNSIGNED_BYTE,
                 pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    if (GLenum e = glGetError()) say("texture error %u\n", e);
}

void on_display() {
    RECT r;
    GetClientRect(HWND(win32_window_handle()), &r);
    glViewport(0, 0, r.right, r.bottom);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, r.right, r.bottom, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    if (texture == 0) texture_make();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    float w = float(probe_picture_width), h = float(probe_picture_height);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0); glVertex2f(0, 0);
    glTexCoord2f(1, 0); glVertex2f(w, 0);
    glTexCoord2f(1, 1); glVertex2f(w, h);
    glTexCoord2f(0, 1); glVertex2f(0, h);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    win32_window_buffers_swap();
    client_report();
}

// Like the runtime, the window is brought back to the picture's size.
void on_reshape(int width, int height) {
    say("reshape %d %d\n", width, height);
    if (!full_screen && (width != probe_picture_width || height != probe_picture_height))
        win32_window_reshape(probe_picture_width, probe_picture_height);
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

void on_keyboard(unsigned char key, int, int) {
    say("keyboard %d %d\n", key, win32_window_modifiers());
    if (key == 'q') win32_window_main_loop_leave();
    if (key == 'm') std::thread(menu_attach).detach();
    if (key == 'f') full_screen = true, win32_window_full_screen();
    if (key == 'w') full_screen = false, win32_window_full_screen_leave();
}
void on_keyboard_up(unsigned char key, int, int) { say("keyboard-up %d %d\n", key, win32_window_modifiers()); }
void on_special(int key, int, int) { say("special %d %d\n", key, win32_window_modifiers()); }
void on_special_up(int key, int, int) { say("special-up %d %d\n", key, win32_window_modifiers()); }
void on_mouse(int button, int state, int x, int y) { say("mouse %d %d %d %d\n", button, state, x, y); }
void on_close() { say("close\n"); }
void on_break(int32_t code, bool down) { say("break %d %d\n", int(code), down ? 1 : 0); }

void on_timer(int value) {
    say("timer %d\n", value);
    if (value < 3) win32_window_timer_add(8, on_timer, value + 1);
}

}  // namespace

int main() {
    say("mode %d\n", win32_window_mode_possible() ? 1 : 0);
    if (!win32_window_create(probe_picture_width, probe_picture_height, title)) {
        say("no window\n");
        return 2;
    }
    say("gl %d bgra %d\n", win32_window_has_gl() ? 1 : 0, win32_window_gl_extension("GL_EXT_bgra") ? 1 : 0);
    win32_window_display_callback_set(on_display);
    win32_window_reshape_callback_set(on_reshape);
    win32_window_keyboard_callback_set(on_keyboard);
    win32_window_keyboard_up_callback_set(on_keyboard_up);
    win32_window_special_callback_set(on_special);
    win32_window_special_up_callback_set(on_special_up);
    win32_window_mouse_callback_set(on_mouse);
    win32_window_close_callback_set(on_close);
    win32_window_break_callback_set(on_break);
    win32_window_timer_add(8, on_timer, 1);
    win32_window_main_loop();
    say("left\n");
    return 0;
}
