// DLLs come from the system folder only, never from the program's.
#ifdef _WIN32

#include <gtest/gtest.h>
#include <unknwn.h>
#include <windows.h>

#include "platform/win32/system_library.h"

namespace morumoru::platform::win32 {
namespace {

// Built into the tests' own folder (search_probe.cpp); no system has it.
constexpr wchar_t kProbe[] = L"morumoru_search_probe.dll";

TEST(SystemFunction, ASystemDllsFunctionAndNoOtherDlls) {
  using Navigate = HRESULT(WINAPI*)(IUnknown*, LPCWSTR);
  EXPECT_NE(AsFunction<Navigate>(SystemFunction(L"urlmon.dll", "HlinkNavigateString")), nullptr);
  EXPECT_EQ(SystemFunction(L"urlmon.dll", "NoSuchFunction"), nullptr);
  EXPECT_EQ(SystemFunction(L"morumoru_no_such_library.dll", "SearchProbe"), nullptr);
  // Found by the default search, but it lies beside the program.
  HMODULE probe = LoadLibraryW(kProbe);
  ASSERT_NE(probe, nullptr) << "the probe DLL is missing beside the tests";
  FreeLibrary(probe);
  EXPECT_EQ(SystemFunction(kProbe, "SearchProbe"), nullptr);
}

// Narrows the search for the rest of this test process: nothing here loads
// a DLL of its own folder afterwards.
TEST(KeepDllSearchInSystemFolder, ADllBesideTheProgramIsNoLongerFound) {
  HMODULE probe = LoadLibraryW(kProbe);
  ASSERT_NE(probe, nullptr) << "the probe DLL is missing beside the tests";
  FreeLibrary(probe);
  KeepDllSearchInSystemFolder();
  probe = LoadLibraryW(kProbe);
  EXPECT_EQ(probe, nullptr) << "the program's folder is still searched";
  if (probe) FreeLibrary(probe);
  // The system's own DLLs still load by name.
  HMODULE system = LoadLibraryW(L"urlmon.dll");
  EXPECT_NE(system, nullptr);
  if (system) FreeLibrary(system);
}

}  // namespace
}  // namespace morumoru::platform::win32

#endif  // _WIN32
