#include "host/shell.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "errors/runtime_error.h"
#include "host/display.h"
#include "host/folders.h"

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

// Our ShellExecute: the interpreter, a program, or an existing document (through the opener).
int real_launcher(const std::string& file, const std::string& parameters, bool) {
    std::string name = file;
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    if (names_interpreter(name)) return spawn({interpreter_path(), parameters});
    std::string program = shell_find_program(name);
    if (!program.empty()) {
        std::vector<std::string> argv{program};
        if (!parameters.empty()) argv = {"/bin/sh", "-c", "exec \"$0\" " + parameters, program};
        return spawn(argv);
    }
    struct stat st{};
    if (parameters.empty() && stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return spawn({interpreter_path(), "/C", "start \"" + name + "\""});
    return -1;
}

int real_waiter(int pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ShellLauncher launcher = real_launcher;
ShellWaiter waiter = real_waiter;

// The steps shared by every variant; the exit code, or -1 when nothing started.
int32_t shell_steps(StringValue* command, int passed, int how) {
    if (error_pending.load()) return 0;
    bool hidden = how & shell_hidden, wait = !(how & shell_no_wait);
    std::string text = command && (passed & shell_command_passed)
                           ? std::string(reinterpret_cast<const char*>(command->data), size_t(command->length))
                           : std::string();
    int pid = -1;
    if (text.empty()) {
        // An interactive interpreter in a terminal window of its own.
        std::string terminal = shell_find_program("x-terminal-emulator");
        if (terminal.empty()) terminal = shell_find_program("xterm");
        if (terminal.empty()) {
            std::fprintf(stderr, "skerrow: no terminal program to run an interactive shell in\n");
            return -1;
        }
        pid = spawn({terminal});
    } else {
        if (!shell_is_internal(text)) pid = launcher(text, "", hidden);
        if (pid < 0) {
            std::string file, parameters;
            shell_split(text, file, parameters);
            if (!file.empty()) {
                if (!parameters.empty() && !shell_is_internal(file)) pid = launcher(file, parameters, hidden);
                if (pid < 0) pid = launcher("cmd", " /c " + file + (parameters.empty() ? "" : " " + parameters), hidden);
            }
        }
    }
    if (pid < 0 || !wait) return -1;
    frame_suspend.store(1);
    int code = waiter(pid);
    frame_suspend.store(0);
    return code;
}

}  // namespace

void shell_set_launcher(ShellLauncher l) { launcher = l ? l : real_launcher; }
void shell_set_waiter(ShellWaiter w) { waiter = w ? w : real_waiter; }

void shell_run(StringValue* command, int passed) { shell_steps(command, passed, 0); }
void shell_run_as(StringValue* command, int passed, int how) { shell_steps(command, passed, how); }
int32_t shell_run_function(StringValue* command, int passed, int how) {
    return shell_steps(command, passed, how & shell_hidden);
}
