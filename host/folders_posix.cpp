// Where things lie on POSIX systems: /proc/self/exe, the XDG folders, the
// password database.
#include "host/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

// An XDG base folder: the variable when it holds an absolute path, else ~/fallback.
std::string xdg_folder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') return value;
    std::string home = user_home();
    return home.empty() ? std::string() : home + "/" + fallback;
}

std::string joined(const std::string& folder, const char* name) {
    return folder.empty() ? std::string() : folder + "/" + name;
}

}  // namespace

std::string executable_folder() {
    std::vector<char> path(4096);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
        if (n <= 0) return "";
        if (size_t(n) < path.size()) {
            std::string exe(path.data(), size_t(n));
            size_t slash = exe.rfind('/');
            return slash == std::string::npos ? std::string() : exe.substr(0, slash == 0 ? 1 : slash);
        }
        path.resize(path.size() * 2);
    }
}

std::string installed_share_folder() {
    std::string exe = executable_folder();
    if (exe.empty()) return "";
    std::string share = exe + "/../share/skerrow";
    return file_exists(share + "/" + help_page_name) ? share : std::string();
}

std::string interpreter_path() {
    std::string exe = executable_folder();
    std::string beside = exe + "/" + interpreter_name;
    std::string installed = exe + "/../libexec/skerrow/" + interpreter_name;
    return !file_exists(beside) && file_exists(installed) ? installed : beside;
}

std::string user_home() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != 0) return home;
    passwd entry{}, *found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr)
        return found->pw_dir;
    return "";
}

std::string user_config_folder() { return joined(xdg_folder("XDG_CONFIG_HOME", ".config"), "skerrow"); }
std::string user_data_folder() { return joined(xdg_folder("XDG_DATA_HOME", ".local/share"), "skerrow"); }
std::string feed_default_log() { return joined(user_data_folder(), spot_log_name); }
std::string decoder_default_folder() { return joined(user_home(), ".local/share/WSJT-X"); }

bool folder_exists(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool file_exists(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folder_make(const std::string& path) {
    if (path.empty()) return false;
    for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        if (at == std::string::npos) break;
    }
    return folder_exists(path);
}
