// skerrow-cmd: the command interpreter that shell commands run through.
//
//   skerrow-cmd /C start PROGRAM-OR-DOCUMENT [ARGS]   starts it and returns at once
//   skerrow-cmd /C notepad FILE                       edits FILE in the desktop's text editor
//   skerrow-cmd /C anything else                      runs it through /bin/sh
//
// File names are matched without regard to case, as the setup file's own
// commands expect. When nothing can open a file it says so in one line.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/command_options.h"
#include "host/shell.h"

namespace {

const char* const usage_text =
    "Usage: skerrow-cmd /C COMMAND\n"
    "The command interpreter that the monitor's menu commands run through.\n"
    "\n"
    "  /C start PROGRAM-OR-DOCUMENT [ARGS]   start it and return at once\n"
    "  /C notepad FILE                       edit FILE in the desktop's text editor\n"
    "  /C anything else                      run it through /bin/sh\n";

std::string upper(std::string s) {
    for (char& c : s) c = char(toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string unquote(const std::string& s) {
    return s.size() >= 2 && s.front() == '"' && s.back() == '"' ? s.substr(1, s.size() - 2) : s;
}

bool exists(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0;
}

// The file as named, or the one in its folder whose name differs only in case.
std::string resolve(const std::string& name) {
    if (name.empty() || exists(name)) return name;
    size_t slash = name.rfind('/');
    std::string folder = slash == std::string::npos ? "." : name.substr(0, slash);
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    DIR* d = opendir(folder.c_str());
    if (d == nullptr) return name;
    std::string found = name;
    while (dirent* e = readdir(d))
        if (strcasecmp(e->d_name, base.c_str()) == 0) {
            found = slash == std::string::npos ? e->d_name : folder + "/" + e->d_name;
            break;
        }
    closedir(d);
    return found;
}

// Runs argv; detached (its own session, not waited for) or waited for.
int run(const std::vector<std::string>& argv, bool detached) {
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (detached) setsid();
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    if (detached) return 0;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// The desktop's text editor: $SKERROW_EDITOR, a known graphical editor, or the opener.
std::string text_editor() {
    if (const char* chosen = std::getenv("SKERROW_EDITOR"); chosen && *chosen) return chosen;
    for (const char* e : {"gnome-text-editor", "gedit", "kwrite", "kate", "mousepad", "pluma", "xed", "featherpad",
                          "leafpad", "xdg-open"}) {
        std::string p = shell_find_program(e);
        if (!p.empty()) return p;
    }
    return "";
}

int edit(const std::string& file, bool detached) {
    std::string editor = text_editor(), target = resolve(unquote(file));
    if (editor.empty()) {
        std::fprintf(stderr, "skerrow-cmd: no text editor to open %s with; install one (or xdg-utils)\n", target.c_str());
        return 1;
    }
    return run({editor, target}, detached);
}

int open_document(const std::string& document) {
    std::string opener = shell_find_program("xdg-open"), target = resolve(unquote(document));
    if (opener.empty()) {
        std::fprintf(stderr, "skerrow-cmd: nothing to open %s with; install xdg-utils\n", target.c_str());
        return 1;
    }
    return run({opener, target}, true);
}

int start(const std::string& rest) {
    std::string target, arguments;
    shell_split(rest, target, arguments);
    // A first quoted word followed by more is the window title, as the interpreter takes it.
    if (target.size() >= 2 && target.front() == '"' && !arguments.empty()) shell_split(arguments, target, arguments);
    std::string name = unquote(target), up = upper(name);
    if (name.empty()) return 0;
    if (up == "NOTEPAD" || up == "NOTEPAD.EXE") return edit(arguments, true);
    if (name.find("://") != std::string::npos) return open_document(name);
    std::string resolved = resolve(name);
    struct stat st{};
    bool document = stat(resolved.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(resolved.c_str(), X_OK) != 0;
    if (document) return open_document(resolved);
    std::string program = shell_find_program(resolved);
    if (program.empty()) {
        std::fprintf(stderr, "skerrow-cmd: cannot start %s: no such program or file\n", name.c_str());
        return 1;
    }
    if (arguments.empty()) return run({program}, true);
    return run({"/bin/sh", "-c", "exec \"$0\" " + arguments, program}, true);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2) command_standard(argv[1], "skerrow-cmd", usage_text);
    std::string joined;
    for (int i = 1; i < argc; i++) {
        if (i > 1) joined.push_back(' ');
        joined.append(argv[i]);
    }
    size_t at = joined.find_first_not_of(' ');
    if (at == std::string::npos) return 0;
    if (joined.size() >= at + 2 && joined[at] == '/' && (toupper(static_cast<unsigned char>(joined[at + 1])) == 'C' ||
                                                         toupper(static_cast<unsigned char>(joined[at + 1])) == 'K'))
        at += 2;
    at = joined.find_first_not_of(' ', at);
    if (at == std::string::npos) return 0;
    const std::string line(joined, at);
    std::string word, rest;
    shell_split(line, word, rest);
    std::string up = upper(unquote(word));
    if (up == "START") return start(rest);
    if (up == "NOTEPAD" || up == "NOTEPAD.EXE") return edit(rest, false);
    return run({"/bin/sh", "-c", line}, false);
}
