// The feeder on Windows: "\" between names ("/" is read as one too), and a
// console window of its own let go at once, so that the shortcut's feeder
// runs without a window standing open.
#include "feed/feed_system.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

// The length of the root that starts `path`: "C:\" 3, "C:" 2, "\" or "/" 1, else 0.
size_t root_length(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && is_separator(path[2]) ? 3 : 2;
    return !path.empty() && is_separator(path[0]) ? 1 : 0;
}

}  // namespace

std::string feed_path_join(const std::string& folder, const std::string& name) {
    if (folder.empty() || is_separator(folder.back()) || (folder.size() == 2 && folder[1] == ':'))
        return folder + name;  // "C:" names the drive's current folder
    return folder + "\\" + name;
}

std::string feed_path_trimmed(const std::string& path) {
    size_t end = path.size(), root = root_length(path);
    while (end > root && is_separator(path[end - 1])) end--;
    return path.substr(0, end);
}

std::string feed_path_folder(const std::string& path) {
    std::string trimmed = feed_path_trimmed(path);
    size_t root = root_length(trimmed);
    size_t cut = trimmed.find_last_of("\\/");
    return cut == std::string::npos || cut < root ? trimmed.substr(0, root) : trimmed.substr(0, cut);
}

bool feed_console_release() {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) return true;
    if (GetFileType(error) != FILE_TYPE_CHAR || GetConsoleWindow() == nullptr) return false;  // redirected: keep it
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) > 1) return false;  // a command prompt's console
    FreeConsole();
    return true;
}

// The handles are sockets (the datagram source's); select() wants at least one.
bool feed_wait(const std::vector<int>& handles, int milliseconds) {
    if (handles.empty()) {
        Sleep(DWORD(milliseconds));
        return false;
    }
    fd_set readable;
    FD_ZERO(&readable);
    for (int h : handles) FD_SET(SOCKET(h), &readable);
    timeval t{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(0, &readable, nullptr, nullptr, &t) > 0;
}

// Large pages need a privilege users do not hold: the heap's own.
void* feed_memory_alloc(size_t size) { return ::operator new(size, std::nothrow); }
void feed_memory_free(void* at, size_t) { ::operator delete(at); }
