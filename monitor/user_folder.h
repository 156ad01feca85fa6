// The folder the monitor works in, and the first start of an installed one.
//
// A run folder (a portable copy, the demo, the tests) works in the
// executable's folder. An installed monitor cannot work in its bin/ folder:
// it works in the user's folder, ~/.config/skerrow, and its first start (the
// setup file is missing there) writes that folder: a starter setup file
// naming the spot log that skerrow-feed writes by default, a copy of the help
// page, and that log with only its header line when it does not exist yet,
// so the first view is an empty plot. `--dir DIR` works in DIR and makes
// nothing.
#pragma once

#include <string>

// ---- First start ----------------------------------------------------------------

// The starter setup file for the spot log `log` (an absolute path).
std::string starter_setup_text(const std::string& log);
// When `folder` holds no setup file: makes the folder, the starter setup file
// naming `log`, the help page copied from `share` (when missing) and a
// header-only `log` (when missing). The text of the one box that tells the
// user what was made and what to do next into `note` ("" when the setup file
// was there); a help page or log that cannot be made is only noted there.
// When the folder or the setup file cannot be made, returns the message that
// names it, says why and what to do instead; otherwise "".
std::string user_folder_prepare(const std::string& folder, const std::string& share, const std::string& log,
                                std::string& note);

// ---- Where the monitor works -------------------------------------------------------

// Enters the folder the monitor works in: `dir` when not empty, the user
// folder (prepared as above) when this executable is installed, otherwise
// the executable's folder. `note` gets the first start's text, or "".
// Returns "" once in that folder; otherwise the message that names the
// folder and says why not (and, for the user folder, what to do instead).
std::string monitor_folder_enter(const std::string& dir, std::string& note);
