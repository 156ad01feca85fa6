// Running commands through the system's command interpreter; the steps are
// the same everywhere, the starting and waiting are the system's
// (host/shell_system.h).
//
// On POSIX the interpreter is skerrow-cmd, found beside the executable (or, for an
// installed program, in the prefix's libexec/skerrow/): it takes
// "/C command" like the Windows one, knows "start" and "notepad", and hands
// anything else to /bin/sh. Programs and documents are opened directly when
// the command names one.
#pragma once

#include <cstdint>
#include <string>

#include "text/string_value.h"

constexpr int shell_command_passed = 1;

// How a variant shows the started program and whether it waits.
constexpr int shell_hidden = 1, shell_no_wait = 2;

// Runs the command and waits for the interpreter (or the started program).
void shell_run(StringValue* command, int passed);
// The variants: hidden and/or not waiting.
void shell_run_as(StringValue* command, int passed, int how);
// As a function: the exit code of the interpreter or program (-1 when nothing started).
int32_t shell_run_function(StringValue* command, int passed, int how);

// ---- The pieces, for tests ---------------------------------------------------------

// True when `word`, upper-cased, is one of the interpreter's internal commands.
bool shell_is_internal(const std::string& word);
// The program a name starts: a path with a slash, or the first match on PATH; "" when none.
std::string shell_find_program(const std::string& name);
// Splits at the first blank outside double quotes: file and parameters.
void shell_split(const std::string& text, std::string& file, std::string& parameters);

// Starts `file` with `parameters` as the desktop would open it; the process id,
// or -1 when nothing could be started. Tests replace it to record the attempts.
using ShellLauncher = int (*)(const std::string& file, const std::string& parameters, bool hidden);
void shell_set_launcher(ShellLauncher launcher);  // null: the real one
// Waits for a started process; its exit code.
using ShellWaiter = int (*)(int pid);
void shell_set_waiter(ShellWaiter waiter);  // null: the real one
