// Where things lie on Win32: the executable's folder from GetModuleFileNameA;
// the user's folders under %APPDATA% and %LOCALAPPDATA%, the decoder's in
// %LOCALAPPDATA%\WSJT-X. A Windows copy is a run folder: everything lies
// beside the executable, and commands go to the system's own interpreter.
#include "host/folders.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "host/folders_win32.h"

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string joined(const std::string& folder, const char* name) {
    return folder.empty() ? std::string() : folder + "\\" + name;
}

DWORD attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

}  // namespace

std::string module_folder(const std::string& path) {
    size_t cut = path.find_last_of("\\/:");
    if (cut == std::string::npos) return "";
    return path.substr(0, path[cut] == ':' ? cut + 1 : cut);
}

std::string executable_folder() {
    std::vector<char> path(65536);
    DWORD n = GetModuleFileNameA(nullptr, path.data(), DWORD(path.size()));
    if (n == 0 || n >= path.size()) return "";
    return module_folder(std::string(path.data(), n));
}

std::string installed_share_folder() { return ""; }

std::string interpreter_path() { return "cmd.exe"; }

std::string user_home() { return variable("USERPROFILE"); }

std::string user_config_folder() { return joined(variable("APPDATA"), "skerrow"); }
std::string user_data_folder() { return joined(variable("LOCALAPPDATA"), "skerrow"); }
// Beside the programs: the log that the starter setup file names, which the
// monitor reads from its own folder.
std::string feed_default_log() { return joined(executable_folder(), spot_log_name); }
std::string decoder_default_folder() { return joined(variable("LOCALAPPDATA"), "WSJT-X"); }

bool folder_exists(const std::string& path) {
    DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool file_exists(const std::string& path) {
    DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

bool folder_make(const std::string& path) {
    if (path.empty()) return false;
    for (size_t at = path.find_first_of("\\/", 1);; at = path.find_first_of("\\/", at + 1)) {
        std::string part = path.substr(0, at);
        // A drive ("C:") is there already.
        if (!(part.size() == 2 && part[1] == ':') && !folder_exists(part) && !CreateDirectoryA(part.c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        if (at == std::string::npos) break;
    }
    return folder_exists(path);
}
