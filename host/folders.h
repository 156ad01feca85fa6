// Where things lie: the program's own files, found from its executable, and
// the user's folders, found from the environment.
//
// A program installed under a prefix has its help page in ../share/skerrow/
// beside its bin/ folder; a run folder (a portable copy, the demo, the tests)
// has everything beside the executable. The user's folders follow the XDG
// rule: $XDG_CONFIG_HOME and $XDG_DATA_HOME when set to absolute paths,
// otherwise ~/.config and ~/.local/share, with ~ taken from HOME (or from
// the password database when HOME is unset). The monitor and skerrow-feed
// both take the spot log's default path from here, so the two always agree.
#pragma once

#include <string>

// ---- Names ------------------------------------------------------------------

constexpr char help_page_name[] = "SkerrowHelp.htm";     // the help page the menu opens
constexpr char interpreter_name[] = "skerrow-cmd";       // the command interpreter
constexpr char spot_log_name[] = "spots.log";            // the feeder's default spot log
constexpr char spot_log_header[] = "skerrow-feed spot log\r\n";  // the header line of the feeder's log

// ---- The program's own files --------------------------------------------------

// The absolute folder of the running executable; "" when it cannot be found.
std::string executable_folder();
// The prefix's share/skerrow folder when this executable is an installed one
// (that folder holds the help page); "" for a run folder.
std::string installed_share_folder();
// The command interpreter: beside the executable, else in the prefix's libexec/skerrow/.
std::string interpreter_path();

// ---- The user's folders -------------------------------------------------------

std::string user_home();           // HOME, or the password database's home; "" when neither
std::string user_config_folder();  // $XDG_CONFIG_HOME/skerrow, by default ~/.config/skerrow
std::string user_data_folder();    // $XDG_DATA_HOME/skerrow, by default ~/.local/share/skerrow
std::string feed_default_log();    // the spot log skerrow-feed writes by default
std::string decoder_default_folder();  // the decoder's own folder, ~/.local/share/WSJT-X

// ---- Small file helpers ---------------------------------------------------------

bool folder_exists(const std::string& path);
bool file_exists(const std::string& path);
// Makes the folder and its missing parents; true when it exists afterwards.
bool folder_make(const std::string& path);
