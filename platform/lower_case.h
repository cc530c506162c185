#pragma once
// Lower case as the system has it, for any character, on UTF-8 texts.

#include <string>
#include <string_view>

namespace morumoru::platform {

std::string LowerCase(std::string_view text);

}  // namespace morumoru::platform
