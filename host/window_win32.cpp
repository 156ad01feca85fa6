#include "host/window_win32.h"

#include <windows.h>
#include <GL/gl.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

struct Timer {
    int64_t due_us = 0;                  // on the performance counter's clock
    Win32TimerCallback callback = nullptr;
    int value = 0;
};

// The callbacks.
Win32DisplayCallback on_display = nullptr;
Win32ReshapeCallback on_reshape = nullptr;
Win32CharacterCallback on_keyboard = nullptr, on_keyboard_up = nullptr;
Win32SpecialCallback on_special = nullptr, on_special_up = nullptr;
Win32MouseCallback on_mouse = nullptr;
Win32CloseCallback on_close = nullptr;
Win32BreakCallback on_break = nullptr;

// The window.
constexpr const char* class_name = "Skerrow";
HWND window = nullptr;
HDC device = nullptr;
HGLRC context = nullptr;
DWORD loop_thread = 0;
bool redisplay_pending = false;
std::vector<Timer> timers;
// The character each key gave on its way down, by scan code (bit 8: extended),
// handed to the keyboard-up callback when it is released.
unsigned char key_characters[512] = {};

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

void pointer_position(int& x, int& y) {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(window, &p);
    x = p.x;
    y = p.y;
}

int special_of(WPARAM vk, LPARAM lparam) {
    bool extended = (lparam >> 24) & 1;
    unsigned scan = (lparam >> 16) & 0xFF;
    if (vk >= VK_F1 && vk <= VK_F12) return win32_key_f1 + int(vk - VK_F1);
    switch (vk) {
        case VK_LEFT: return win32_key_left;
        case VK_UP: return win32_key_up;
        case VK_RIGHT: return win32_key_right;
        case VK_DOWN: return win32_key_down;
        case VK_PRIOR: return win32_key_page_up;
        case VK_NEXT: return win32_key_page_down;
        case VK_HOME: return win32_key_home;
        case VK_END: return win32_key_end;
        case VK_INSERT: return win32_key_insert;
        case VK_NUMLOCK: return win32_key_num_lock;
        case VK_CLEAR: return win32_key_begin;
        case VK_SHIFT: return scan == 0x36 ? win32_key_shift_r : win32_key_shift_l;
        case VK_CONTROL: return extended ? win32_key_ctrl_r : win32_key_ctrl_l;
        case VK_MENU: return extended ? win32_key_alt_r : win32_key_alt_l;
        default: return 0;
    }
}

unsigned scan_index(LPARAM lparam) { return unsigned((lparam >> 16) & 0xFF) | unsigned((lparam >> 24) & 1) << 8; }

// WM_KEYDOWN and WM_KEYUP (and their WM_SYS forms). Characters come with WM_CHAR;
// here only their releases, with the character their press gave.
void key_message(WPARAM vk, LPARAM lparam, bool down) {
    int x, y;
    pointer_position(x, y);
    if (vk == VK_PAUSE || vk == VK_CANCEL) {
        if (on_break) on_break(vk == VK_PAUSE ? win32_code_pause : win32_code_break, down);
        return;
    }
    if (vk == VK_DELETE) {
        Win32CharacterCallback c = down ? on_keyboard : on_keyboard_up;
        if (c) c(win32_char_delete, x, y);
        return;
    }
    if (int key = special_of(vk, lparam)) {
        bool modifier = key >= win32_key_shift_l && key <= win32_key_alt_r;
        bool repeat = down && ((lparam >> 30) & 1);
        if (modifier && repeat) return;  // held modifiers do not repeat, as under X
        Win32SpecialCallback c = down ? on_special : on_special_up;
        if (c) c(key, x, y);
        return;
    }
    if (!down) {
        unsigned char& c = key_characters[scan_index(lparam)];
        if (c != 0 && on_keyboard_up) on_keyboard_up(c, x, y);
        c = 0;
    }
}

void character_message(WPARAM c, LPARAM lparam) {
    if (c > 255) return;
    key_characters[scan_index(lparam)] = (unsigned char)(c);
    int x, y;
    pointer_position(x, y);
    if (on_keyboard) on_keyboard((unsigned char)(c), x, y);
}

void mouse_message(int button, int state, LPARAM lparam) {
    if (state == win32_button_down) SetCapture(window);
    else ReleaseCapture();
    if (on_mouse) on_mouse(button, state, short(LOWORD(lparam)), short(HIWORD(lparam)));
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            ValidateRect(hwnd, nullptr);
            redisplay_pending = false;
            if (on_display) on_display();
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SIZE:
            if (wparam != SIZE_MINIMIZED && on_reshape) on_reshape(LOWORD(lparam), HIWORD(lparam));
            win32_window_redisplay_post();
            return 0;
        case WM_CLOSE:
            if (on_close) on_close();
            else win32_window_main_loop_leave();
            return 0;
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
        case WM_LBUTTONDOWN: mouse_message(win32_button_left, win32_button_down, lparam); return 0;
        case WM_LBUTTONUP: mouse_message(win32_button_left, win32_button_up, lparam); return 0;
        case WM_MBUTTONDOWN: mouse_message(win32_button_middle, win32_button_down, lparam); return 0;
        case WM_MBUTTONUP: mouse_message(win32_button_middle, win32_button_up, lparam); return 0;
        case WM_RBUTTONDOWN: mouse_message(win32_button_right, win32_button_down, lparam); return 0;
        case WM_RBUTTONUP: mouse_message(win32_button_right, win32_button_up, lparam); return 0;
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

}  // namespace

