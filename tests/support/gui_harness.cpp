#include "tests/support/gui_harness.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace {

void drain(Program& p) {
    if (p.stderr_fd < 0) return;
    char buf[4096];
    for (;;) {
        ssize_t n = read(p.stderr_fd, buf, sizeof buf);
        if (n <= 0) break;
        p.stderr_text.append(buf, size_t(n));
    }
}

// Pixels of a part of `drawable` as 0x00RRGGBB; none when it cannot be read.
std::vector<uint32_t> image_pixels(Display* d, Drawable drawable, int x, int y, int width, int height) {
    std::vector<uint32_t> pixels;
    XImage* image = XGetImage(d, drawable, x, y, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (image == nullptr) return pixels;
    pixels.resize(size_t(width) * size_t(height));
    for (int row = 0; row < height; row++)
        for (int col = 0; col < width; col++)
            pixels[size_t(row) * size_t(width) + size_t(col)] = uint32_t(XGetPixel(image, col, row)) & 0xFFFFFF;
    XDestroyImage(image);
    return pixels;
}

// A window may change size between asking its size and reading its pixels;
// the failed request is simply retried by the caller's wait.
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

}  // namespace

bool xserver_start(XServer& server) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    std::string fd_text = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd_text.c_str(), "-screen", "0", "1024x768x24",
                          "-nolisten", "tcp", "-noreset", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    int devnull = open("/dev/null", O_WRONLY);
    posix_spawn_file_actions_adddup2(&actions, devnull, 2);
    int rc = posix_spawnp(&server.pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(devnull);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return false;
    }
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return false;
    XSetErrorHandler(ignore_x_error);
    server.display_name = ":" + number;
    wait_until([&] { return (server.display = XOpenDisplay(server.display_name.c_str())) != nullptr; }, 10000);
    return server.display != nullptr;
}

bool xserver_attach(XServer& server) {
    server.display_name = environment_value("DISPLAY");
    server.display = XOpenDisplay(server.display_name.c_str());
    XSetErrorHandler(ignore_x_error);
    return server.display != nullptr;
}

void xserver_stop(XServer& server) {
    if (server.display) XCloseDisplay(server.display);
    server.display = nullptr;
    if (server.pid > 0) {
        kill(server.pid, SIGTERM);
        int status;
        if (!wait_until([&] { return waitpid(server.pid, &status, WNOHANG) == server.pid; }, 5000)) {
            kill(server.pid, SIGKILL);
            waitpid(server.pid, &status, 0);
        }
    }
    server.pid = -1;
}

