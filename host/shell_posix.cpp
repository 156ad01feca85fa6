// Child processes on POSIX: posix_spawn and waitpid; the command interpreter
// is skerrow-cmd (host/folders.h), and programs are looked up on PATH.
#include "host/shell_system.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/folders.h"
#include "host/shell.h"

extern char** environ;

namespace {

std::string upper(std::string s) {
    for (char& c : s) c = char(std::toupper(uint8_t(c)));
    return s;
}

bool names_interpreter(const std::string& file) {
    std::string f = upper(file);
    return f == "CMD" || f == "CMD.EXE";
}

int spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    return pid;
}

}  // namespace

// Our ShellExecute: the interpreter, a program, or an existing document (through the opener).
int shell_system_launch(const std::string& file, const std::string& parameters, bool) {
    std::string name = file;
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    if (names_interpreter(name)) return spawn({interpreter_path(), parameters});
    std::string program = shell_find_program(name);
    if (!program.empty()) {
        std::vector<std::string> argv{program};
        if (!parameters.empty()) argv = {"/bin/sh", "-c", "exec \"$0\" " + parameters, program};
        return spawn(argv);
    }
    if (parameters.empty() && file_exists(name))
        return spawn({interpreter_path(), "/C", "start \"" + name + "\""});
    return -1;
}

int shell_system_wait(int pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An interactive interpreter in a terminal window of its own.
int shell_system_interactive() {
    std::string terminal = shell_find_program("x-terminal-emulator");
    if (terminal.empty()) terminal = shell_find_program("xterm");
    if (terminal.empty()) {
        std::fprintf(stderr, "skerrow: no terminal program to run an interactive shell in\n");
        return -1;
    }
    return spawn({terminal});
}

std::string shell_find_program(const std::string& name) {
    auto runnable = [](const std::string& p) { return file_exists(p) && access(p.c_str(), X_OK) == 0; };
    if (name.empty()) return "";
    if (name.find('/') != std::string::npos) return runnable(name) ? name : "";
    const char* path = std::getenv("PATH");
    std::string all = path ? path : "/usr/bin:/bin";
    for (size_t at = 0; at <= all.size();) {
        size_t end = all.find(':', at);
        if (end == std::string::npos) end = all.size();
        std::string candidate = all.substr(at, end - at) + "/" + name;
        if (end > at && runnable(candidate)) return candidate;
        at = end + 1;
    }
    return "";
}
