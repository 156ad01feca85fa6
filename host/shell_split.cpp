// The interpreter's word rules, shared by the runtime and skerrow-cmd.
#include <cctype>

#include "host/shell.h"

namespace {

const char* const internal_commands[] = {
    "ASSOC", "BREAK", "BCDBOOT", "BCDEDIT", "CALL", "CD", "CHDIR", "CLS", "COLOR", "COPY", "DATE", "DEFRAG",
    "DEL", "DIR", "ECHO", "ENDLOCAL", "ERASE", "FOR", "FTYPE", "GOTO", "GRAFTABL", "IF", "MD", "MKDIR",
    "MKLINK", "MOVE", "PATH", "PAUSE", "POPD", "PROMPT", "PUSHD", "RD", "REM", "REN", "RENAME", "RMDIR",
    "SET", "SETLOCAL", "SHIFT", "START", "TIME", "TITLE", "TYPE", "VER", "VERIFY", "VOL"};
static_assert(sizeof internal_commands / sizeof internal_commands[0] == 46, "46 internal commands");

bool listed(const std::string& w) {
    for (const char* c : internal_commands)
        if (w == c) return true;
    return false;
}

}  // namespace

bool shell_is_internal(const std::string& word) {
    std::string w = word;
    for (char& c : w) c = char(std::toupper(static_cast<unsigned char>(c)));
    size_t blank = w.find(' ');
    return listed(w) || (blank != std::string::npos && listed(w.substr(0, blank)));
}

void shell_split(const std::string& text, std::string& file, std::string& parameters) {
    bool quoted = false;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '"') quoted = !quoted;
        if (text[i] == ' ' && !quoted) {
            file = text.substr(0, i);
            parameters = text.substr(i + 1);
            return;
        }
    }
    file = text;
    parameters.clear();
}
