#include "settings/settings_path.h"

#include <gtest/gtest.h>

#include <string>

namespace morumoru {
namespace {

using platform::PathStyle;

TEST(SettingsFilePathTest, WindowsPaths) {
  EXPECT_EQ(SettingsFilePath("C:\\WINDOWS\\saver.scr", PathStyle::Windows),
            "C:\\WINDOWS\\saver.ini");
  EXPECT_EQ(SettingsFilePath("C:\\x\\saver.old.scr", PathStyle::Windows), "C:\\x\\saver.old.ini");
  EXPECT_EQ(SettingsFilePath("C:\\a.b\\saver", PathStyle::Windows), "C:\\a.b\\saver.ini");
  EXPECT_EQ(SettingsFilePath("C:\\x\\saver.", PathStyle::Windows), "C:\\x\\saver.ini");
  EXPECT_EQ(SettingsFilePath("C:.d\\saver", PathStyle::Windows), "C:.d\\saver.ini");
  EXPECT_EQ(SettingsFilePath("a.b:saver", PathStyle::Windows), "a.b:saver.ini");
  EXPECT_EQ(SettingsFilePath("saver", PathStyle::Windows), "saver.ini");
}

TEST(SettingsFilePathTest, PosixPaths) {
  EXPECT_EQ(SettingsFilePath("/opt/a.b/morumoru", PathStyle::Posix), "/opt/a.b/morumoru.ini");
  EXPECT_EQ(SettingsFilePath("/usr/bin/morumoru.bin", PathStyle::Posix), "/usr/bin/morumoru.ini");
  // A backslash is an ordinary file name character here.
  EXPECT_EQ(SettingsFilePath("/opt/a.b\\saver", PathStyle::Posix), "/opt/a.ini");
}

TEST(SettingsFilePathTest, NonAsciiAndLongPathsKeptWhole) {
  EXPECT_EQ(SettingsFilePath("C:\\スクリーンセーバー.d\\もるもる.scr", PathStyle::Windows),
            "C:\\スクリーンセーバー.d\\もるもる.ini");
  EXPECT_EQ(SettingsFilePath("/home/利用者/設定.d/morumoru", PathStyle::Posix),
            "/home/利用者/設定.d/morumoru.ini");
  std::string folder = "C:\\";
  for (int i = 0; i < 40; ++i) folder += "フォルダ\\";
  ASSERT_GT(folder.size(), 260u);
  EXPECT_EQ(SettingsFilePath(folder + "saver.scr", PathStyle::Windows), folder + "saver.ini");
}

}  // namespace
}  // namespace morumoru
