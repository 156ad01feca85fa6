#include "host/window_win32.h"

#include <windows.h>
#include <GL/gl.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "host/message_box.h"
#include "host/render_gl.h"

namespace {

// Special keys freeglut gives beside those of host/platform.h, which the
// keyboard ignores: Num Lock, and Begin (keypad 5 without Num Lock).
constexpr int key_num_lock = 109, key_begin = 110;
// The Delete key arrives as the character 127, as under freeglut.
constexpr unsigned char char_delete = 127;
constexpr int button_middle = 1, button_right = 2;

struct Timer {
    int64_t due_us = 0;  // on the performance counter's clock
    void (*callback)(int) = nullptr;
    int value = 0;
};

const WindowCallbacks* callbacks = nullptr;
const WindowCallbacks no_callbacks{};

HWND window = nullptr;
HDC device = nullptr;
HGLRC context = nullptr;
bool redisplay_pending = false;
std::vector<Timer> timers;
// The character each key gave on its way down, by scan code (bit 8: extended),
// handed to the keyboard-up callback when it is released.
unsigned char key_characters[512] = {};
std::atomic<int> lock_toggles{-1};

// Full screen: what leaving it restores.
bool full_screen = false;
LONG saved_style = 0;
RECT saved_rect{};
HMENU saved_menu = nullptr;

// Menu tracking and moving the window run modal loops of their own: a system
// timer keeps our timers going meanwhile.
constexpr UINT_PTR modal_timer_id = 1;

int64_t now_us() {
    static LARGE_INTEGER frequency{};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return int64_t(now.QuadPart / frequency.QuadPart * 1000000 +
                   now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart);
}

void timers_run_due() {
    int64_t now = now_us();
    std::vector<Timer> due;
    auto split = std::stable_partition(timers.begin(), timers.end(), [&](const Timer& t) { return t.due_us > now; });
    due.assign(split, timers.end());
    timers.erase(split, timers.end());
    std::stable_sort(due.begin(), due.end(), [](const Timer& a, const Timer& b) { return a.due_us < b.due_us; });
    for (const Timer& t : due) t.callback(t.value);  // may add timers
}

DWORD timers_wait_ms() {
    if (timers.empty()) return INFINITE;
    int64_t first = timers.front().due_us;
    for (const Timer& t : timers) first = std::min(first, t.due_us);
    int64_t wait = first - now_us();
    return wait <= 0 ? 0 : DWORD((wait + 999) / 1000);
}

void locks_read() {
    lock_toggles.store((GetKeyState(VK_CAPITAL) & 1 ? 1 : 0) | (GetKeyState(VK_NUMLOCK) & 1 ? 2 : 0) |
                       (GetKeyState(VK_SCROLL) & 1 ? 4 : 0));
}

PIXELFORMATDESCRIPTOR pixel_format_wanted() {
    PIXELFORMATDESCRIPTOR p{};
    p.nSize = sizeof p;
    p.nVersion = 1;
    p.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    p.iPixelType = PFD_TYPE_RGBA;
    p.cColorBits = 24;
    p.cDepthBits = 24;
    p.iLayerType = PFD_MAIN_PLANE;
    return p;
}

bool context_make() {
    PIXELFORMATDESCRIPTOR wanted = pixel_format_wanted();
    int format = ChoosePixelFormat(device, &wanted);
    if (format == 0 || !SetPixelFormat(device, format, &wanted)) return false;
    context = wglCreateContext(device);
    if (context != nullptr && !wglMakeCurrent(device, context)) {
        wglDeleteContext(context);
        context = nullptr;
    }
    return context != nullptr;
}

// Outer size of the window for a client area of width x height, with the menu bar if one is attached.
SIZE outer_size(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, DWORD(GetWindowLongA(window, GWL_STYLE)), GetMenu(window) != nullptr,
                       DWORD(GetWindowLongA(window, GWL_EXSTYLE)));
    return {r.right - r.left, r.bottom - r.top};
}

int special_of(WPARAM vk, LPARAM lparam) {
    bool extended = (lparam >> 24) & 1;
    unsigned scan = (lparam >> 16) & 0xFF;
    if (vk >= VK_F1 && vk <= VK_F12) return window_key_f1 + int(vk - VK_F1);
    switch (vk) {
        case VK_LEFT: return window_key_left;
        case VK_UP: return window_key_up;
        case VK_RIGHT: return window_key_right;
        case VK_DOWN: return window_key_down;
        case VK_PRIOR: return window_key_page_up;
        case VK_NEXT: return window_key_page_down;
        case VK_HOME: return window_key_home;
        case VK_END: return window_key_end;
        case VK_INSERT: return window_key_insert;
        case VK_NUMLOCK: return key_num_lock;
        case VK_CLEAR: return key_begin;
        case VK_SHIFT: return scan == 0x36 ? window_key_shift_r : window_key_shift_l;
        case VK_CONTROL: return extended ? window_key_ctrl_r : window_key_ctrl_l;
        case VK_MENU: return extended ? window_key_alt_r : window_key_alt_l;
        default: return 0;
    }
}

