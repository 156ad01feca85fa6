// Child processes on Win32: ShellExecuteExA opens a file or starts a program
// as the desktop would, CreateProcessA tests for the command interpreter and
// runs the old one where it is missing, and the wait for what they started.
#include "host/shell_system.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "host/shell_win32.h"

namespace {

// The launch record as the 32-bit design fills it: 60 bytes there, as a
// literal; a 64-bit Windows wants its own, larger layout, so the 64-bit build
// takes the headers' size (112).
constexpr DWORD launch_record_size = sizeof(void*) == 4 ? 60 : DWORD(sizeof(SHELLEXECUTEINFOA));
static_assert(sizeof(void*) != 4 || sizeof(SHELLEXECUTEINFOA) == 60, "the 32-bit launch record is 60 bytes");
constexpr ULONG keep_process_no_ui = 0x440;  // SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI
constexpr int show_normal = 5, show_hidden = 0;

// A started child's process handle (null: none was given), by child number; INVALID_HANDLE_VALUE marks a free slot.
std::mutex children_mutex;
std::vector<HANDLE> children;

int child_add(HANDLE process) {
    std::lock_guard<std::mutex> lock(children_mutex);
    for (size_t i = 0; i < children.size(); i++)
        if (children[i] == INVALID_HANDLE_VALUE) {
            children[i] = process;
            return int(i);
        }
    children.push_back(process);
    return int(children.size() - 1);
}

bool child_take(int child, HANDLE& process) {
    std::lock_guard<std::mutex> lock(children_mutex);
    if (child < 0 || size_t(child) >= children.size() || children[size_t(child)] == INVALID_HANDLE_VALUE)
        return false;
    process = children[size_t(child)];
    children[size_t(child)] = INVALID_HANDLE_VALUE;
    return true;
}

}  // namespace

int shell_system_launch(const std::string& file, const std::string& parameters, bool hidden) {
    // Without cmd.exe the old interpreter runs the command as given.
    if (!shell_win32_interpreter_available()) {
        std::string command = "command.com /c " + file + (parameters.empty() ? "" : " " + parameters);
        return shell_win32_process_start(command.c_str(), CREATE_NEW_CONSOLE);
    }
    SHELLEXECUTEINFOA launch{};
    launch.cbSize = launch_record_size;
    launch.fMask = keep_process_no_ui;
    launch.lpFile = file.c_str();
    launch.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    launch.nShow = hidden ? show_hidden : show_normal;
    if (!ShellExecuteExA(&launch)) return -1;
    return child_add(launch.hProcess);
}

int shell_win32_process_start(const char* command_line, unsigned creation_flags) {
    std::vector<char> line(command_line, command_line + std::strlen(command_line) + 1);  // CreateProcessA may write to it
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, creation_flags, nullptr, nullptr, &startup,
                        &started))
        return -1;
    CloseHandle(started.hThread);
    return child_add(started.hProcess);
}

// 0 when the system gave no process (a document handed to a running program);
// -1 for an unknown child.
int shell_system_wait(int child) {
    HANDLE process;
    if (!child_take(child, process)) return -1;
    if (process == nullptr) return 0;
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    bool known = GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return known ? int(code) : -1;
}

int shell_system_interactive() { return shell_win32_process_start("cmd", CREATE_NEW_CONSOLE); }

void shell_win32_release(int child) {
    HANDLE process;
    if (child_take(child, process) && process != nullptr) CloseHandle(process);
}

bool shell_win32_interpreter_available() {
    static const bool available = [] {
        int child = shell_win32_process_start("cmd.exe /c ver", CREATE_NO_WINDOW);
        return child >= 0 && shell_system_wait(child) >= 0;
    }();
    return available;
}
