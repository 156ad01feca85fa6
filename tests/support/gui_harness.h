// Running the real program under Xvfb: a private X server, a scratch run
// folder, the program's process, its window, injected input and captures.
// Every wait has a deadline; every process started here is ended here.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/wait_until.h"

struct XServer {
    pid_t pid = -1;            // the Xvfb process
    std::string display_name;  // ":N"
    Display* display = nullptr;
};
bool xserver_start(XServer& server);
// Attaches to the server at DISPLAY, one the test did not start (a whole
// run's); xserver_stop() then only closes the connection.
bool xserver_attach(XServer& server);
void xserver_stop(XServer& server);

// The variable `name` of the environment, or "".
std::string environment_value(const char* name);

// A folder holding a copy of the executable and the files a test lays out.
struct RunFolder {
    std::string path;  // absolute
    std::string exe;   // absolute path of the copied executable
};
RunFolder run_folder_create(const std::string& executable);
void run_folder_write(const RunFolder& folder, const std::string& name, const std::string& content);
void run_folder_remove(RunFolder& folder);
// Lets every user enter the folder and run the copy (for programs run as another user).
void run_folder_open_to_all(const RunFolder& folder);

struct Program {
    pid_t pid = -1;
    int stderr_fd = -1;         // read end of the program's standard error
    std::string stderr_text;    // everything read so far
    bool exited = false;
    int exit_code = -1;         // exit status, or 128 + signal
};
// Starts `exe` with `args` in `cwd` on the server's display; extra environment as NAME=VALUE.
Program program_start(const XServer& server, const std::string& exe, const std::string& cwd,
                      const std::vector<std::string>& args = {},
                      const std::vector<std::string>& environment = {});
// The unprivileged user (nobody) that program_start_unprivileged runs programs as.
constexpr int unprivileged_id = 65534;
// As program_start, but as that user, with its group alone (setpriv); only
// root can do this (geteuid() == 0).
Program program_start_unprivileged(const XServer& server, const std::string& exe, const std::string& cwd,
                                   const std::vector<std::string>& args = {},
                                   const std::vector<std::string>& environment = {});
// Polls the process; true once it has exited (reaps it and reads stderr).
bool program_poll(Program& program);
bool program_wait_exit(Program& program, int timeout_ms);
void program_kill(Program& program);
// Runs `exe` to its end: its exit code, or -1 when it did not end in time;
// its standard error in `errors`.
int program_run(const XServer& server, const std::string& exe, const std::string& cwd,
                const std::vector<std::string>& args, std::string* errors = nullptr, int timeout_ms = 60000);
// Reads what the program wrote to standard error so far.
const std::string& program_stderr(Program& program);
// The first report of a sanitizer (thread, address, undefined behaviour) in
// `text`, up to its summary line; "" when there is none.
std::string sanitizer_report(const std::string& text);

// ---- Windows ------------------------------------------------------------------

std::string window_title(Display* display, Window window);
// A viewable top-level window whose _NET_WM_PID is pid and whose title starts with prefix.
Window window_of_pid(Display* display, pid_t pid, const std::string& prefix);
// Waits for such a window.
Window window_wait(Display* display, pid_t pid, const std::string& prefix, int timeout_ms);
// A viewable top-level window of any process whose title holds `part`, or 0;
// `pid`, when asked for, gets its _NET_WM_PID (-1 when it has none).
Window window_titled(Display* display, const std::string& part, long* pid = nullptr);
bool window_size(Display* display, Window window, int& width, int& height);
// Pixels of the window as 0x00RRGGBB words; none, and a size of 0 x 0, when they
// cannot be read (the window is moving or changing).
std::vector<uint32_t> window_capture(Display* display, Window window, int& width, int& height);
// Pixels of a part of the screen as 0x00RRGGBB; none when they cannot be read.
std::vector<uint32_t> screen_capture(Display* display, int x, int y, int width, int height);

// ---- Input ---------------------------------------------------------------------

void key_tap(Display* display, unsigned long keysym, const std::vector<unsigned long>& modifiers = {});
// Gives the window the keyboard focus.
void window_focus(Display* display, Window window);
void pointer_click(Display* display, Window window, int x, int y);
// Presses (or releases) the first button at (x, y) on the screen.
void pointer_button(Display* display, int x, int y, bool down);
// What a window manager sends for the close button.
void window_close_request(Display* display, Window window);