std::string environment_value(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

RunFolder run_folder_create(const std::string& executable) {
    char pattern[] = "/tmp/skerrow-run-XXXXXX";
    RunFolder folder;
    folder.path = mkdtemp(pattern);
    folder.exe = folder.path + "/" + std::filesystem::path(executable).filename().string();
    std::filesystem::copy_file(executable, folder.exe);
    std::filesystem::permissions(folder.exe, std::filesystem::perms::owner_all);
    return folder;
}

void run_folder_write(const RunFolder& folder, const std::string& name, const std::string& content) {
    std::ofstream(folder.path + "/" + name, std::ios::binary) << content;
}

void run_folder_remove(RunFolder& folder) {
    if (!folder.path.empty()) std::filesystem::remove_all(folder.path);
    folder.path.clear();
}

void run_folder_open_to_all(const RunFolder& folder) {
    namespace fs = std::filesystem;
    constexpr fs::perms everyone = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(folder.path, everyone);
    fs::permissions(folder.exe, everyone);
}

Program program_start(const XServer& server, const std::string& exe, const std::string& cwd,
                      const std::vector<std::string>& args, const std::vector<std::string>& environment) {
    Program p;
    int fds[2];
    if (pipe(fds) != 0) return p;
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    // Our environment, with DISPLAY and every NAME= the caller gives replaced.
    std::vector<std::string> overrides = environment;
    overrides.push_back("DISPLAY=" + server.display_name);
    std::vector<std::string> env;
    for (char** e = environ; *e; e++) {
        bool replaced = false;
        for (const std::string& o : overrides)
            replaced |= std::strncmp(*e, o.c_str(), o.find('=') + 1) == 0;
        if (!replaced) env.push_back(*e);
    }
    for (const std::string& o : overrides) env.push_back(o);
    std::vector<char*> envp, argv;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string exe_copy = exe;
    argv.push_back(exe_copy.data());
    std::vector<std::string> args_copy = args;
    for (std::string& a : args_copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    if (posix_spawn(&p.pid, exe.c_str(), &actions, &attr, argv.data(), envp.data()) != 0) p.pid = -1;
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    p.stderr_fd = fds[0];
    return p;
}

Program program_start_unprivileged(const XServer& server, const std::string& exe, const std::string& cwd,
                                   const std::vector<std::string>& args, const std::vector<std::string>& environment) {
    std::string id = std::to_string(unprivileged_id);
    std::vector<std::string> line = {"--reuid=" + id, "--regid=" + id, "--clear-groups", exe};
    line.insert(line.end(), args.begin(), args.end());
    return program_start(server, "/usr/bin/setpriv", cwd, line, environment);
}

bool program_poll(Program& p) {
    drain(p);
    if (p.exited || p.pid <= 0) return true;
    int status;
    if (waitpid(p.pid, &status, WNOHANG) != p.pid) return false;
    p.exited = true;
    p.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    drain(p);
    return true;
}

bool program_wait_exit(Program& p, int timeout_ms) {
    return wait_until([&] { return program_poll(p); }, timeout_ms);
}

void program_kill(Program& p) {
    if (p.pid > 0 && !program_poll(p)) {
        kill(-p.pid, SIGKILL);
        kill(p.pid, SIGKILL);
        program_wait_exit(p, 5000);
    }
    if (p.pid > 0) kill(-p.pid, SIGKILL);  // anything the program started
    if (p.stderr_fd >= 0) close(p.stderr_fd);
    p.stderr_fd = -1;
}

int program_run(const XServer& server, const std::string& exe, const std::string& cwd,
                const std::vector<std::string>& args, std::string* errors, int timeout_ms) {
    Program p = program_start(server, exe, cwd, args);
    bool ended = program_wait_exit(p, timeout_ms);
    if (errors) *errors = program_stderr(p);
    program_kill(p);
    return ended ? p.exit_code : -1;
}

const std::string& program_stderr(Program& p) {
    drain(p);
    return p.stderr_text;
}

std::string sanitizer_report(const std::string& text) {
    size_t at = std::string::npos;
    for (const char* mark : {"WARNING: ThreadSanitizer:", "ERROR: AddressSanitizer:", ": runtime error:"})
        at = std::min(at, text.find(mark));
    if (at == std::string::npos) return "";
    size_t start = text.rfind('\n', at);
    start = start == std::string::npos ? 0 : start + 1;
    size_t summary = text.find("SUMMARY:", at);
    size_t end = summary == std::string::npos ? std::string::npos : text.find('\n', summary);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string window_title(Display* d, Window w) {
    Atom net_name = XInternAtom(d, "_NET_WM_NAME", False), utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(d, w, net_name, 0, 4096, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr && count > 0) {
        title.assign(reinterpret_cast<char*>(data), count);
    } else {
        if (data) XFree(data);
        data = nullptr;
        if (XGetWindowProperty(d, w, XA_WM_NAME, 0, 4096, False, AnyPropertyType, &type, &format, &count,
                               &after, &data) == Success &&
            data != nullptr)
            title.assign(reinterpret_cast<char*>(data), count);
    }
    if (data) XFree(data);
    return title;
}

// The _NET_WM_PID of a window, or -1.
long window_pid(Display* d, Window w) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && count == 1)
        pid = *reinterpret_cast<long*>(data);
    if (data) XFree(data);
    return pid;
}

// The first viewable top-level window for which `wanted` holds, or 0.
Window top_level_find(Display* d, const std::function<bool(Window)>& wanted) {
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    Window found = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) return 0;
    for (unsigned int i = 0; i < n && found == 0; i++) {
        XWindowAttributes attributes;
        if (wanted(children[i]) && XGetWindowAttributes(d, children[i], &attributes) &&
            attributes.map_state == IsViewable)
            found = children[i];
    }
    if (children) XFree(children);
    return found;
}

