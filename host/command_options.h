// The command-line conventions every Skerrow command keeps: --help and
// --version answer on standard output with exit code 0, before anything else
// happens (no display is opened); a wrong option or argument is reported on
// standard error with the usage, exit code 2.
#pragma once

// The version every command reports (and the package carries).
constexpr char skerrow_version[] = "0.20";

// ---- Answers ------------------------------------------------------------------

// Writes `usage` to standard output and ends the process with 0.
[[noreturn]] void command_help(const char* usage);
// Writes "PROGRAM (Skerrow) VERSION" to standard output and ends the process with 0.
[[noreturn]] void command_version(const char* program);
// Writes "PROGRAM: PROBLEM" and `usage` to standard error; returns 2, the exit code.
int command_wrong(const char* program, const char* problem, const char* usage);
// Answers --help and --version when `argument` is one of them; otherwise returns.
void command_standard(const char* argument, const char* program, const char* usage);
