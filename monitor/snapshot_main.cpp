// skerrow-snapshot: the monitor's start-up and first refresh, without a window,
// written as a 640 x 480 PNG.
//
//   skerrow-snapshot [-C DIR | --dir DIR] OUT.png
//
// The setup file is read in DIR; without one, in the current folder, or for
// an installed program in the installed monitor's own folder.
//
// Error reports go to standard error in the dialog's words and are answered
// Yes. Exit code 0, or non-zero after a critical error or when the PNG
// cannot be written.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "graphics/image_surface.h"
#include "graphics/png_writer.h"
#include "host/command_options.h"
#include "host/folders.h"
#include "host/process.h"
#include "host/run_state.h"
#include "monitor/monitor.h"

namespace {

const char* const usage_text =
    "Usage: skerrow-snapshot [-C DIR | --dir DIR] OUT.png\n"
    "Runs the monitor's start-up and first refresh without a window and writes the\n"
    "picture as a 640 x 480 PNG. Error reports go to standard error, answered Yes.\n"
    "\n"
    "  -C DIR, --dir DIR   read the setup file in DIR (default: the current folder;\n"
    "                      installed, the monitor's folder ~/.config/skerrow)\n"
    "  --help              show this help and exit\n"
    "  --version           show the version and exit\n";

int wrong(const std::string& problem) { return command_wrong("skerrow-snapshot", problem.c_str(), usage_text); }

}  // namespace

int main(int argc, char** argv) {
    std::string folder, out;
    for (int i = 1; i < argc; i++) {
        command_standard(argv[i], "skerrow-snapshot", usage_text);
        bool dir = std::strcmp(argv[i], "-C") == 0 || std::strcmp(argv[i], "--dir") == 0;
        if (dir && i + 1 < argc && argv[i + 1][0] == 0) return wrong(std::string(argv[i]) + " needs a folder, not an empty name");
        if (dir && i + 1 < argc) folder = argv[++i];
        else if (out.empty() && argv[i][0] != '-') out = argv[i];
        else return wrong(std::string("unexpected argument '") + argv[i] + "'");
    }
    if (out.empty()) return wrong("no OUT.png given");
    if (folder.empty() && !installed_share_folder().empty()) folder = user_config_folder();
    std::error_code failed;
    std::filesystem::path whole = std::filesystem::absolute(out, failed);
    if (!failed) out = whole.string();
    if (!folder.empty()) {
        std::filesystem::current_path(folder, failed);
        if (failed) {
            std::fprintf(stderr, "skerrow-snapshot: cannot change to %s: %s\n", folder.c_str(), failed.message().c_str());
            return 2;
        }
    }
    runtime_start_headless();
    monitor_startup();
    statement(117);
    monitor_cycle();

    if (!png_write_image(out.c_str(), image_display())) {
        std::fprintf(stderr, "skerrow-snapshot: cannot write %s\n", out.c_str());
        process_exit(1);
    }
    process_exit(0);
}