void win32_window_display_callback_set(Win32DisplayCallback callback) { on_display = callback; }
void win32_window_reshape_callback_set(Win32ReshapeCallback callback) { on_reshape = callback; }
void win32_window_keyboard_callback_set(Win32CharacterCallback callback) { on_keyboard = callback; }
void win32_window_keyboard_up_callback_set(Win32CharacterCallback callback) { on_keyboard_up = callback; }
void win32_window_special_callback_set(Win32SpecialCallback callback) { on_special = callback; }
void win32_window_special_up_callback_set(Win32SpecialCallback callback) { on_special_up = callback; }
void win32_window_mouse_callback_set(Win32MouseCallback callback) { on_mouse = callback; }
void win32_window_close_callback_set(Win32CloseCallback callback) { on_close = callback; }
void win32_window_break_callback_set(Win32BreakCallback callback) { on_break = callback; }

void win32_window_timer_add(unsigned ms, Win32TimerCallback callback, int value) {
    if (callback != nullptr) timers.push_back({now_us() + int64_t(ms) * 1000, callback, value});
}

bool win32_window_mode_possible() {
    HDC screen = GetDC(nullptr);
    PIXELFORMATDESCRIPTOR wanted = pixel_format_wanted(), got{};
    int format = ChoosePixelFormat(screen, &wanted);
    bool possible = format != 0 && DescribePixelFormat(screen, format, sizeof got, &got) != 0 &&
                    (got.dwFlags & (PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER)) == (PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER);
    ReleaseDC(nullptr, screen);
    return possible;
}

bool win32_window_create(int width, int height, const char* title) {
    if (window != nullptr) return false;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA c{};
    c.style = CS_OWNDC;
    c.lpfnWndProc = window_procedure;
    c.hInstance = instance;
    c.hCursor = LoadCursor(nullptr, IDC_ARROW);
    c.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    c.lpszClassName = class_name;
    if (!RegisterClassA(&c) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    constexpr DWORD style = WS_OVERLAPPEDWINDOW;
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    window = CreateWindowExA(0, class_name, title, style, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return false;
    loop_thread = GetCurrentThreadId();
    device = GetDC(window);
    context_make();
    timeBeginPeriod(1);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return true;
}

bool win32_window_has_gl() { return context != nullptr; }

bool win32_window_gl_extension(const char* name) {
    const char* list = context ? reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)) : nullptr;
    size_t length = std::strlen(name);
    if (list == nullptr || length == 0) return false;
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length)
        if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == 0)) return true;
    return false;
}

void* win32_window_handle() { return window; }

void win32_window_title_set(const char* title) {
    if (window != nullptr) SetWindowTextA(window, title);
}

void win32_window_reshape(int width, int height) {
    if (window == nullptr) return;
    SIZE s = outer_size(width, height);
    SetWindowPos(window, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void win32_window_position(int x, int y) {
    if (window != nullptr) SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void win32_window_screen_size(int& width, int& height) {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
}

void win32_window_full_screen() {
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

void win32_window_full_screen_leave() {
    if (window == nullptr || !full_screen) return;
    full_screen = false;
    SetWindowLongA(window, GWL_STYLE, saved_style);
    if (saved_menu != nullptr) SetMenu(window, saved_menu);
    SetWindowPos(window, nullptr, saved_rect.left, saved_rect.top, saved_rect.right - saved_rect.left,
                 saved_rect.bottom - saved_rect.top, SWP_FRAMECHANGED | SWP_NOZORDER | SWP_SHOWWINDOW);
}

void win32_window_redisplay_post() {
    if (window == nullptr || redisplay_pending) return;
    redisplay_pending = true;
    InvalidateRect(window, nullptr, FALSE);
}

void win32_window_buffers_swap() {
    if (device != nullptr) SwapBuffers(device);
}

int win32_window_modifiers() {
    return (GetKeyState(VK_SHIFT) < 0 ? win32_active_shift : 0) | (GetKeyState(VK_CONTROL) < 0 ? win32_active_ctrl : 0) |
           (GetKeyState(VK_MENU) < 0 ? win32_active_alt : 0);
}

void win32_window_main_loop() {
    if (window == nullptr) return;
    // The first reshape and display, as freeglut gives them before any event.
    RECT client;
    GetClientRect(window, &client);
    if (on_reshape) on_reshape(client.right, client.bottom);
    win32_window_redisplay_post();
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

void win32_window_main_loop_leave() {
    if (loop_thread == 0) return;
    if (GetCurrentThreadId() == loop_thread) PostQuitMessage(0);
    else PostThreadMessageA(loop_thread, WM_QUIT, 0, 0);
}
