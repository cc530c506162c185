#pragma once
// The program's entry: the choice of mode, the running-copy check, the loop.

#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "platform/launch_mode.h"
#include "platform/os_services.h"
#include "platform/window_system.h"

namespace morumoru {

inline constexpr const char* kApplicationTitle = "morumoru";

// The second token of a command line, with the quoting rules of the
// Windows run-time: blanks are codes 1 to 32, "" pairs before a token are
// skipped, a quote opens a stretch that runs to the next quote.
std::string FirstArgument(std::string_view commandLine);

// The one decision of the launch mode: configuration when the first
// argument starts with "-c" or "/c" (its first two bytes), the saver
// otherwise. The entry makes it once and hands it on.
platform::LaunchMode LaunchModeOf(std::string_view commandLine);

// What the native command line answers without opening a window: the
// usage for --help or -h, the version for --version, as the first argument.
// Nothing (nullopt) for anything else, which starts the program as usual.
std::optional<std::string> InformationRequested(std::string_view commandLine);

// The last-chance box's two lines.
std::string LastChanceText(const std::exception& error, platform::OsServices& os);

// Runs the program in the given mode; returns the process exit code.
int RunProgram(platform::WindowSystem& windows, platform::OsServices& os,
               platform::LaunchMode mode);

}  // namespace morumoru
