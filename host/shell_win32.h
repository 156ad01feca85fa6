// Child processes on Win32 (host/shell_system.h, shell_win32.cpp): the
// pieces beside ShellExecuteExA that the tests take apart.
#pragma once

// Runs `command_line` through CreateProcessA with `creation_flags`
// (CREATE_NO_WINDOW, CREATE_NEW_CONSOLE); a child number for
// shell_system_wait, or -1.
int shell_win32_process_start(const char* command_line, unsigned creation_flags);
// True when "cmd.exe /c ver" can be started and waited for; asked once per process.
bool shell_win32_interpreter_available();
// Closes a child that is not waited for.
void shell_win32_release(int child);
