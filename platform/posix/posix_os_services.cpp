#include "platform/posix/posix_os_services.h"

#include <dlfcn.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <thread>

// POSIX's own declaration; <unistd.h> has one only under _GNU_SOURCE.
extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace morumoru::platform::posix {

std::vector<std::string> ProcessArguments() {
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> arguments;
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    arguments.push_back(raw.substr(start, end - start));
    start = end + 1;
  }
  return arguments;
}

PosixOsServices::PosixOsServices(const Settings& overrides) {
  for (const auto& [key, value] : overrides) overrides_.insert_or_assign(key, value);
}

std::string PosixOsServices::CommandLine() {
  return JoinedCommandLine(ProcessArguments());
}

std::string JoinedCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    if (argument.empty() || argument.find_first_of(" \t") != std::string::npos) {
      line += '"' + argument + '"';
    } else {
      line += argument;
    }
  }
  return line;
}

std::string PosixOsServices::ModulePath() {
  char buffer[4096];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) return "morumoru";
  return std::string(buffer, static_cast<size_t>(length));
}

std::string PosixOsServices::ModuleOfAddress(const void* address, uint32_t& offset) {
  offset = 0;
  Dl_info info{};
  std::string path;
  if (address && dladdr(address, &info) && info.dli_fname) {
    path = info.dli_fname;
    offset = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address) -
                                   reinterpret_cast<uintptr_t>(info.dli_fbase));
  }
  if (path.empty()) path = ModulePath();
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool PosixOsServices::QueryCounter(uint64_t& count) {
  timespec now;
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return false;
  count = uint64_t(now.tv_sec) * 1'000'000'000u + uint64_t(now.tv_nsec);
  return true;
}

uint32_t PosixOsServices::TickCount() {
  // The monotonic clock does not fail on Linux; should it, 0 rather than
  // whatever the stack held.
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
  return static_cast<uint32_t>(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1'000'000u);
}

void PosixOsServices::OpenUrl(std::string_view url) {
  std::string target(url);
  char program[] = "xdg-open";
  char* argv[] = {program, target.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) return;
  // Reaped on the side: the dialog must not wait for a browser to start.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
}

}  // namespace morumoru::platform::posix