Window window_of_pid(Display* d, pid_t pid, const std::string& prefix) {
    return top_level_find(
        d, [&](Window w) { return window_pid(d, w) == long(pid) && window_title(d, w).rfind(prefix, 0) == 0; });
}

Window window_titled(Display* d, const std::string& part, long* pid) {
    XSync(d, False);
    Window found = top_level_find(d, [&](Window w) { return window_title(d, w).find(part) != std::string::npos; });
    if (pid) *pid = found != 0 ? window_pid(d, found) : -1;
    return found;
}

Window window_wait(Display* d, pid_t pid, const std::string& prefix, int timeout_ms) {
    Window w = 0;
    wait_until(
        [&] {
            XSync(d, False);
            w = window_of_pid(d, pid, prefix);
            return w != 0;
        },
        timeout_ms);
    return w;
}

bool window_size(Display* d, Window w, int& width, int& height) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) return false;
    width = a.width;
    height = a.height;
    return true;
}

std::vector<uint32_t> window_capture(Display* d, Window w, int& width, int& height) {
    std::vector<uint32_t> pixels;
    width = height = 0;  // until the pixels are there
    int window_width = 0, window_height = 0;
    if (!window_size(d, w, window_width, window_height)) return pixels;
    // Only the part of a window on the screen can be read: bring it fully on.
    int root_x = 0, root_y = 0;
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &root_x, &root_y, &child);
    if (root_x < 0 || root_y < 0 || root_x + window_width > DisplayWidth(d, DefaultScreen(d)) ||
        root_y + window_height > DisplayHeight(d, DefaultScreen(d))) {
        XMoveWindow(d, w, 0, 0);
        XSync(d, False);
        return pixels;  // the caller's wait tries again once it has moved
    }
    std::vector<uint32_t> image = image_pixels(d, w, 0, 0, window_width, window_height);
    if (!image.empty()) width = window_width, height = window_height;
    return image;
}

std::vector<uint32_t> screen_capture(Display* d, int x, int y, int width, int height) {
    return image_pixels(d, DefaultRootWindow(d), x, y, width, height);
}

// The events are handled by the server before this returns (no delay: a
// delayed fake event could arrive after the caller's next step).
void key_tap(Display* d, unsigned long keysym, const std::vector<unsigned long>& modifiers) {
    constexpr unsigned long spacing_ms = 0;
    for (unsigned long m : modifiers) XTestFakeKeyEvent(d, XKeysymToKeycode(d, m), True, spacing_ms);
    KeyCode code = XKeysymToKeycode(d, keysym);
    XTestFakeKeyEvent(d, code, True, spacing_ms);
    XTestFakeKeyEvent(d, code, False, spacing_ms);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        XTestFakeKeyEvent(d, XKeysymToKeycode(d, *it), False, spacing_ms);
    XSync(d, False);
}

void window_focus(Display* d, Window w) {
    XRaiseWindow(d, w);
    // A window that is still being mapped refuses the focus: ask until it has it.
    wait_until(
        [&] {
            XSetInputFocus(d, w, RevertToParent, CurrentTime);
            XSync(d, False);
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(d, &focus, &revert);
            return focus == w;
        },
        5000);
}

void pointer_click(Display* d, Window w, int x, int y) {
    int root_x, root_y;
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), x, y, &root_x, &root_y, &child);
    pointer_button(d, root_x, root_y, true);
    pointer_button(d, root_x, root_y, false);
}

void pointer_button(Display* d, int x, int y, bool down) {
    XTestFakeMotionEvent(d, -1, x, y, 0);
    XTestFakeButtonEvent(d, 1, down, 0);
    XSync(d, False);
}

void window_close_request(Display* d, Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XSync(d, False);
}
