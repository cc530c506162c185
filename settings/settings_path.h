#pragma once
// Where the settings live: beside the program, with its extension swapped for
// ".ini" (C:\WINDOWS\saver.scr keeps its settings in C:\WINDOWS\saver.ini).

#include <string>
#include <string_view>

#include "platform/os_services.h"
#include "platform/profile/path_style.h"

namespace morumoru {

// `modulePath` with its extension (the part from the last period of the file
// name on) replaced by ".ini", or with ".ini" added when it has none. A period
// in a folder name does not count. UTF-8 in, UTF-8 out, any length.
std::string SettingsFilePath(std::string_view modulePath, platform::PathStyle style);

// The settings file of the running program for a store made now: the one
// beside it, or where the system keeps it instead (OsServices decides).
std::string SettingsFileOf(platform::OsServices& os);

}  // namespace morumoru
