// Where things lie on Win32 (host/folders.h, folders_win32.cpp): the piece
// that the tests take apart.
#pragma once

#include <string>

// The folder of a module path: cut at its last `\`, `/` or `:`; at a colon
// the colon stays (a drive prefix), at a slash the slash goes. "" when the
// path has none of them.
std::string module_folder(const std::string& path);