unsigned scan_index(LPARAM lparam) { return unsigned((lparam >> 16) & 0xFF) | unsigned((lparam >> 24) & 1) << 8; }

// WM_KEYDOWN and WM_KEYUP (and their WM_SYS forms). Characters come with WM_CHAR;
// here only their releases, with the character their press gave.
void key_message(WPARAM vk, LPARAM lparam, bool down) {
    locks_read();
    if (vk == VK_PAUSE || vk == VK_CANCEL) {
        if (callbacks->key_break) callbacks->key_break(vk == VK_PAUSE ? window_code_pause : window_code_break, down);
        return;
    }
    if (vk == VK_DELETE) {
        auto c = down ? callbacks->keyboard : callbacks->keyboard_up;
        if (c) c(char_delete);
        return;
    }
    if (int key = special_of(vk, lparam)) {
        bool modifier = key >= window_key_shift_l && key <= window_key_alt_r;
        bool repeat = down && ((lparam >> 30) & 1);
        if (modifier && repeat) return;  // held modifiers do not repeat, as under X
        auto c = down ? callbacks->special : callbacks->special_up;
        if (c) c(key);
        return;
    }
    if (!down) {
        unsigned char& c = key_characters[scan_index(lparam)];
        if (c != 0 && callbacks->keyboard_up) callbacks->keyboard_up(c);
        c = 0;
    }
}

void character_message(WPARAM c, LPARAM lparam) {
    if (c > 255) return;
    key_characters[scan_index(lparam)] = (unsigned char)(c);
    if (callbacks->keyboard) callbacks->keyboard((unsigned char)(c));
}

void mouse_message(int button, int state, LPARAM lparam) {
    if (state == window_button_down) SetCapture(window);
    else ReleaseCapture();
    if (callbacks->mouse) callbacks->mouse(button, state, short(LOWORD(lparam)), short(HIWORD(lparam)));
}

void redisplay_post() {
    if (window == nullptr || redisplay_pending) return;
    redisplay_pending = true;
    InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            ValidateRect(hwnd, nullptr);
            redisplay_pending = false;
            if (callbacks->display) callbacks->display();
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SIZE:
            if (wparam != SIZE_MINIMIZED && callbacks->reshape) callbacks->reshape(LOWORD(lparam), HIWORD(lparam));
            redisplay_post();
            return 0;
        case WM_CLOSE:
            if (callbacks->close) callbacks->close();
            else DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            key_message(wparam, lparam, message == WM_KEYDOWN);
            return 0;
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
            key_message(wparam, lparam, message == WM_SYSKEYDOWN);
            // F10 is a key for the program; Alt alone, Alt+F4 and Alt+Space keep their system roles.
            if (wparam == VK_F10) return 0;
            break;
        case WM_CHAR:
        case WM_SYSCHAR:
            character_message(wparam, lparam);
            return 0;
        case WM_LBUTTONDOWN: mouse_message(window_button_left, window_button_down, lparam); return 0;
        case WM_LBUTTONUP: mouse_message(window_button_left, window_button_up, lparam); return 0;
        case WM_MBUTTONDOWN: mouse_message(button_middle, window_button_down, lparam); return 0;
        case WM_MBUTTONUP: mouse_message(button_middle, window_button_up, lparam); return 0;
        case WM_RBUTTONDOWN: mouse_message(button_right, window_button_down, lparam); return 0;
        case WM_RBUTTONUP: mouse_message(button_right, window_button_up, lparam); return 0;
        case WM_ENTERMENULOOP:
        case WM_ENTERSIZEMOVE:
            SetTimer(hwnd, modal_timer_id, 1, nullptr);
            break;
        case WM_EXITMENULOOP:
        case WM_EXITSIZEMOVE:
            KillTimer(hwnd, modal_timer_id);
            break;
        case WM_TIMER:
            if (wparam == modal_timer_id) timers_run_due();
            return 0;
        default: break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// ---- The seam's operations ------------------------------------------------------------

bool win32_connect() { return true; }

bool win32_open(int*, char**) {
    HDC screen = GetDC(nullptr);
    PIXELFORMATDESCRIPTOR wanted = pixel_format_wanted(), got{};
    int format = ChoosePixelFormat(screen, &wanted);
    bool possible = format != 0 && DescribePixelFormat(screen, format, sizeof got, &got) != 0 &&
                    (got.dwFlags & (PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER)) == (PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER);
    ReleaseDC(nullptr, screen);
    return possible;
}

// Where freeglut's GLEW step reports a failure, a window without a GL context
// is the failure here.
bool win32_create(int width, int height, const char* title) {
    if (window != nullptr) return false;
    if (callbacks == nullptr) callbacks = &no_callbacks;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA c{};
    c.style = CS_OWNDC;
    c.lpfnWndProc = window_procedure;
    c.hInstance = instance;
    c.hCursor = LoadCursor(nullptr, IDC_ARROW);
    c.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    c.lpszClassName = window_win32_class;
    if (!RegisterClassA(&c) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    constexpr DWORD style = WS_OVERLAPPEDWINDOW;
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    window = CreateWindowExA(0, window_win32_class, title, style, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return false;
    device = GetDC(window);
    if (!context_make()) alert("no GL context");
    timeBeginPeriod(1);
    locks_read();
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return true;
}

bool win32_gl_extension(const char* name) {
    const char* list = context ? reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)) : nullptr;
    size_t length = std::strlen(name);
    if (list == nullptr || length == 0) return false;
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length)
        if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == 0)) return true;
    return false;
}

