// The process on Win32: the executable's own folder, through GetModuleFileNameA.
#pragma once

#include <string>

// The folder of a module path: cut at its last `\`, `/` or `:`; at a colon
// the colon stays (a drive prefix), at a slash the slash goes. "" when the
// path has none of them.
std::string win32_module_folder(const std::string& path);
// Changes to the folder of the executable; false when it cannot.
bool win32_change_to_executable_folder();
