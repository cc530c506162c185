#pragma once
// Where the settings live. Beside the program for a portable copy or a build
// folder; in the user's own settings folder for an installed copy, whose
// folder the user may not write (/usr/bin, or C:\Windows\System32 where the
// Screen Saver settings list the savers). One rule on every system.

#include <string>

namespace morumoru::platform {

#ifdef _WIN32
// <roamingAppData>\morumoru\morumoru.ini; empty when there is no folder.
std::string AppDataSettingsFile(const std::string& roamingAppData);
#else
// $XDG_CONFIG_HOME/morumoru/morumoru.ini, with $HOME/.config in place of a
// variable that is unset, empty or not absolute (the XDG Base Directory
// rules). Empty when there is no absolute home folder either.
std::string ConfigSettingsFile(const char* configHome, const char* home);
#endif

// `besideFile` when it exists or its folder can be written by this process
// (a read-only file system counts, also for root); else `configFile`, unless
// that is empty. Creates nothing that outlives the call.
std::string ChooseSettingsFile(const std::string& besideFile, const std::string& configFile);

// Makes the missing folders above `file`, each with mode 0700 on POSIX
// (existing ones keep theirs). false when one cannot be made.
bool MakeFoldersAbove(const std::string& file);

}  // namespace morumoru::platform
