// Properties of the first argument of any command line: no quote and no zero
// byte in it, never longer than the line, and the mode follows its first two
// bytes.
#include <cstdint>
#include <string>

#include "app/startup.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  std::string first = morumoru::FirstArgument(line);
  FUZZ_CHECK(first.size() <= line.size());
  FUZZ_CHECK(first.find('"') == std::string::npos);
  FUZZ_CHECK(first.find('\0') == std::string::npos);
  std::string head = first.substr(0, 2);
  FUZZ_CHECK((morumoru::LaunchModeOf(line) == morumoru::platform::LaunchMode::kConfiguration) ==
             (head == "-c" || head == "/c"));
  // Unquoted, the argument holds no blank.
  if (line.find('"') == std::string::npos) {
    for (char c : first) FUZZ_CHECK(static_cast<unsigned char>(c) > 32);
  }
  return 0;
}
