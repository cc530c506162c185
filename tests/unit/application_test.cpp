#include "forms/application.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "platform/headless/headless_platform.h"

namespace morumoru {
namespace {

using platform::EventType;
using platform::PathStyle;
namespace vk = platform::vk;

constexpr const char* kTestLayout = R"(
object test: TTestForm
  Caption = 'test'
  Style = dialog
  Width = 200
  Height = 100
  object Button1: TButton
    Caption = 'OK(&O)'
    TabOrder = 0
  end
  object Button2: TButton
    Caption = '&Cancel'
    TabOrder = 1
  end
  object Slider: TTrackBar
    Min = 1
    Max = 7
    TabOrder = 2
  end
end
)";

class TestForm : public TForm {
 public:
  explicit TestForm(TApplication& application) : TForm(application) { LoadLayout(kTestLayout); }
  std::vector<std::string> log;

 protected:
  void FormKeyDown(uint16_t& key, uint32_t) override {
    log.push_back("key " + std::to_string(key));
  }
  void FormMouseMove(uint32_t, int32_t x, int32_t y) override {
    log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
  }
  void ControlClick(TControl& control) override {
    log.push_back("click " + control.Name());
    if (control.Name() == "Button2") throw EIniFileException("x に書き込めません");
  }
};

class ApplicationTest : public ::testing::Test {
 protected:
  ApplicationTest() : app(headless, headless) { app.SetTitle("morumoru"); }
  TestForm* Form() {
    if (!form) app.AddForm(form);
    return form;
  }
  platform::HeadlessPlatform headless;
  TApplication app;
  TestForm* form = nullptr;
};

TEST(ApplicationTitle, FromExecutableName) {
  EXPECT_EQ(TApplication::TitleFromModulePath("C:\\WINDOWS\\SAVER.SCR", PathStyle::Windows),
            "Saver");
  EXPECT_EQ(TApplication::TitleFromModulePath("C:\\x.y\\MoruMoru.old.scr", PathStyle::Windows),
            "Morumoru");
  EXPECT_EQ(TApplication::TitleFromModulePath("/usr/bin/morumoru", PathStyle::Posix), "morumoru");
  platform::HeadlessPlatform headless;
  headless.modulePath = "D:\\Apps\\SLIDES.scr";
  TApplication app(headless, headless);
  EXPECT_EQ(headless.At(app.Handle()).text, "Slides");
}

// Not only A to Z: the system's lower case for every character after the
// first, which stays as it is.
TEST(ApplicationTitle, LowersEveryCharacterAfterTheFirst) {
  EXPECT_EQ(TApplication::TitleFromModulePath("C:\\ÄBC.SCR", PathStyle::Windows), "Äbc");
  EXPECT_EQ(TApplication::TitleFromModulePath("/opt/ÖÄÜ.scr", PathStyle::Posix), "Öäü");
  EXPECT_EQ(TApplication::TitleFromModulePath("C:\\ＡＢＣ.scr", PathStyle::Windows), "Ａｂｃ");
  EXPECT_EQ(TApplication::TitleFromModulePath("/x/ΣΩ-ЖЯ", PathStyle::Posix), "Σω-жя");
  EXPECT_EQ(TApplication::TitleFromModulePath("/x/日本ABC", PathStyle::Posix), "日本abc");
}

TEST_F(ApplicationTest, OneMessagePerTurnAndIdleOnlyWhenEmpty) {
  Form();
  int idles = 0;
  app.SetOnIdle([&](TApplication& sender, bool& idleDone) {
    EXPECT_EQ(&sender, &app);
    EXPECT_TRUE(idleDone);
    ++idles;
  });
  headless.PostMouse(form->Handle(), EventType::kMouseMove, 1, 1);
  headless.PostMouse(form->Handle(), EventType::kMouseMove, 2, 2);
  app.LoopTurn();
  EXPECT_EQ(form->log, std::vector<std::string>{"move 1,1"});
  EXPECT_EQ(headless.Pending(), 1u);
  app.LoopTurn();
  EXPECT_EQ(idles, 0);
  app.LoopTurn();
  EXPECT_EQ(idles, 1);
  EXPECT_EQ(headless.waits, 1) << "IdleDone left true means wait";
}

TEST_F(ApplicationTest, ClearedIdleDoneMeansNoWait) {
  Form();
  app.SetOnIdle([](TApplication&, bool& idleDone) { idleDone = false; });
  app.LoopTurn();
  app.LoopTurn();
  EXPECT_EQ(headless.waits, 0);
}

TEST_F(ApplicationTest, QuitInsidePumpEndsLoopAfterIdleHandlerReturns) {
  Form();
  std::vector<std::string> order;
  app.SetOnIdle([&](TApplication& sender, bool& idleDone) {
    headless.PostKey(form->Handle(), 'A');
    sender.CloseForm(*form);  // the main form: posts the quit
    sender.PumpMessages();
    order.push_back(sender.QuitSeen() ? "quit seen in pump" : "no quit");
    sender.PumpMessages();  // the rest of the pumping still runs
    order.push_back("handler done");
    idleDone = false;
  });
  headless.onWait = [&] { FAIL() << "must not wait"; };
  app.RunMessageLoop();
  EXPECT_EQ(order, (std::vector<std::string>{"quit seen in pump", "handler done"}));
  EXPECT_EQ(form->log, std::vector<std::string>{"key 65"});
}

// A step hands its whole count of pumps over at once; that must be the same
// as pumping that many times one by one: every empty look made, what comes
// between them handled in order, a quit among them seen while the rest of
// the pumping still runs, and never an idle turn.
TEST(CountedPumps, SameAsPumpingOneByOne) {
  struct Run {
    std::vector<std::string> log;
    int emptyLooks = 0;
    bool quitSeen = false;
    int idles = 0;
  };
  auto run = [](bool counted) {
    platform::HeadlessPlatform headless;
    TApplication app(headless, headless);
    TestForm* form = nullptr;
    app.AddForm(form);
    Run result;
    app.SetOnIdle([&](TApplication&, bool&) { ++result.idles; });
    const int start = headless.emptyPeeks;
    headless.onEmptyPeek = [&](int count) {
      int look = count - start;
      if (look == 3 || look == 4) headless.PostKey(form->Handle(), 'A');
      if (look == 6) app.CloseForm(*form);  // the main form: the quit
      if (look == 9) headless.PostMouse(form->Handle(), EventType::kMouseMove, 2, 3);
    };
    if (counted) {
      app.PumpMessages(12);
    } else {
      for (int i = 0; i < 12; ++i) app.PumpMessages();
    }
    result.log = form->log;
    result.emptyLooks = headless.emptyPeeks - start;
    result.quitSeen = app.QuitSeen();
    return result;
  };
  Run oneByOne = run(false);
  Run counted = run(true);
  EXPECT_EQ(counted.log, oneByOne.log);
  EXPECT_EQ(counted.log, (std::vector<std::string>{"key 65", "key 65", "move 2,3"}));
  EXPECT_EQ(counted.emptyLooks, oneByOne.emptyLooks);
  EXPECT_TRUE(counted.quitSeen);
  EXPECT_EQ(counted.idles, 0);
  EXPECT_EQ(oneByOne.idles, 0);
}

// No pumps at all: nothing is looked at, so nothing waiting is handled.
TEST_F(ApplicationTest, NoPumpsLookAtNothing) {
  Form();
  headless.PostKey(form->Handle(), 'A');
  int peeks = headless.peeks;
  app.PumpMessages(0);
  app.PumpMessages(-5);
  EXPECT_EQ(headless.peeks, peeks);
  EXPECT_TRUE(form->log.empty());
}

TEST_F(ApplicationTest, ExceptionInIdleHandlerReportedOnceAndLoopGoesOn) {
  Form();
  // A control that holds the mouse has lost it by the time the box is up.
  platform::WindowId slider = form->FindControl("Slider")->Handle();
  headless.SetCapture(slider);
  platform::WindowId captureDuringBox = slider;
  headless.onBox = [&](const auto&) { captureDuringBox = headless.GetCapture(); };
  int calls = 0;
  app.SetOnIdle([&](TApplication& sender, bool& idleDone) {
    if (++calls == 1) Raise<ERangeError>(kRangeErrorText);
    sender.CloseForm(*form);
    idleDone = false;
  });
  app.RunMessageLoop();
  ASSERT_EQ(headless.boxes.size(), 1u);
  EXPECT_EQ(headless.boxes[0].text, "範囲チェックエラー.");
  EXPECT_EQ(headless.boxes[0].caption, "morumoru");
  EXPECT_EQ(headless.boxes[0].owner, app.Handle());
  EXPECT_EQ(headless.waits, 1) << "an exception leaves IdleDone true";
  EXPECT_EQ(captureDuringBox, platform::kNoWindow);
}

TEST_F(ApplicationTest, ExceptionInWindowHandlerIsReportedAndDispatchGoesOn) {
  Form();
  headless.SetFocus(form->FindControl("Button2")->Handle());
  headless.PostKey(form->FindControl("Button2")->Handle(), vk::kReturn);
  headless.PostMouse(form->Handle(), EventType::kMouseMove, 5, 5);
  app.PumpMessages();
  ASSERT_EQ(headless.boxes.size(), 1u);
  EXPECT_EQ(headless.boxes[0].text, "x に書き込めません.");
  EXPECT_EQ(form->log, (std::vector<std::string>{"click Button2", "move 5,5"}));
}

TEST_F(ApplicationTest, BoxDisablesVisibleWindowsAndRestoresFocus) {
  Form();
  form->Show();
  platform::WindowId button = form->FindControl("Button1")->Handle();
  headless.SetFocus(button);
  bool sawDisabled = false;
  headless.onBox = [&](const auto&) { sawDisabled = !headless.IsEnabled(form->Handle()); };
  app.ReportException(ERangeError("boom!"));
  EXPECT_TRUE(sawDisabled);
  EXPECT_TRUE(headless.IsEnabled(form->Handle()));
  EXPECT_EQ(headless.GetFocus(), button);
  EXPECT_EQ(headless.boxes[0].text, "boom!");
}

// The box comes up on its owner's monitor, so the application window goes
// to the monitor of the active window while the box is up, and back after.
TEST_F(ApplicationTest, BoxFollowsTheActiveWindowToItsMonitor) {
  headless.monitors = {{0, 0, 1024, 768}, {1024, -100, 1280, 1024}};
  Form();
  form->Show();
  platform::Rect home = headless.GetBounds(app.Handle());
  ASSERT_EQ(headless.MonitorOf(app.Handle()), headless.monitors[0]);
  std::vector<platform::Rect> during;
  headless.onBox = [&](const auto&) { during.push_back(headless.GetBounds(app.Handle())); };

  headless.SetBounds(form->Handle(), {1800, 200, 369, 171});
  headless.SetActiveWindow(form->Handle());
  app.ReportException(ERangeError("boom"));
  ASSERT_EQ(during.size(), 1u);
  EXPECT_EQ(during[0].left + during[0].width / 2, 1024 + 640);
  EXPECT_EQ(during[0].top + during[0].height / 2, -100 + 512);
  EXPECT_EQ(headless.GetBounds(app.Handle()), home) << "back afterwards";

  // On the application window's own monitor nothing moves.
  headless.SetBounds(form->Handle(), {300, 200, 369, 171});
  int moves = headless.moves;
  app.ReportException(ERangeError("boom"));
  ASSERT_EQ(during.size(), 2u);
  EXPECT_EQ(during[1], home);
  EXPECT_EQ(headless.moves, moves);
}

TEST(BoxText, DotRule) {
  EXPECT_EQ(TApplication::BoxText("done."), "done.");
  EXPECT_EQ(TApplication::BoxText("done!"), "done!");
  EXPECT_EQ(TApplication::BoxText("abc"), "abc.");
  EXPECT_EQ(TApplication::BoxText("7"), "7.");
  EXPECT_EQ(TApplication::BoxText("エラー"), "エラー.");
  EXPECT_EQ(TApplication::BoxText(""), "");
  EXPECT_EQ(TApplication::BoxText("a,"), "a,");  // ',' sorts below '.'
}

TEST_F(ApplicationTest, KeyStep) {
  Form();
  form->Show();
  TControl* ok = form->FindControl("Button1");
  TControl* cancel = form->FindControl("Button2");
  TControl* slider = form->FindControl("Slider");
  EXPECT_EQ(headless.GetFocus(), ok->Handle()) << "focus starts on the first in tab order";

  headless.PostKey(ok->Handle(), vk::kTab);
  app.PumpMessages();
  EXPECT_EQ(headless.GetFocus(), cancel->Handle());
  headless.Hold(vk::kShift, true);
  headless.PostKey(cancel->Handle(), vk::kTab);
  app.PumpMessages();
  headless.Hold(vk::kShift, false);
  EXPECT_EQ(headless.GetFocus(), ok->Handle());

  for (uint16_t modifier : {vk::kControl, vk::kMenu}) {  // Ctrl+Tab, Alt+Tab: no dialog keys
    headless.Hold(modifier, true);
    headless.PostKey(ok->Handle(), vk::kTab, /*system=*/modifier == vk::kMenu);
    app.PumpMessages();
    headless.Hold(modifier, false);
    EXPECT_EQ(headless.GetFocus(), ok->Handle()) << "modifier " << modifier;
  }

  // A key for a window of no form goes to the form of the control that holds
  // the mouse, if any.
  headless.PostKey(app.Handle(), vk::kTab);
  app.PumpMessages();
  EXPECT_EQ(headless.GetFocus(), ok->Handle());
  headless.PostMouse(slider->Handle(), EventType::kMouseDown, 1, 1);
  headless.PostKey(app.Handle(), vk::kTab);
  headless.PostMouse(slider->Handle(), EventType::kMouseUp, 1, 1);
  app.PumpMessages();
  EXPECT_EQ(headless.GetFocus(), cancel->Handle());

  headless.SetFocus(slider->Handle());
  headless.PostKey(slider->Handle(), vk::kRight);   // the slider wants its arrows
  headless.PostKey(slider->Handle(), vk::kReturn);  // Enter on a non-button: not taken
  app.PumpMessages();
  EXPECT_EQ(headless.GetFocus(), slider->Handle());
  EXPECT_TRUE(form->log.empty());

  headless.PostKey(slider->Handle(), 'O');  // access key alone
  headless.PostKey(slider->Handle(), 'C', /*system=*/true);
  app.PumpMessages();
  EXPECT_EQ(form->log, (std::vector<std::string>{"click Button1", "click Button2"}));
}

// How the starter asked the first window to be shown: minimised puts only the
// application window on the task bar, maximised shows the main form
// maximised, anything else leaves the form in its own state.
TEST(StartupShowCommand, DecidesHowTheMainFormIsShown) {
  using platform::ShowCommand;
  using platform::StartupShow;
  struct Case {
    StartupShow show;
    bool formVisible;
    ShowCommand form;
    ShowCommand application;
  };
  const Case cases[] = {
      {StartupShow::kNormal, true, ShowCommand::kNormal, ShowCommand::kNormal},
      {StartupShow::kMaximized, true, ShowCommand::kMaximized, ShowCommand::kNormal},
      {StartupShow::kMinimized, false, ShowCommand::kHide, ShowCommand::kMinimized},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.show));
    platform::HeadlessPlatform headless;
    headless.startupShow = c.show;
    TApplication app(headless, headless);
    TestForm* form = nullptr;
    app.AddForm(form);
    bool visibleWhileRunning = false;
    app.SetOnIdle([&](TApplication& sender, bool&) {
      visibleWhileRunning = headless.IsVisible(form->Handle());
      sender.CloseForm(*form);
    });
    app.RunMessageLoop();
    EXPECT_EQ(visibleWhileRunning, c.formVisible);
    EXPECT_EQ(headless.At(form->Handle()).shown, c.form);
    EXPECT_EQ(headless.At(app.Handle()).shown, c.application);
  }
}

// Every close repeats the quit request; the loop still ends once, after the
// turn that took the quit message, and the form stays until exit processing.
TEST_F(ApplicationTest, ClosingTwiceEndsOnce) {
  Form();
  int idleCalls = 0;
  app.SetOnIdle([&](TApplication& sender, bool& idleDone) {
    ++idleCalls;
    sender.CloseForm(*form);
    sender.CloseForm(*form);
    idleDone = false;
  });
  app.RunMessageLoop();
  EXPECT_TRUE(app.QuitSeen());
  EXPECT_EQ(headless.quitPosts, 2);
  EXPECT_EQ(idleCalls, 1);
  EXPECT_TRUE(headless.IsVisible(form->Handle()));
}

TEST_F(ApplicationTest, AddFormClearsReferenceWhenCreationFails) {
  struct Failing : TestForm {
    using TestForm::TestForm;
    void FormCreate() override { Raise<ERangeError>("no"); }
  };
  Failing* failing = nullptr;
  EXPECT_THROW(app.AddForm(failing), ERangeError);
  EXPECT_EQ(failing, nullptr);
  EXPECT_EQ(app.MainForm(), nullptr);
  Form();
  EXPECT_EQ(app.MainForm(), form);
}

}  // namespace
}  // namespace morumoru
