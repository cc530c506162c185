#pragma once
// Lower case as the system has it, for any character, on UTF-8 texts.

#include <string>
#include <string_view>

namespace morumoru::platform {

std::string LowerCase(std::string_view text);

// Equal but for the case of A to Z, as the system matches names it keeps
// (INI sections and keys, window titles, font families); other letters
// must match exactly.
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace morumoru::platform
