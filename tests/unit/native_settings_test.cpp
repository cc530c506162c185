// Where the native build keeps its settings, and the options xscreensaver
// passes on the command line.
#if defined(MORUMORU_BACKEND_X11)

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

#include "platform/files/settings_place.h"
#include "platform/posix/posix_os_services.h"
#include "platform/posix/posix_settings.h"
#include "platform/x11/x11_backend.h"
#include "settings/ini_file.h"
#include "test_support.h"

namespace morumoru::platform {
namespace {

namespace fs = std::filesystem;

TEST(ConfigSettingsFile, FollowsTheXdgRules) {
  EXPECT_EQ(ConfigSettingsFile("/x/cfg", "/home/u"), "/x/cfg/morumoru/morumoru.ini");
  EXPECT_EQ(ConfigSettingsFile("/x/cfg/", "/home/u"), "/x/cfg/morumoru/morumoru.ini");
  // Unset, empty or relative: the home folder's .config.
  EXPECT_EQ(ConfigSettingsFile(nullptr, "/home/u"), "/home/u/.config/morumoru/morumoru.ini");
  EXPECT_EQ(ConfigSettingsFile("", "/home/u/"), "/home/u/.config/morumoru/morumoru.ini");
  EXPECT_EQ(ConfigSettingsFile("cfg", "/home/u"), "/home/u/.config/morumoru/morumoru.ini");
  EXPECT_EQ(ConfigSettingsFile("~/cfg", "/"), "/.config/morumoru/morumoru.ini");
  // No absolute folder anywhere: no configuration file at all.
  EXPECT_EQ(ConfigSettingsFile(nullptr, nullptr), "");
  EXPECT_EQ(ConfigSettingsFile("cfg", "home"), "");
}

class NativeSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder_ / "app");
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old) oldConfigHome_ = old;
    setenv("XDG_CONFIG_HOME", (folder_ / "cfg").c_str(), 1);
  }
  void TearDown() override {
    if (oldConfigHome_) {
      setenv("XDG_CONFIG_HOME", oldConfigHome_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
  }
  std::string At(const std::string& name) { return (folder_ / name).string(); }
  std::string ConfigFile() { return At("cfg/morumoru/morumoru.ini"); }
  static std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static uint32_t ModeOf(const std::string& path) {
    struct stat info = {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0xFFFF;
  }

  test_support::TemporaryFolder temporary_{"morumoru-native"};
  const fs::path& folder_ = temporary_.path();
  std::optional<std::string> oldConfigHome_;
};

TEST_F(NativeSettingsTest, BesideTheProgramWhenItsFolderTakesIt) {
  const std::string beside = At("app/morumoru.ini");
  EXPECT_EQ(posix::PosixOsServices().SettingsFileFor(At("app/morumoru.ini")), beside);
  // A folder that is not there at all cannot take it.
  EXPECT_EQ(ChooseSettingsFile(At("gone/morumoru.ini"), ConfigFile()), ConfigFile());
  // Nowhere else to go: beside, and the failed write names that.
  EXPECT_EQ(ChooseSettingsFile(At("gone/morumoru.ini"), ""), At("gone/morumoru.ini"));
  EXPECT_FALSE(fs::exists(folder_ / "cfg")) << "choosing made a folder";
}

// Root passes every permission check: then the question is asked by a child
// process that has given root up for the rights of the user "nobody".
bool AsOrdinaryUser(const std::function<bool()>& check) {
  if (geteuid() != 0) return check();
  pid_t child = fork();
  if (child == 0) {
    bool dropped = setgid(65534) == 0 && setuid(65534) == 0 && geteuid() != 0;
    _exit(dropped && check() ? 0 : 1);
  }
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(NativeSettingsTest, ReadOnlyFolderMovesTheSettingsUnlessTheFileIsThere) {
  const auto readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
  fs::permissions(folder_, readOnly | fs::perms::owner_write);
  fs::permissions(folder_ / "app", readOnly);
  EXPECT_TRUE(AsOrdinaryUser([&] {
    return access(At("app").c_str(), W_OK) != 0 &&
           posix::PosixOsServices().SettingsFileFor(At("app/morumoru.ini")) == ConfigFile();
  })) << "a folder the user cannot write sends the settings to the configuration folder";
  fs::permissions(folder_ / "app", fs::perms::owner_all);
  std::ofstream(At("app/morumoru.ini")) << "[moruscr]\nspeed=2\n";
  fs::permissions(folder_ / "app", readOnly);
  EXPECT_TRUE(AsOrdinaryUser([&] {
    return posix::PosixOsServices().SettingsFileFor(At("app/morumoru.ini")) ==
           At("app/morumoru.ini");
  })) << "a file already beside the program stays the one read";
}

TEST_F(NativeSettingsTest, FoldersAreMadeWith0700AndExistingOnesKeepTheirMode) {
  fs::create_directories(folder_ / "old");
  chmod(At("old").c_str(), 0755);
  mode_t oldMask = umask(0);  // 0700 must not depend on the umask
  bool made = MakeFoldersAbove(At("old/new/deeper/morumoru.ini"));
  umask(0077 | 0222);
  bool madeUnderStrictMask = MakeFoldersAbove(At("strict/morumoru.ini"));
  umask(oldMask);
  EXPECT_TRUE(made);
  EXPECT_TRUE(madeUnderStrictMask);
  EXPECT_EQ(ModeOf(At("old")), 0755u);
  EXPECT_EQ(ModeOf(At("old/new")), 0700u);
  EXPECT_EQ(ModeOf(At("old/new/deeper")), 0700u);
  EXPECT_EQ(ModeOf(At("strict")), 0700u);
  EXPECT_FALSE(fs::exists(folder_ / "old/new/deeper/morumoru.ini"));
  EXPECT_TRUE(MakeFoldersAbove(At("old/new/deeper/morumoru.ini"))) << "already there";
  // A file where a folder should be.
  std::ofstream(At("blocker")) << "x";
  EXPECT_FALSE(MakeFoldersAbove(At("blocker/morumoru.ini")));
}

TEST_F(NativeSettingsTest, ReadingCreatesNothingAndTheFirstWriteMakesTheFolder) {
  posix::ConfigFolderProfile service;
  {
    TIniFile ini(ConfigFile(), service);
    EXPECT_EQ(ini.ReadNumber("moruscr", "speed", 5), 5);
  }
  EXPECT_FALSE(fs::exists(folder_ / "cfg"));
  {
    TIniFile ini(ConfigFile(), service);
    ini.WriteNumber("moruscr", "speed", 3);
  }
  EXPECT_EQ(Content(ConfigFile()), "[moruscr]\nspeed=3\n");
  EXPECT_EQ(ModeOf(At("cfg")), 0700u);
  EXPECT_EQ(ModeOf(At("cfg/morumoru")), 0700u);
  // A path outside the configuration folder gets no folders made for it.
  EXPECT_FALSE(service.Write(At("elsewhere/morumoru.ini"), "moruscr", "speed", "3"));
  EXPECT_FALSE(fs::exists(folder_ / "elsewhere"));
}

TEST_F(NativeSettingsTest, UnwritableConfigFolderFailsTheWriteWithItsPath) {
  std::ofstream(At("cfg")) << "a file, not a folder";
  posix::ConfigFolderProfile service;
  TIniFile ini(ConfigFile(), service);
  try {
    ini.WriteNumber("moruscr", "speed", 3);
    FAIL() << "no error";
  } catch (const std::exception& error) {
    EXPECT_NE(std::string(error.what()).find(ConfigFile()), std::string::npos) << error.what();
  }
}

TEST(X11HostSettings, SpeedAndPowerOnlyForAHack) {
  using x11::ChooseHost;
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(ChooseHost(LaunchMode::kSaver, {"-root", "-speed", "1"}, nullptr).settings,
            (Pairs{{"speed", "1"}}));
  EXPECT_EQ(
      ChooseHost(LaunchMode::kSaver, {"--speed", "7", "--power", "x", "--root"}, nullptr).settings,
      (Pairs{{"speed", "7"}, {"power", "x"}}));
  // As xscreensaver blanks (variable) and previews (-window-id added last).
  EXPECT_EQ(ChooseHost(LaunchMode::kSaver, {"-speed", "3"}, "0x400001").settings,
            (Pairs{{"speed", "3"}}));
  HostChoice preview =
      ChooseHost(LaunchMode::kSaver, {"-root", "-speed", "2", "-window-id", "0x600002"}, nullptr);
  EXPECT_EQ(preview.window, 0x600002ul);
  EXPECT_EQ(preview.settings, (Pairs{{"speed", "2"}}));
  // A window id is no speed, and a trailing -speed has no value.
  EXPECT_EQ(ChooseHost(LaunchMode::kSaver, {"-window-id", "77", "-speed"}, nullptr).settings,
            Pairs{});
  // On its own, and in the settings dialog, the file alone decides.
  EXPECT_EQ(ChooseHost(LaunchMode::kSaver, {"/s", "-speed", "1"}, nullptr).settings, Pairs{});
  EXPECT_EQ(ChooseHost(LaunchMode::kConfiguration, {"/c", "-speed", "1"}, "0x400001").settings,
            Pairs{});
}

}  // namespace
}  // namespace morumoru::platform

#endif  // MORUMORU_BACKEND_X11
