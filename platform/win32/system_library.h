#pragma once
// DLLs from the system folder only. A .scr is run from wherever it was
// saved, often a Downloads folder, and Windows looks for a DLL that is not
// one of its Known DLLs in the program's folder first: a file that lands
// beside the program would run inside it.

#include <windows.h>

namespace morumoru::platform::win32 {

// Narrows the search of every later load by name, the system DLLs' own
// included, to the system folder. Windows 7 without update KB2533623 lacks
// the call; the search then stays as it was.
void KeepDllSearchInSystemFolder();

// `function` of the system DLL `library`, loaded from the system folder
// alone; null when either is missing, or when the system cannot restrict
// the load to that folder (Windows 7 without the update).
FARPROC SystemFunction(const wchar_t* library, const char* function);

// A looked-up address as the function type the caller declares for it.
template <typename Function>
Function AsFunction(FARPROC address) {
  // Through the generic function type: a cast straight between two other
  // function types is one the compiler warns about.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace morumoru::platform::win32
