// Process start-up, the threads, and the orderly end of the program: the top
// of the host, which ties its modules together.
//
// The entry thread prepares the runtime, starts the program, timer-event and
// service threads, then becomes the display thread inside the window loop of
// the registered platform (host/platform.h). The service thread builds the
// frames, follows the lock keys and performs the shutdown. The flags they
// hand over by are in host/run_state.h.
#pragma once

#include <string>

#include "text/string_value.h"

// ---- Start-up pieces (also used by tests) -------------------------------------

extern StringValue* command_line;  // the arguments after the program name, joined by blanks
StringValue* command_line_build(int argc, char** argv);
// Changes to the folder that holds the executable: "" when done, else the
// message that names the folder and says why not.
std::string executable_folder_enter();
// The runtime on the headless platform, without threads, for pictures made
// without a window and for fuzzing: strings, low memory, keyboard, dialogs
// written to standard error and answered at once, waits that take no time,
// the start-up text screen.
void runtime_start_headless();

// ---- Running and ending -------------------------------------------------------

// Prepares the runtime on the platform registered with platform_set
// (host/platform.h), starts the threads with `program` on the program thread
// and runs the window loop. Never returns. First of all, before the display
// is reached, `enter_folder` changes to the folder the program works in; the
// message it returns when it cannot ends the process with exit code 2, on
// standard error and, when there is a display, in a box of its own: no
// window of the program opens.
[[noreturn]] void runtime_main(int argc, char** argv, void (*program)(),
                               std::string (*enter_folder)() = executable_folder_enter);

// The end of the program after Esc: "Press any key to continue", then stop.
[[noreturn]] void program_end();
