#include "host/shell.h"

#include <string>

#include "errors/runtime_error.h"
#include "host/display.h"
#include "host/shell_system.h"

namespace {

ShellLauncher launcher = shell_system_launch;
ShellWaiter waiter = shell_system_wait;

// The steps shared by every variant; the exit code, or -1 when nothing started.
int32_t shell_steps(StringValue* command, int passed, int how) {
    if (error_pending.load()) return 0;
    bool hidden = how & shell_hidden, wait = !(how & shell_no_wait);
    std::string text = command && (passed & shell_command_passed)
                           ? std::string(reinterpret_cast<const char*>(command->data), size_t(command->length))
                           : std::string();
    int pid = -1;
    if (text.empty()) {
        pid = shell_system_interactive();
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

void shell_set_launcher(ShellLauncher l) { launcher = l ? l : shell_system_launch; }
void shell_set_waiter(ShellWaiter w) { waiter = w ? w : shell_system_wait; }

void shell_run(StringValue* command, int passed) { shell_steps(command, passed, 0); }
void shell_run_as(StringValue* command, int passed, int how) { shell_steps(command, passed, how); }
int32_t shell_run_function(StringValue* command, int passed, int how) {
    return shell_steps(command, passed, how & shell_hidden);
}
