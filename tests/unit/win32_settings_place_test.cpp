// Where the Windows build keeps its settings, the program's own path in its
// long form, and the way to the web browser.
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files/settings_place.h"
#include "platform/win32/utf16.h"
#include "platform/win32/win32_os_services.h"
#include "settings/settings_path.h"
#include "test_support.h"

namespace morumoru::platform::win32 {
namespace {

namespace fs = std::filesystem;

TEST(AppDataSettingsFile, ItsOwnFolderInTheRoamingData) {
  EXPECT_EQ(AppDataSettingsFile("C:\\Users\\u\\AppData\\Roaming"),
            "C:\\Users\\u\\AppData\\Roaming\\morumoru\\morumoru.ini");
  EXPECT_EQ(AppDataSettingsFile("C:\\Users\\u\\AppData\\Roaming\\"),
            "C:\\Users\\u\\AppData\\Roaming\\morumoru\\morumoru.ini");
  EXPECT_EQ(AppDataSettingsFile(""), "");
}

class Win32SettingsPlaceTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(folder_ / "app"); }
  std::string At(const std::string& relative) const {
    return Narrow((folder_ / relative).make_preferred().wstring());
  }
  std::vector<std::string> Entries(const std::string& relative) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_ / relative)) {
      names.push_back(Narrow(entry.path().filename().wstring()));
    }
    return names;
  }
  std::string Config() const { return At("roaming\\morumoru\\morumoru.ini"); }

  test_support::TemporaryFolder temporary_{"morumoru-place"};
  const fs::path& folder_ = temporary_.path();
};

TEST_F(Win32SettingsPlaceTest, BesideTheProgramWhenItsFolderTakesTheFile) {
  // A writable folder: beside, and the look leaves nothing behind.
  EXPECT_EQ(ChooseSettingsFile(At("app\\morumoru.ini"), Config()), At("app\\morumoru.ini"));
  EXPECT_TRUE(Entries("app").empty());
  // A file there is used whatever it is, even a folder standing in its place.
  fs::create_directories(folder_ / "gone" / "morumoru.ini");
  EXPECT_EQ(ChooseSettingsFile(At("gone\\morumoru.ini"), Config()), At("gone\\morumoru.ini"));
  // A folder that cannot take a file (here: none at all) sends it to the
  // user's data, unless the system has no such place.
  EXPECT_EQ(ChooseSettingsFile(At("none\\morumoru.ini"), Config()), Config());
  EXPECT_EQ(ChooseSettingsFile(At("none\\morumoru.ini"), ""), At("none\\morumoru.ini"));
  EXPECT_FALSE(fs::exists(folder_ / "roaming"));
}

TEST_F(Win32SettingsPlaceTest, FoldersAreMadeLevelByLevel) {
  EXPECT_TRUE(MakeFoldersAbove(At("roaming\\morumoru\\morumoru.ini")));
  EXPECT_TRUE(fs::is_directory(folder_ / "roaming" / "morumoru"));
  EXPECT_FALSE(fs::exists(folder_ / "roaming" / "morumoru" / "morumoru.ini"));
  EXPECT_TRUE(MakeFoldersAbove(At("roaming\\morumoru\\morumoru.ini"))) << "already there";
  std::ofstream(folder_ / "blocker") << "a file";
  EXPECT_FALSE(MakeFoldersAbove(At("blocker\\morumoru\\morumoru.ini")));
}

// The store's write into the user's data makes the folder; a read does not,
// and a write anywhere else makes no folder either.
TEST_F(Win32SettingsPlaceTest, AppDataFolderIsMadeOnTheFirstWriteOnly) {
  std::string config = AppDataFileNow();
  ASSERT_FALSE(config.empty());
  fs::path folder = fs::path(Widen(config)).parent_path();
  if (fs::exists(folder)) GTEST_SKIP() << "this user's settings folder exists already";
  AppDataFolderProfile profile;
  EXPECT_EQ(profile.Read(config, "moruscr", "speed"), std::nullopt);
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_FALSE(profile.Write(At("none\\morumoru.ini"), "moruscr", "speed", "3"));
  EXPECT_FALSE(fs::exists(folder_ / "none"));
  EXPECT_TRUE(profile.Write(config, "moruscr", "speed", "3"));
  profile.Flush(config);
  EXPECT_EQ(profile.Read(config, "moruscr", "speed"), "3");
  std::error_code error;
  fs::remove_all(folder, error);
}

