// Where the X11 backend draws when xscreensaver runs it. Pure parts only.
#if defined(MORUMORU_BACKEND_X11)

#include <gtest/gtest.h>

#include "platform/x11/x11_backend.h"

namespace morumoru::platform {
namespace {

using x11::ChooseHost;
using x11::ParseWindowId;

TEST(X11Host, ReadsWindowIdsAsXscreensaverWritesThem) {
  unsigned long window = 0;
  EXPECT_TRUE(ParseWindowId("0x2A00004", window));
  EXPECT_EQ(window, 0x2A00004ul);
  EXPECT_TRUE(ParseWindowId("0xff", window));
  EXPECT_EQ(window, 0xFFul);
  EXPECT_TRUE(ParseWindowId("44040196", window));
  EXPECT_EQ(window, 44040196ul);
  // Not ids: None, junk, a bare prefix, octal-looking hex, more than 32 bits.
  for (const char* bad : {"0", "0x0", "", "0x", "12ab", "0x12g", "-5", " 12", "0x100000000"}) {
    EXPECT_FALSE(ParseWindowId(bad, window)) << bad;
  }
}

TEST(X11Host, ChoosesWhereToDraw) {
  struct Case {
    std::vector<std::string> arguments;
    const char* environment;
    HostChoice::Kind kind;
    unsigned long window;
  };
  const Case cases[] = {
      {{}, nullptr, HostChoice::Kind::kOwnWindow, 0},
      {{"/s"}, nullptr, HostChoice::Kind::kOwnWindow, 0},
      {{"-root"}, nullptr, HostChoice::Kind::kRoot, 0},
      {{"--root"}, nullptr, HostChoice::Kind::kRoot, 0},
      // xscreensaver blanking: -root plus its window in the environment.
      {{"-root"}, "0x400001", HostChoice::Kind::kWindow, 0x400001},
      // Its preview: -window-id added to the -root line.
      {{"-root", "-window-id", "0x600002"}, "0x400001", HostChoice::Kind::kWindow, 0x600002},
      {{"-window-id", "77"}, nullptr, HostChoice::Kind::kWindow, 77},
      {{}, "0x400001", HostChoice::Kind::kWindow, 0x400001},
      {{"/s"}, "0x400001", HostChoice::Kind::kWindow, 0x400001},
      // A broken variable is no request at all.
      {{}, "junk", HostChoice::Kind::kOwnWindow, 0},
      {{"-root"}, "junk", HostChoice::Kind::kRoot, 0},
  };
  for (const Case& c : cases) {
    HostChoice choice = ChooseHost(LaunchMode::kSaver, c.arguments, c.environment);
    std::string label =
        testing::PrintToString(c.arguments) + " " + (c.environment ? c.environment : "(unset)");
    EXPECT_EQ(choice.kind, c.kind) << label;
    EXPECT_EQ(choice.window, c.window) << label;
    EXPECT_TRUE(choice.error.empty()) << label;
  }
}

TEST(X11Host, TheSettingsDialogAlwaysGetsItsOwnWindow) {
  // Whatever else the line or the environment names.
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"/c"},
                                                    {"-c:1234", "-root"},
                                                    {"-root", "-window-id", "0x600002"},
                                                    {"-window-id", "nonsense"}}) {
    HostChoice choice = ChooseHost(LaunchMode::kConfiguration, arguments, "0x400001");
    EXPECT_EQ(choice.kind, HostChoice::Kind::kOwnWindow) << testing::PrintToString(arguments);
    EXPECT_TRUE(choice.error.empty()) << testing::PrintToString(arguments);
  }
}

TEST(X11Host, FpsShowsTheFrameRateInEverySaverLaunch) {
  struct Case {
    std::vector<std::string> arguments;
    const char* environment;
    bool frameRate;
  };
  const Case cases[] = {
      {{"/s", "-fps"}, nullptr, true},  // on its own
      {{"-root", "--fps"}, nullptr, true},
      {{"-root", "-speed", "3", "--fps"}, "0x400001", true},
      {{"-root", "-speed", "-fps"}, nullptr, false},  // -fps is the speed's value here
      {{"-root"}, "0x400001", false},
      {{"/s"}, nullptr, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseHost(LaunchMode::kSaver, c.arguments, c.environment).frameRate, c.frameRate)
        << testing::PrintToString(c.arguments);
  }
  EXPECT_FALSE(ChooseHost(LaunchMode::kConfiguration, {"/c", "-fps"}, nullptr).frameRate);
}

TEST(X11Host, RefusesAWindowIdItCannotRead) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"-window-id"}, {"-window-id", "nonsense"}, {"-window-id", "0"}}) {
    EXPECT_FALSE(ChooseHost(LaunchMode::kSaver, arguments, "0x400001").error.empty())
        << testing::PrintToString(arguments);
  }
}

}  // namespace
}  // namespace morumoru::platform

#endif  // MORUMORU_BACKEND_X11
