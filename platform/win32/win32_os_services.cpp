#include "platform/win32/win32_os_services.h"

#include <urlmon.h>

#include <algorithm>
#include <vector>

#include "platform/win32/utf16.h"

namespace morumoru::platform::win32 {

std::wstring ModuleFileName(HMODULE module, DWORD firstSize) {
  std::vector<wchar_t> buffer(std::max<DWORD>(firstSize, 1));
  while (true) {
    DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    // A path cut to fit fills the whole buffer.
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

Win32OsServices::~Win32OsServices() {
  if (comStarted_) CoUninitialize();
}

std::string Win32OsServices::CommandLine() {
  return Narrow(GetCommandLineW());
}

StartupShow StartupShowFromWindows(int showCommand) {
  switch (showCommand) {
    case SW_SHOWMAXIMIZED:
      return StartupShow::kMaximized;
    case SW_SHOWMINNOACTIVE:
      return StartupShow::kMinimized;
    default:
      return StartupShow::kNormal;
  }
}

StartupShow Win32OsServices::StartupShowValue() {
  STARTUPINFOW info{};
  info.cb = sizeof info;
  GetStartupInfoW(&info);
  return StartupShowFromWindows((info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow
                                                                      : SW_SHOWDEFAULT);
}

std::string Win32OsServices::ModulePath() {
  return Narrow(ModuleFileName(nullptr));
}

std::string Win32OsServices::ModuleOfAddress(const void* code_address, uint32_t& offset) {
  HMODULE module = nullptr;
  if (!code_address || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                           static_cast<LPCWSTR>(code_address), &module)) {
    module = GetModuleHandleW(nullptr);
  }
  offset = code_address ? static_cast<uint32_t>(reinterpret_cast<uintptr_t>(code_address) -
                                                reinterpret_cast<uintptr_t>(module))
                        : 0;
  std::wstring path = ModuleFileName(module);
  size_t slash = path.find_last_of(L"\\/");
  return Narrow(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

bool Win32OsServices::QueryCounter(uint64_t& count) {
  LARGE_INTEGER value;
  if (!QueryPerformanceCounter(&value)) return false;
  count = static_cast<uint64_t>(value.QuadPart);
  return true;
}

uint32_t Win32OsServices::TickCount() {
  return GetTickCount();
}

void Win32OsServices::OpenUrl(std::string_view url) {
  if (!comStarted_) {
    // S_FALSE (already started on this thread) also needs its CoUninitialize.
    comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }
  HlinkNavigateString(nullptr, Widen(url).c_str());
}

}  // namespace morumoru::platform::win32
