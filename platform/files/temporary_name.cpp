#include <atomic>
#include <chrono>

#include "platform/files/settings_file.h"

namespace morumoru::platform {

std::string TemporaryNameBeside(const std::string& path, std::string_view separators,
                                uint64_t processId) {
  static std::atomic<uint64_t> counter{0};
  uint64_t x = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               (processId << 40) ^ (++counter * 0x9E3779B97F4A7C15ull);
  // splitmix64 finaliser: neighbouring inputs give unrelated names.
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  x ^= x >> 31;
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (int i = 0; i < 10; ++i, x /= 36) suffix.push_back(kDigits[x % 36]);
  size_t cut = path.find_last_of(separators);
  size_t nameStart = cut == std::string::npos ? 0 : cut + 1;
  return path.substr(0, nameStart) + "." + path.substr(nameStart) + "." + suffix;
}

}  // namespace morumoru::platform
