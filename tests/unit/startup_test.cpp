#include "app/startup.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "errors/exceptions.h"
#include "platform/headless/headless_platform.h"
#include "saver/slide_engine.h"
#include "test_support.h"

namespace morumoru {
namespace {

TEST(FirstArgument, QuotingAndBlanks) {
  struct Case {
    const char* line;
    const char* first;
  };
  const Case cases[] = {
      {"morumoru.scr", ""},
      {"morumoru.scr /s", "/s"},
      {"morumoru.scr /p 1234", "/p"},
      {"morumoru.scr /c:1234", "/c:1234"},
      {R"("C:\Program Files\morumoru.scr" /c 1234)", "/c"},
      {"morumoru.scr \"/c\"", "/c"},
      {R"(morumoru.scr """" /s)", "/s"},  // "" pairs before a token are skipped
      {"morumoru.scr \"/a b\"c d", "/a bc"},
      {"morumoru.scr \"/open", "/open"},  // a quote that never closes runs to the end
      {"morumoru.scr\t\x01/x", "/x"},     // codes 1 to 32 are blanks
      {"\"\" /s", ""},                    // an empty first token ends the search
      {"morumoru.scr /設定 x", "/設定"},
      {"morumoru.scr / c", "/"},
      {"morumoru.scr /\xFE\x14x", "/\xFE"},  // a broken sequence never swallows a blank
  };
  for (const Case& c : cases) EXPECT_EQ(FirstArgument(c.line), c.first) << c.line;
}

TEST(FirstArgument, ModeComparison) {
  for (const char* line : {"m /c", "m -c", "m /c:1234", "m /c 1234", "m /config", "m \"/c\""}) {
    EXPECT_EQ(LaunchModeOf(line), platform::LaunchMode::kConfiguration) << line;
  }
  for (const char* line : {"m", "m /s", "m /S", "m /C", "m /C:1234", "m -C", "m /", "m / c",
                           "m /p 1234", "m /a 1234", "m c"}) {
    EXPECT_EQ(LaunchModeOf(line), platform::LaunchMode::kSaver) << line;
  }
}

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override { headless.modulePath = "C:\\saver\\morumoru.scr"; }
  std::string IniPath() { return "C:\\saver\\morumoru.ini"; }
  platform::HeadlessPlatform headless;
};

TEST_F(StartupTest, RunningCopyIsActivatedAndNothingShown) {
  platform::WindowId owner = headless.AddForeignWindow("morumoru app");
  headless.AddForeignWindow("MoruMoru", owner, /*iconic=*/false);
  headless.At(owner).iconic = true;
  EXPECT_EQ(RunProgram(headless, headless, LaunchModeOf(headless.commandLine)), 0);
  EXPECT_EQ(headless.opened, std::vector<platform::WindowId>{owner});
  EXPECT_EQ(headless.foregrounded, std::vector<platform::WindowId>{owner});
  EXPECT_EQ(headless.memoryProfile.flushes.size(), 0u) << "no form was created";
}

TEST_F(StartupTest, ConfigurationModeShowsTheDialog) {
  headless.commandLine = "morumoru.scr /c:1234";
  platform::HeadlessPlatform::Window shown;
  int presses = 0;
  headless.onEmptyPeek = [&](int) {
    if (++presses > 10) {  // a key never taken fails here instead of hanging
      ADD_FAILURE() << "Alt+C did not close the dialog";
      headless.PostQuit(0);
      return;
    }
    auto dialogs = headless.WindowsTitled("morumoru screensaver");
    ASSERT_EQ(dialogs.size(), 1u);
    shown = headless.At(dialogs[0]);
    headless.PostKey(headless.GetFocus(), 'C', true);  // Alt+C: CANCEL
  };
  EXPECT_EQ(RunProgram(headless, headless, LaunchModeOf(headless.commandLine)), 0);
  EXPECT_EQ(shown.shown, platform::ShowCommand::kNormal);
  EXPECT_EQ(shown.bounds, (platform::Rect{327, 298, 369, 171})) << "centred";
  // Only the application window carries the title "morumoru": no saver window.
  EXPECT_EQ(headless.WindowsTitled("morumoru").size(), 1u);
  EXPECT_EQ(headless.memoryProfile.writes, 0);
  EXPECT_EQ(headless.cursorCounter, 0);
  EXPECT_TRUE(headless.LiveWindows().empty()) << "exit processing destroys every window";
}

TEST_F(StartupTest, SaverModeReadsSettingsTwiceAndEndsOnKey) {
  headless.commandLine = "morumoru.scr /s";
  headless.memoryProfile.files[IniPath()]["moruscr"]["speed"] = "1";
  headless.memoryProfile.files[IniPath()]["moruscr"]["power"] = "0";
  int cursorWhileRunning = 99;
  headless.onEmptyPeek = [&](int count) {
    if (count == 50) {
      cursorWhileRunning = headless.cursorCounter;
      headless.PostKey(headless.GetFocus(), 'A');
    }
  };
  EXPECT_EQ(RunProgram(headless, headless, LaunchModeOf(headless.commandLine)), 0);
  EXPECT_EQ(cursorWhileRunning, -1);
  EXPECT_EQ(headless.cursorCounter, 0);
  // The dialog's creation and the saver's creation each opened one store.
  EXPECT_EQ(headless.memoryProfile.flushes[IniPath()], 2);
  EXPECT_EQ(headless.memoryProfile.writes, 0);
}

// With no settings file the saver runs on the defaults, speed 5 and power 6:
// 15626 pump calls per step, each ending on one empty look at the queue, plus
// the loop's own look before the next idle turn.
TEST_F(StartupTest, WithoutSettingsEachStepPumpsTheDefaultCount) {
  headless.commandLine = "morumoru.scr /s";
  platform::WindowId panel = platform::kNoWindow;
  platform::Rect last{};
  std::vector<int> movedAt;
  headless.onEmptyPeek = [&](int count) {
    if (panel == platform::kNoWindow) {
      for (platform::WindowId id : headless.LiveWindows()) {
        if (headless.At(id).params.kind == platform::WindowKind::kPanel) panel = id;
      }
      if (panel == platform::kNoWindow) return;
      last = headless.At(panel).bounds;
    }
    if (headless.At(panel).bounds == last) return;
    last = headless.At(panel).bounds;
    movedAt.push_back(count);
    if (movedAt.size() == 4) headless.PostKey(headless.GetFocus(), 'A');
  };
  EXPECT_EQ(RunProgram(headless, headless, LaunchModeOf(headless.commandLine)), 0);
  ASSERT_EQ(movedAt.size(), 4u);
  for (size_t i = 1; i < movedAt.size(); ++i) {
    EXPECT_EQ(movedAt[i] - movedAt[i - 1], 15626 + 1) << "step " << i;
  }
  EXPECT_TRUE(headless.memoryProfile.files.empty()) << "reading creates no file";
}

TEST_F(StartupTest, FailureBeforeTheLoopShowsLastChanceBox) {
  test_support::ThrowingProfile throwing;
  headless.profile = &throwing;
  // Eight upper-case hexadecimal digits, zero-filled from the left.
  headless.moduleOffset = 0xB0E;
  EXPECT_EQ(RunProgram(headless, headless, LaunchModeOf(headless.commandLine)), 1);
  ASSERT_EQ(headless.boxes.size(), 1u);
  EXPECT_EQ(headless.boxes[0].caption, "アプリケーション エラー");
  EXPECT_EQ(headless.boxes[0].kind, platform::BoxKind::kTaskModalError);
  EXPECT_EQ(headless.boxes[0].owner, platform::kNoWindow);
  EXPECT_EQ(headless.boxes[0].text,
            "ERangeError がモジュール morumoru.scr の 00000B0E で発生しました。\r\n"
            "範囲チェックエラー.\r\n");
  EXPECT_EQ(headless.cursorCounter, 0);
}

// The second line ends in "." whatever the message ended in before, unlike
// the error box, which adds none after characters that sort below ".".
TEST(LastChanceText, SecondLineGetsAPeriodUnlessItHasOne) {
  platform::HeadlessPlatform headless;
  auto secondLine = [&](const char* message) {
    std::string text = LastChanceText(std::runtime_error(message), headless);
    size_t first = text.find("\r\n");
    return text.substr(first + 2, text.size() - first - 4);
  };
  EXPECT_EQ(secondLine("stopped!"), "stopped!.");
  EXPECT_EQ(secondLine("(see above)"), "(see above).");
  EXPECT_EQ(secondLine("a, b,"), "a, b,.");
  EXPECT_EQ(secondLine("x -"), "x -.");
  EXPECT_EQ(secondLine("trailing "), "trailing .");
  EXPECT_EQ(secondLine("done."), "done.");
  EXPECT_EQ(secondLine("エラー"), "エラー.");
  EXPECT_EQ(secondLine(""), "");
}

TEST(InformationRequested, HelpAndVersionOnlyAsTheFirstArgument) {
  auto help = InformationRequested("morumoru --help");
  ASSERT_TRUE(help);
  const std::string text = help.value_or("");
  for (const char* part : {"/s", "/c", "/p", "-root", "-window-id", "-speed", "-power",
                           ".config/morumoru/morumoru.ini"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(InformationRequested("/usr/bin/morumoru -h"), help);
  EXPECT_EQ(InformationRequested("morumoru --version"), "morumoru 1.2.0.0\n");
  for (const char* other : {"morumoru", "morumoru /s", "morumoru -help", "morumoru /s --help",
                            "morumoru --helpme", "morumoru -H"}) {
    EXPECT_FALSE(InformationRequested(other)) << other;
  }
}

}  // namespace
}  // namespace morumoru
