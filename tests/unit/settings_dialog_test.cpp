#include "dialog/settings_dialog.h"

#include <gtest/gtest.h>

#include "forms/application.h"
#include "platform/headless/headless_platform.h"

namespace morumoru {
namespace {

constexpr const char* kIni = "C:\\saver\\morumoru.ini";
namespace vk = platform::vk;

class SettingsDialogTest : public ::testing::Test {
 protected:
  SettingsDialogTest() : app(headless, headless) { app.SetTitle("morumoru"); }
  void Open(const char* stored) {
    if (stored) headless.memoryProfile.files[kIni]["moruscr"]["speed"] = stored;
    app.AddForm(dialog);
    dialog->Show();
  }
  std::string Stored() { return headless.memoryProfile.files[kIni]["moruscr"]["speed"]; }
  void Press(uint16_t key, bool alt = false) {
    headless.PostKey(headless.GetFocus(), key, alt);
    app.PumpMessages();
  }
  platform::HeadlessPlatform headless;
  TApplication app;
  Tmorusub* dialog = nullptr;
};

TEST_F(SettingsDialogTest, StoredSpeedIsClampedAndOkStoresIt) {
  const std::pair<const char*, const char*> cases[] = {
      {nullptr, "5"}, {"0", "1"},   {"-5", "1"},   {"100", "7"}, {"0x3", "3"},
      {"$3", "3"},    {"1.5", "5"}, {"junk", "5"}, {"6", "6"},
  };
  for (const auto& [stored, expected] : cases) {
    headless.memoryProfile.files.clear();
    headless.quitPosts = 0;
    dialog = nullptr;
    Open(stored);
    EXPECT_EQ(headless.GetSliderPosition(dialog->TrackBar->Handle()), std::stoi(expected));
    dialog->Button1Click();
    EXPECT_EQ(Stored(), expected) << (stored ? stored : "(none)");
    EXPECT_EQ(headless.quitPosts, 1);
    app.DestroyForms();
  }
}

TEST_F(SettingsDialogTest, KeyboardFlow) {
  Open(nullptr);
  EXPECT_EQ(headless.GetFocus(), dialog->TrackBar->Handle()) << "focus starts on the slider";
  Press(vk::kReturn);  // Enter on the slider does nothing
  Press(vk::kEscape);  // no cancel button
  EXPECT_EQ(headless.quitPosts, 0);
  Press(vk::kTab);
  EXPECT_EQ(headless.GetFocus(), dialog->Button1->Handle());
  Press(vk::kTab);
  EXPECT_EQ(headless.GetFocus(), dialog->Button2->Handle());
  Press(vk::kTab);
  EXPECT_EQ(headless.GetFocus(), dialog->Button3->Handle());
  Press(vk::kReturn);
  EXPECT_EQ(headless.urls, std::vector<std::string>{kHomePage});
  EXPECT_EQ(headless.quitPosts, 0) << "the link keeps the dialog open";
  Press(vk::kTab);
  EXPECT_EQ(headless.GetFocus(), dialog->TrackBar->Handle());
  Press('C');  // access key alone
  EXPECT_EQ(headless.quitPosts, 1);
  EXPECT_EQ(headless.memoryProfile.writes, 0) << "CANCEL writes nothing";
}

// Arrows move the focus among the buttons, the slider's box being a group of
// its own; the slider keeps its arrows for itself.
TEST_F(SettingsDialogTest, ArrowKeysStayInTheFocusedControlsGroup) {
  Open(nullptr);
  headless.SetFocus(dialog->Button1->Handle());
  Press(vk::kLeft);
  EXPECT_EQ(headless.GetFocus(), dialog->Button3->Handle())
      << "Left on OK goes round to the last button";
  Press(vk::kRight);
  EXPECT_EQ(headless.GetFocus(), dialog->Button1->Handle());
  Press(vk::kDown);
  EXPECT_EQ(headless.GetFocus(), dialog->Button2->Handle());
  Press(vk::kUp);
  Press(vk::kUp);
  EXPECT_EQ(headless.GetFocus(), dialog->Button3->Handle());
  Press(vk::kRight);
  EXPECT_EQ(headless.GetFocus(), dialog->Button1->Handle()) << "Right on the last goes round to OK";
  headless.SetFocus(dialog->TrackBar->Handle());
  Press(vk::kLeft);
  EXPECT_EQ(headless.GetFocus(), dialog->TrackBar->Handle());
  EXPECT_EQ(headless.quitPosts, 0);
}

TEST_F(SettingsDialogTest, ScrollsAreFollowed) {
  Open("2");
  headless.SetSliderPosition(dialog->TrackBar->Handle(), 6);
  platform::Event scroll;
  scroll.type = platform::EventType::kScroll;
  scroll.window = dialog->TrackBar->Handle();
  headless.PostEvent(scroll);
  app.PumpMessages();
  EXPECT_EQ(dialog->Position(), 6);
  Press('O', /*alt=*/true);
  EXPECT_EQ(Stored(), "6");
}

// The dialog is no saver: another program's window may come and go over it.
TEST_F(SettingsDialogTest, AnotherProgramActivatedLeavesItOpen) {
  Open("4");
  platform::Event deactivated;
  deactivated.type = platform::EventType::kAppDeactivate;
  deactivated.window = dialog->Handle();
  headless.PostEvent(deactivated);
  app.PumpMessages();
  EXPECT_EQ(headless.quitPosts, 0);
  EXPECT_TRUE(headless.IsVisible(dialog->Handle()));
}

TEST_F(SettingsDialogTest, FailedWriteKeepsDialogOpen) {
  Open("4");
  headless.memoryProfile.readOnly.insert(kIni);
  Press('O', true);
  ASSERT_EQ(headless.boxes.size(), 1u);
  EXPECT_EQ(headless.boxes[0].text, std::string(kIni) + " に書き込めません.");
  EXPECT_EQ(headless.boxes[0].caption, "morumoru");
  EXPECT_EQ(headless.quitPosts, 0);
  EXPECT_EQ(Stored(), "4");
  Press('C', true);
  EXPECT_EQ(headless.quitPosts, 1);
}

TEST_F(SettingsDialogTest, LayoutFollowsDisplayDensity) {
  headless.pixelsPerInch = 144;  // font 18 px, text height 18: everything x 1.5
  Open(nullptr);
  EXPECT_EQ(dialog->Button3->Bounds(), (platform::Rect{264, 126, 264, 42}));
  EXPECT_EQ(headless.At(dialog->TrackBar->Handle()).bounds, (platform::Rect{78, 24, 284, 48}));
  // The dialog grows with its controls, so every one of them stays inside.
  platform::Rect outer = headless.At(dialog->Handle()).bounds;
  EXPECT_EQ(outer.width, 554);
  EXPECT_EQ(outer.height, 257);
  for (const TControl* control :
       {dialog->Button1, dialog->Button2, dialog->Button3, dialog->Label3}) {
    platform::Rect r = control->Bounds();
    EXPECT_LE(r.left + r.width, outer.width - 16);
    EXPECT_LE(r.top + r.height, outer.height - 40);
  }
  EXPECT_EQ(headless.At(dialog->Label1->Handle()).params.fontHeight, 18);
}

TEST_F(SettingsDialogTest, SameTextHeightMeansNoScaling) {
  headless.pixelsPerInch = 120;  // font 15 px whose "0" is still 12 high
  headless.textHeightBias = -3;
  Open(nullptr);
  EXPECT_EQ(dialog->Button3->Bounds(), (platform::Rect{176, 84, 176, 28}));
  EXPECT_EQ(headless.At(dialog->Label1->Handle()).params.fontHeight, 15);
}

}  // namespace
}  // namespace morumoru
