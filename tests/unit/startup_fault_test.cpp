// Start-up failures after the saver has hidden the cursor: the last-chance box
// and the end must give it back. No outside setup makes the real program fail
// there, so the headless platform stands in.
#include <gtest/gtest.h>

#include "app/startup.h"
#include "errors/exceptions.h"
#include "platform/headless/headless_platform.h"
#include "test_support.h"

namespace morumoru {
namespace {

TEST(StartupFaultTest, FailureAfterTheCursorWasHiddenGivesItBack) {
  platform::HeadlessPlatform headless;
  headless.modulePath = "C:\\saver\\morumoru.scr";
  // The saver reads "power" only after it hid the cursor.
  test_support::ThrowingProfile failing("power");
  headless.profile = &failing;
  int cursorAtBox = 99;
  headless.onBox = [&](const platform::HeadlessPlatform::Box&) {
    cursorAtBox = headless.cursorCounter;
  };
  EXPECT_EQ(RunProgram(headless, headless, LaunchModeOf(headless.commandLine)), 1);
  ASSERT_EQ(headless.boxes.size(), 1u);
  EXPECT_EQ(headless.boxes[0].kind, platform::BoxKind::kTaskModalError);
  // The failed saver form is gone by the time the box shows: its cursor is back.
  EXPECT_EQ(cursorAtBox, 0);
  EXPECT_EQ(headless.cursorCounter, 0);
}

}  // namespace
}  // namespace morumoru
