#include "monitor/user_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "host/folders.h"
#include "host/process.h"

namespace {

constexpr char setup_name[] = "Skerrow020.SET";

bool file_write(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    return bool(out);
}

bool file_copy(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return in.good() || in.eof() ? file_write(to, content) : false;
}

std::string folder_of(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string trouble(const char* what, const std::string& path) {
    return std::string("Skerrow could not ") + what + " " + path + ": " + std::strerror(errno) + ".\n";
}

// The user folder is unusable: the monitor says so and what to do, and ends.
std::string no_user_folder(const std::string& why) {
    return why +
           "What to do: set XDG_CONFIG_HOME to a folder you may write (Skerrow then\n"
           "works in a skerrow folder inside it), or run skerrow --dir DIR on a folder\n"
           "that holds a setup file.";
}

}  // namespace

std::string starter_setup_text(const std::string& log) {
    return "\"" + log + "\"\nN\n\n\n\n\n\n\n"
           "\n"
           "The eight lines above are the setup: Skerrow reads them in this order\n"
           "and ignores everything after them.\n"
           "  1    the spot log, in double quotes (skerrow-feed keeps this one current)\n"
           "  2    Y shows the signal level (S meter); anything else hides it\n"
           "  3-8  six call signs to watch, one a line, each in a colour of its own\n"
           "An edit shows at the next refresh, within about ten seconds.\n";
}

std::string user_folder_prepare(const std::string& folder, const std::string& share, const std::string& log,
                                std::string& note) {
    note.clear();
    std::string setup = folder + "/" + setup_name;
    if (file_exists(setup)) return "";
    if (folder.empty())
        return no_user_folder("Skerrow found no home folder (HOME is not set), so it has no folder of its own.\n");
    if (!folder_make(folder)) return no_user_folder(trouble("make its folder", folder));
    if (!file_write(setup, starter_setup_text(log))) return no_user_folder(trouble("write", setup));
    note = "Skerrow set up its folder " + folder + ":\n  " + setup_name + ", the setup file, naming the spot log\n  " +
           log + "\n";
    std::string help = folder + "/" + help_page_name;
    if (!file_exists(help)) {
        if (file_copy(share + "/" + help_page_name, help)) note += std::string("  ") + help_page_name + ", the help page\n";
        else note += trouble("copy the help page to", help);
    }
    if (!file_exists(log)) {
        if (folder_make(folder_of(log)) && file_write(log, spot_log_header)) note += "and the spot log, empty so far.\n";
        else note += trouble("make the spot log", log);
    }
    note += "\nNext: keep the spot log current with the feeder,\n"
            "  systemctl --user enable --now skerrow-feed\n"
            "and put the calls you watch in the setup file: \"Edit setup file\" in the menu.";
    return "";
}

std::string monitor_folder_enter(const std::string& dir, std::string& note) {
    note.clear();
    if (!dir.empty()) {
        if (chdir(dir.c_str()) == 0) return "";
        return "Skerrow cannot enter the folder " + dir + " given with --dir: " + std::strerror(errno) + ".";
    }
    std::string share = installed_share_folder();
    if (share.empty()) return executable_folder_enter();
    std::string folder = user_config_folder();
    std::string refused = user_folder_prepare(folder, share, feed_default_log(), note);
    if (!refused.empty()) return refused;
    if (chdir(folder.c_str()) == 0) return "";
    note.clear();
    return no_user_folder(trouble("enter its folder", folder));
}
