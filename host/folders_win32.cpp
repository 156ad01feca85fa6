#include "host/process_win32.h"

#include <windows.h>

#include <vector>

std::string win32_module_folder(const std::string& path) {
    size_t cut = path.find_last_of("\\/:");
    if (cut == std::string::npos) return "";
    return path.substr(0, path[cut] == ':' ? cut + 1 : cut);
}

bool win32_change_to_executable_folder() {
    std::vector<char> path(65536);
    DWORD n = GetModuleFileNameA(nullptr, path.data(), DWORD(path.size()));
    if (n == 0 || n >= path.size()) return false;
    std::string folder = win32_module_folder(std::string(path.data(), n));
    return !folder.empty() && SetCurrentDirectoryA(folder.c_str());
}
