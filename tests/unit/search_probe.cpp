// A DLL built beside the unit tests and nowhere else: the Windows tests ask
// for it by name to see whether the DLL search still reaches the program's
// folder.
#include <windows.h>

extern "C" __declspec(dllexport) int SearchProbe() {
  return 1;
}
