#pragma once
// Form layouts: a small text format (object Name: Class / Key = value / end)
// kept in assets/ and compiled into the program.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace morumoru {

struct LayoutObject {
  std::string name;
  std::string className;
  std::map<std::string, std::string> properties;  // values without quotes
  std::vector<LayoutObject> children;

  const std::string* Find(std::string_view key) const;
  std::string Text(std::string_view key, std::string_view fallback = "") const;
  int32_t Number(std::string_view key, int32_t fallback = 0) const;
  bool Flag(std::string_view key, bool fallback) const;
};

// Throws std::runtime_error naming the line on malformed text: a broken
// layout is a build fault, never user input.
LayoutObject ParseLayout(std::string_view text);

// The layouts carried by the program.
std::string_view SaverLayoutText();
std::string_view DialogLayoutText();

}  // namespace morumoru
