// Loads each DLL named on its command line by its name alone, with the
// search every program gets by default (its own folder first), and exits 0
// when all of them loaded. The planted-DLL scenario's control: it shows that
// a planted DLL is taken when a program asks for it.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  int missing = 0;
  for (int i = 1; i < argc; ++i) {
    if (!LoadLibraryW(argv[i])) {
      std::fwprintf(stderr, L"cannot load %ls: error %lu\n", argv[i], GetLastError());
      ++missing;
    }
  }
  return missing == 0 ? 0 : 1;
}
