#pragma once
// The program's entry: the running-copy check, the choice of mode, the loop.

#include <exception>
#include <string>
#include <string_view>

namespace morumoru {

namespace platform {
class Platform;
}

inline constexpr const char* kApplicationTitle = "morumoru";

// The second token of a command line, with the quoting rules of the
// Windows run-time: blanks are codes 1 to 32, "" pairs before a token are
// skipped, a quote opens a stretch that runs to the next quote.
std::string FirstArgument(std::string_view commandLine);

// "-c" or "/c" as the first two bytes of the first argument.
bool IsConfigurationLaunch(std::string_view commandLine);

// The last-chance box's two lines.
std::string LastChanceText(const std::exception& error, platform::Platform& platform);

// Runs the program; returns the process exit code.
int RunProgram(platform::Platform& platform);

}  // namespace morumoru