// A saver started by its short 8.3 name must find the settings its long name
// gives, where the dialog wrote them.
TEST_F(Win32SettingsPlaceTest, ShortNameLaunchFindsTheLongNamesSettings) {
  fs::create_directories(folder_ / "Screen Savers");
  fs::path program = folder_ / "Screen Savers" / "morumoru-1.2.scr";
  std::ofstream(program) << "program";
  std::wstring longPath = program.make_preferred().wstring();
  wchar_t buffer[MAX_PATH * 2];
  DWORD length = GetShortPathNameW(longPath.c_str(), buffer, MAX_PATH * 2);
  ASSERT_GT(length, 0u);
  std::wstring shortPath(buffer, length);
  if (shortPath == longPath) GTEST_SKIP() << "this file system keeps no short names";
  const std::string expected = Narrow(longPath.substr(0, longPath.size() - 4)) + ".ini";
  EXPECT_EQ(SettingsFilePath(Narrow(LongPathOf(shortPath)), PathStyle::Windows), expected)
      << "short form " << Narrow(shortPath);
  EXPECT_EQ(LongPathOf(longPath), longPath);
  // A path the system cannot resolve stays as it was.
  EXPECT_EQ(LongPathOf(L"C:\\no such folder\\saver.scr"), L"C:\\no such folder\\saver.scr");
}

// Fakes of the two ways to the browser, counting their calls.
struct Opened {
  static inline HRESULT navigateResult = S_OK;
  static inline std::vector<std::wstring> navigated;
  static inline std::vector<std::wstring> shellOpened;
  static inline std::vector<std::wstring> shellVerbs;
  static HRESULT WINAPI Navigate(IUnknown* context, LPCWSTR target) {
    EXPECT_EQ(context, nullptr);
    navigated.emplace_back(target);
    return navigateResult;
  }
  static HINSTANCE WINAPI ShellExecute(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
    shellVerbs.emplace_back(verb ? verb : L"");
    shellOpened.emplace_back(file);
    return reinterpret_cast<HINSTANCE>(42);
  }
};

TEST(Win32OpenUrl, TheShellOpensWhatTheHyperlinkServiceCannot) {
  Win32OsServices os(UrlOpeners{Opened::Navigate, Opened::ShellExecute});
  const std::wstring address = L"https://example.jp/morumoru/";
  // The counts start empty on every run of the test (--gtest_repeat too).
  Opened::navigated.clear();
  Opened::shellOpened.clear();
  Opened::shellVerbs.clear();
  Opened::navigateResult = S_OK;
  os.OpenUrl("https://example.jp/morumoru/");
  EXPECT_EQ(Opened::navigated, std::vector<std::wstring>{address});
  EXPECT_TRUE(Opened::shellOpened.empty()) << "opened twice";
  for (HRESULT failure : {E_FAIL, E_NOINTERFACE, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)}) {
    Opened::navigated.clear();
    Opened::shellOpened.clear();
    Opened::shellVerbs.clear();
    Opened::navigateResult = failure;
    os.OpenUrl("https://example.jp/morumoru/");
    EXPECT_EQ(Opened::navigated.size(), 1u);
    EXPECT_EQ(Opened::shellOpened, std::vector<std::wstring>{address}) << std::hex << failure;
    EXPECT_EQ(Opened::shellVerbs, std::vector<std::wstring>{L"open"});
  }
}

}  // namespace
}  // namespace morumoru::platform::win32

#endif  // _WIN32
