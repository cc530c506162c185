// A DLL planted beside the program, standing for one that someone put in a
// Downloads folder: loaded into a process, it creates "<its own path>.loaded"
// and does nothing else. Built as urlmon.dll with PLANTED_URLMON, it exports
// the one function the program would want of urlmon; built with a
// module-definition file that forwards every export to the system's copy, it
// stands in for any other system DLL without breaking what uses it.
#include <windows.h>

namespace {

void LeaveMark(HINSTANCE self) {
  wchar_t path[MAX_PATH + 8];
  DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  lstrcatW(path, L".loaded");
  HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void* /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) LeaveMark(self);
  return TRUE;
}

#ifdef PLANTED_URLMON
// Fails as a broken hyperlink service would; the program then asks the shell.
extern "C" __declspec(dllexport) HRESULT WINAPI HlinkNavigateString(IUnknown*, LPCWSTR);

HRESULT WINAPI HlinkNavigateString(IUnknown* /*context*/, LPCWSTR /*target*/) {
  return E_NOTIMPL;
}
#endif
