// Running commands through the system's command interpreter.
#pragma once

#include <cstdint>

#include "text/string_value.h"

constexpr int shell_command_passed = 1;
// Runs the command and waits for the interpreter (or the started program).
void shell_run(StringValue* command, int passed);
