#pragma once
// Where the native build keeps its settings. Beside the program, as on
// Windows, for a portable copy or a build folder; in the user's configuration
// folder for an installed copy, whose folder no user may write.

#include <string>

namespace morumoru::platform {

// $XDG_CONFIG_HOME/morumoru/morumoru.ini, with $HOME/.config in place of a
// variable that is unset, empty or not absolute (the XDG Base Directory
// rules). Empty when there is no absolute home folder either.
std::string ConfigSettingsFile(const char* configHome, const char* home);

// `besideFile` when it exists or its folder can be written by this process
// (a read-only file system counts, also for root); else `configFile`, unless
// that is empty. Looks only: creates nothing.
std::string ChooseSettingsFile(const std::string& besideFile, const std::string& configFile);

// Makes the missing folders above `file`, each with mode 0700 (existing ones
// keep theirs). false when one cannot be made.
bool MakeFoldersAbove(const std::string& file);

}  // namespace morumoru::platform
