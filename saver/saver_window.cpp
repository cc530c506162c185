#include "saver/saver_window.h"

#include "forms/application.h"
#include "forms/layout.h"
#include "settings/ini_file.h"
#include "settings/parse_integer.h"
#include "settings/settings_path.h"

namespace morumoru {

MousePosition MouseRef;

Tmorumoru::Tmorumoru(TApplication& application) : TForm(application) {
  LoadLayout(SaverLayoutText());
  Panel1 = FindControl("Panel1");
  Image1 = FindControl("Image1");
  for (int i = 0; i < kViewCount; ++i) jpg[i] = FindControl("jpg" + std::to_string(i));
}

int32_t Tmorumoru::ReadSetting(TIniFile& ini, std::string_view key, int32_t defaultValue) {
  int32_t stored = ini.ReadNumber("moruscr", key, defaultValue);
  // A value given for this run wins; one that is no integer is passed over
  // as a stored one would be, and the stored value stands.
  std::optional<std::string> given = os_.SettingOverride(key);
  return given ? ParseInteger(*given, stored) : stored;
}

void Tmorumoru::FormCreate() {
  windows_.ShowCursor(false);
  MouseRef = {-1, -1, false};
  Application().SetOnIdle(
      [this](TApplication& sender, bool& idleDone) { Effect(sender, idleDone); });
  Engine.moveKind = kChooseNext;
  Engine.lastDraw = 0;
  {
    TIniFile ini(SettingsFileOf(os_), os_.Profile());
    speed = ReadSetting(ini, "speed", 5);
    power = ReadSetting(ini, "power", 6);
  }
  Panel1->SetWidth(kPanelWidth);
  // The views fill the panel; they have no windows of their own.
  for (TControl* view : jpg) view->SetBounds({0, 0, Panel1->Width(), Panel1->Height()});
}

void Tmorumoru::Show() {
  TForm::Show();
  covers_.Follow();
}

void Tmorumoru::FormDestroy() {
  covers_.Remove();
  windows_.ShowCursor(true);
}

void Tmorumoru::FormKeyDown(uint16_t& /*key*/, uint32_t /*shift*/) {
  Close();
}

void Tmorumoru::FormMouseDown(platform::MouseButton /*button*/, uint32_t /*shift*/, int32_t /*x*/,
                              int32_t /*y*/) {
  Close();
}

// The covers hand their moves on in the window's coordinates: one latch for
// every monitor.
void Tmorumoru::FormMouseMove(uint32_t /*shift*/, int32_t x, int32_t y) {
  if (!MouseRef.latched) {
    MouseRef = {x, y, true};
  } else if (x != MouseRef.x || y != MouseRef.y) {
    Close();
  }
}

// A program activated over the saver (a click on another monitor, say) would
// take the keyboard while the session stays unlocked until the saver ends: so
// it ends now, and Windows can lock at once.
void Tmorumoru::FormAppDeactivate() {
  Close();
}

// A monitor plugged in, taken away or changed: the covers follow. The
// window itself keeps to the screen size it is asked at every step.
void Tmorumoru::FormDisplayChange() {
  if (Visible()) covers_.Follow();
}

// The panel takes its new picture only once it is placed (or, should the
// placement fail, before the first pump): some window systems draw a new
// picture at once, and it must not show where the last slide left the panel.
void Tmorumoru::SetViewVisible(int view, bool visible) {
  if (MarkViewVisible(*jpg[view], visible)) pictureStale_ = true;
}

void Tmorumoru::ShowPicture() {
  if (!pictureStale_) return;
  pictureStale_ = false;
  RefreshPanel(*Panel1);
}

void Tmorumoru::PlacePanel(int32_t left, int32_t top) {
  Panel1->SetBounds({left, top, Panel1->Width(), Panel1->Height()});
  ShowPicture();
}

void Tmorumoru::Pump(int64_t times) {
  ShowPicture();
  Application().PumpMessages(times);
}

void Tmorumoru::Effect(TApplication& /*sender*/, bool& idleDone) {
  if (stalled_) return;  // idleDone stays true: wait for input
  try {
    EffectStep(*this, os_, speed, power, idleDone);
  } catch (...) {
    stalled_ = true;
    ShowPicture();
    throw;
  }
}

}  // namespace morumoru