void win32_callbacks_set(const WindowCallbacks* c) { callbacks = c ? c : &no_callbacks; }

void win32_title_set(const char* title) {
    if (window != nullptr) SetWindowTextA(window, title);
}

void win32_reshape(int width, int height) {
    if (window == nullptr) return;
    SIZE s = outer_size(width, height);
    SetWindowPos(window, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void win32_position(int x, int y) {
    if (window != nullptr) SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void win32_screen_size(int* width, int* height) {
    *width = GetSystemMetrics(SM_CXSCREEN);
    *height = GetSystemMetrics(SM_CYSCREEN);
}

void win32_full_screen() {
    if (window == nullptr || full_screen) return;
    full_screen = true;
    saved_style = GetWindowLongA(window, GWL_STYLE);
    GetWindowRect(window, &saved_rect);
    saved_menu = GetMenu(window);
    if (saved_menu != nullptr) SetMenu(window, nullptr);
    SetWindowLongA(window, GWL_STYLE, (saved_style & ~WS_OVERLAPPEDWINDOW) | WS_POPUP);
    MONITORINFO m{};
    m.cbSize = sizeof m;
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &m);
    SetWindowPos(window, HWND_TOP, m.rcMonitor.left, m.rcMonitor.top, m.rcMonitor.right - m.rcMonitor.left,
                 m.rcMonitor.bottom - m.rcMonitor.top, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
}

void win32_full_screen_leave() {
    if (window == nullptr || !full_screen) return;
    full_screen = false;
    SetWindowLongA(window, GWL_STYLE, saved_style);
    if (saved_menu != nullptr) SetMenu(window, saved_menu);
    SetWindowPos(window, nullptr, saved_rect.left, saved_rect.top, saved_rect.right - saved_rect.left,
                 saved_rect.bottom - saved_rect.top, SWP_FRAMECHANGED | SWP_NOZORDER | SWP_SHOWWINDOW);
}

bool win32_frame_draw(const WindowFrame* frame) { return render_gl_frame(frame); }

void win32_buffers_swap() {
    if (device != nullptr) SwapBuffers(device);
}

void win32_timer_add(unsigned ms, void (*callback)(int), int value) {
    if (callback != nullptr) timers.push_back({now_us() + int64_t(ms) * 1000, callback, value});
}

int win32_modifiers() {
    return (GetKeyState(VK_SHIFT) < 0 ? window_active_shift : 0) |
           (GetKeyState(VK_CONTROL) < 0 ? window_active_ctrl : 0) | (GetKeyState(VK_MENU) < 0 ? window_active_alt : 0);
}

// Keys come through the window procedure; the lock toggles are read again.
bool win32_poll() {
    locks_read();
    return false;
}

void win32_main_loop() {
    if (window == nullptr) return;
    // The first reshape and display, as freeglut gives them before any event.
    RECT client;
    GetClientRect(window, &client);
    if (callbacks->reshape) callbacks->reshape(client.right, client.bottom);
    redisplay_post();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        timers_run_due();
        MsgWaitForMultipleObjectsEx(0, nullptr, timers_wait_ms(), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// The system's own box needs no window of ours; there is always a desktop.
bool win32_box_alone(const char* text, const char* title) {
    MessageBoxA(nullptr, text, title, MB_OK);
    return true;
}

}  // namespace

const WindowSystem window_system_win32 = {
    .connect = win32_connect,
    .open = win32_open,
    .create = win32_create,
    .gl_extension = win32_gl_extension,
    .callbacks_set = win32_callbacks_set,
    .title_set = win32_title_set,
    .reshape = win32_reshape,
    .position = win32_position,
    .screen_size = win32_screen_size,
    .full_screen = win32_full_screen,
    .full_screen_leave = win32_full_screen_leave,
    .redisplay_post = redisplay_post,
    .frame_draw = win32_frame_draw,
    .buffers_swap = win32_buffers_swap,
    .timer_add = win32_timer_add,
    .modifiers = win32_modifiers,
    .poll = win32_poll,
    .main_loop = win32_main_loop,
    .box_alone = win32_box_alone,
};

int window_win32_lock_keys() { return lock_toggles.load(); }
