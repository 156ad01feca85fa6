// skerrow-snapshot: the monitor's start-up and first refresh, without a window,
// written as a 640 x 480 PNG.
//
//   skerrow-snapshot [-C DIR] OUT.png
//
// Error reports go to standard error in the dialog's words and are answered
// Yes. Exit code 0, or non-zero after a critical error or when the PNG
// cannot be written.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "graphics/image_surface.h"
#include "graphics/png_writer.h"
#include "host/process.h"
#include "monitor/monitor.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: skerrow-snapshot [-C DIR] OUT.png\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder, out;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "-C") == 0 && i + 1 < argc) folder = argv[++i];
        else if (out.empty() && argv[i][0] != '-') out = argv[i];
        else return usage();
    }
    if (out.empty()) return usage();
    if (out[0] != '/') {
        char here[4096];
        if (getcwd(here, sizeof here)) out = std::string(here) + "/" + out;
    }
    if (!folder.empty() && chdir(folder.c_str()) != 0) {
        std::fprintf(stderr, "skerrow-snapshot: cannot change to %s\n", folder.c_str());
        return 2;
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
