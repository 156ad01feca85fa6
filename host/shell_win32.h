// Child processes on Win32, for the shell commands: ShellExecuteExA opens a
// file or starts a program, CreateProcessA tests for the interpreter and
// runs the old one, and the wait for what they started. Launch and wait fit
// shell_set_launcher and shell_set_waiter of host/shell.h.
#pragma once

#include <string>

// Starts `file` with `parameters` through ShellExecuteExA, shown normally or
// hidden; a child number for the wait, or -1 when nothing started.
int win32_shell_launch(const std::string& file, const std::string& parameters, bool hidden);
// Runs `command_line` through CreateProcessA with `creation_flags`
// (CREATE_NO_WINDOW, CREATE_NEW_CONSOLE); a child number, or -1.
int win32_process_start(const char* command_line, unsigned creation_flags);
// Waits without time limit for the child and closes it; its exit code, 0 when
// the system gave no process (a document handed to a running program), -1
// for an unknown child.
int win32_shell_wait(int child);
// Closes a child that is not waited for.
void win32_shell_release(int child);
// True when "cmd.exe /c ver" can be started and waited for; asked once per process.
bool win32_interpreter_available();
