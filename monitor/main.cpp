// skerrow: the spot monitor in its window.
//
//   skerrow [--dir DIR]
#include <cstring>
#include <string>

#include "host/command_options.h"
#include "host/display.h"
#include "host/folders.h"
#include "host/message_box.h"
#include "host/platform_window.h"
#include "host/process.h"
#include "monitor/monitor.h"
#include "monitor/user_folder.h"

namespace {

const char* const usage_text =
    "Usage: skerrow [--dir DIR]\n"
    "Plots the spot log that the setup file Skerrow020.SET names: the SNR of every\n"
    "spot against its time of day, refreshed about every ten seconds. Esc ends it.\n"
    "\n"
    "  --dir DIR   work in DIR: its setup file, its help page, its relative log path\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "An installed skerrow works in $XDG_CONFIG_HOME/skerrow (by default\n"
    "~/.config/skerrow) and sets that folder up at its first start; a copy in a\n"
    "folder of its own works in the folder that holds it.\n";

std::string dir_option;
std::string first_start_note;

std::string enter_folder() { return monitor_folder_enter(dir_option, first_start_note); }

// The first start's one box comes before the monitor's own start, under its title.
void program() {
    if (!first_start_note.empty()) {
        window_title_set(string_from_cstring(monitor_title));
        message_box(first_start_note.c_str(), "Skerrow", box_ok);
    }
    monitor_main();
}

}  // namespace

int main(int argc, char** argv) {
    bool dir_given = false;
    for (int i = 1; i < argc; i++) {
        command_standard(argv[i], "skerrow", usage_text);
        if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc && argv[i + 1][0] == 0)
            return command_wrong("skerrow", "--dir needs a folder, not an empty name", usage_text);
        if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc && !dir_given) {
            dir_given = true;
            dir_option = argv[++i];
        } else {
            return command_wrong("skerrow", (std::string("unexpected argument '") + argv[i] + "'").c_str(), usage_text);
        }
    }
    if (!dir_option.empty() && !folder_exists(dir_option))
        return command_wrong("skerrow", ("no folder " + dir_option).c_str(), usage_text);
    platform_set(&platform_window);
    runtime_main(argc, argv, program, enter_folder);
}
