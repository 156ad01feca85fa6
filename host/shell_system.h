// Child processes as the operating system starts them: what the shell
// commands of host/shell.h stand on. One implementation per system, in a
// file named for it (shell_posix.cpp); the build picks one.
#pragma once

#include <string>

// Starts `file` with `parameters` as the desktop would open it: the command
// interpreter, a program, or a document; the process id, or -1 when nothing
// could be started.
int shell_system_launch(const std::string& file, const std::string& parameters, bool hidden);
// Waits for a started process; its exit code, or -1 when it did not end normally.
int shell_system_wait(int pid);
// Starts an interactive command interpreter in a window of its own; its
// process id, or -1 (after saying why on standard error).
int shell_system_interactive();
