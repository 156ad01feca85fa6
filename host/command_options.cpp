#include "host/command_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void command_help(const char* usage) {
    std::fputs(usage, stdout);
    std::exit(std::fflush(stdout) == 0 ? 0 : 1);
}

void command_version(const char* program) {
    std::printf("%s (Skerrow) %s\n", program, skerrow_version);
    std::exit(std::fflush(stdout) == 0 ? 0 : 1);
}

int command_wrong(const char* program, const char* problem, const char* usage) {
    std::fprintf(stderr, "%s: %s\n%s", program, problem, usage);
    return 2;
}

void command_standard(const char* argument, const char* program, const char* usage) {
    if (std::strcmp(argument, "--help") == 0) command_help(usage);
    if (std::strcmp(argument, "--version") == 0) command_version(program);
}
