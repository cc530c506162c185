#pragma once
// The full-screen saver window: a black top-most form whose picture panel
// the slide engine moves, ended by input on the black background.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "forms/form.h"
#include "saver/monitor_covers.h"
#include "saver/slide_engine.h"

namespace morumoru {

class TIniFile;

class TApplication;

struct MousePosition {
  int32_t x = -1;
  int32_t y = -1;
  // Whether x, y hold a place the mouse was seen at. (-1, -1) alone cannot
  // tell: on a monitor left of or above the primary one it is a real place.
  bool latched = false;
};
// Where the mouse was first seen, on any monitor; (-1, -1) until then.
extern MousePosition MouseRef;

class Tmorumoru : public TForm, public SlideStage {
 public:
  explicit Tmorumoru(TApplication& application);

  // The engine step, installed as the application's idle handler.
  void Effect(TApplication& sender, bool& idleDone);

  // Shown maximized on the primary monitor, the other monitors covered.
  void Show() override;
  // The black windows over the other monitors.
  std::vector<platform::WindowId> Covers() const { return covers_.Windows(); }

  TControl* Panel1 = nullptr;
  TControl* Image1 = nullptr;
  std::array<TControl*, kViewCount> jpg{};

  int32_t speed = 5;
  int32_t power = 6;

 protected:
  void FormCreate() override;
  void FormDestroy() override;
  void FormKeyDown(uint16_t& key, uint32_t shift) override;
  void FormMouseDown(platform::MouseButton button, uint32_t shift, int32_t x, int32_t y) override;
  void FormMouseMove(uint32_t shift, int32_t x, int32_t y) override;
  void FormAppDeactivate() override;
  void FormDisplayChange() override;

  // SlideStage.
  platform::Size Screen() override { return windows_.ScreenSize(); }
  platform::Rect Panel() override { return Panel1->Bounds(); }
  void SetPanelLeft(int32_t left) override { Panel1->SetLeft(left); }
  void SetPanelTop(int32_t top) override { Panel1->SetTop(top); }
  void SetPanelWidth(int32_t width) override { Panel1->SetWidth(width); }
  void PlacePanel(int32_t left, int32_t top) override;
  void SetViewVisible(int view, bool visible) override;
  void Pump(int64_t times) override;

 private:
  // A stored setting of [moruscr], or the value given for this run instead.
  int32_t ReadSetting(TIniFile& ini, std::string_view key, int32_t defaultValue);
  // Set once a step has failed and its error was shown: the show then stands
  // still, so one box is shown and the next input ends the saver.
  bool stalled_ = false;
  // The views changed and the panel does not show it yet.
  bool pictureStale_ = false;
  void ShowPicture();
  MonitorCovers covers_{*this};
};

}  // namespace morumoru
