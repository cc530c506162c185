#include "platform/win32/system_library.h"

namespace morumoru::platform::win32 {

void KeepDllSearchInSystemFolder() {
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  // kernel32 is loaded in every process and is a Known DLL: nothing is
  // searched for here.
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return;
  auto setDirectories =
      AsFunction<SetDirectories>(GetProcAddress(kernel, "SetDefaultDllDirectories"));
  if (setDirectories) setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

FARPROC SystemFunction(const wchar_t* library, const char* function) {
  HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module) return nullptr;
  // The library stays loaded for the rest of the run: its function may be
  // called at any time.
  FARPROC address = GetProcAddress(module, function);
  if (!address) FreeLibrary(module);
  return address;
}

}  // namespace morumoru::platform::win32
