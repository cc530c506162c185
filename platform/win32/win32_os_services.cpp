#include "platform/win32/win32_os_services.h"

#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "platform/files/settings_place.h"
#include "platform/win32/system_library.h"
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

std::wstring LongPathOf(const std::wstring& path) {
  DWORD size = GetLongPathNameW(path.c_str(), nullptr, 0);
  if (size == 0) return path;
  std::wstring longPath(size, L'\0');
  DWORD length = GetLongPathNameW(path.c_str(), longPath.data(), size);
  if (length == 0 || length >= size) return path;
  longPath.resize(length);
  return longPath;
}

std::string AppDataFileNow() {
  PWSTR folder = nullptr;
  std::string file;
  // The folder need not exist yet: it is made on the first write.
  if (SUCCEEDED(
          SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DONT_VERIFY, nullptr, &folder))) {
    file = AppDataSettingsFile(Narrow(folder));
  }
  CoTaskMemFree(folder);
  return file;
}

bool AppDataFolderProfile::Write(const std::string& path, std::string_view section,
                                 std::string_view key, std::string_view value) {
  if (path == AppDataFileNow() && !MakeFoldersAbove(path)) return false;
  return profile_.Write(path, section, key, value);
}

namespace {

// urlmon is no Known DLL: imported, it would be looked for beside the
// program first, at every start. It is loaded from the system folder when
// the link is first pressed.
HRESULT WINAPI NavigateThroughUrlmon(IUnknown* context, LPCWSTR target) {
  using Navigate = HRESULT(WINAPI*)(IUnknown*, LPCWSTR);
  static const auto navigate =
      AsFunction<Navigate>(SystemFunction(L"urlmon.dll", "HlinkNavigateString"));
  if (!navigate) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  return navigate(context, target);
}

}  // namespace

UrlOpeners SystemUrlOpeners() {
  return {NavigateThroughUrlmon, ShellExecuteW};
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
  // The idle timer may start a saver by its short name; the settings file
  // must be the one the long name gives.
  return Narrow(LongPathOf(ModuleFileName(nullptr)));
}

std::string Win32OsServices::SettingsFileFor(const std::string& besideProgram) {
  return ChooseSettingsFile(besideProgram, AppDataFileNow());
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
  std::wstring address = Widen(url);
  // The hyperlink service is gone or broken on some systems; the shell then
  // opens the address. Neither failure is the user's to hear about.
  if (FAILED(openers_.navigate(nullptr, address.c_str()))) {
    openers_.shellExecute(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
}

}  // namespace morumoru::platform::win32
