#include "saver/saver_window.h"

#include "forms/application.h"
#include "forms/layout.h"
#include "settings/ini_file.h"
#include "settings/settings_path.h"

namespace morumoru {

MousePosition MouseRef;

Tmorumoru::Tmorumoru(TApplication& application) : TForm(application) {
  LoadLayout(SaverLayoutText());
  Panel1 = FindControl("Panel1");
  Image1 = FindControl("Image1");
  for (int i = 0; i < kViewCount; ++i) jpg[i] = FindControl("jpg" + std::to_string(i));
}

void Tmorumoru::FormCreate() {
  windows_.ShowCursor(false);
  MouseRef = {-1, -1};
  Application().idleHandler = [this](TApplication& sender, bool& idleDone) {
    Effect(sender, idleDone);
  };
  Engine.moveKind = 0;
  Engine.lastDraw = 0;
  {
    TIniFile ini(SettingsFilePath(os_.ModulePath(), os_.ModulePathStyle()), os_.Profile());
    speed = ini.ReadNumber("moruscr", "speed", 5);
    power = ini.ReadNumber("moruscr", "power", 6);
  }
  Panel1->SetWidth(kPanelWidth);
  // The views fill the panel; they have no windows of their own.
  for (TControl* view : jpg) view->SetBounds({0, 0, Panel1->Width(), Panel1->Height()});
}

void Tmorumoru::FormDestroy() {
  windows_.ShowCursor(true);
}

void Tmorumoru::FormKeyDown(uint16_t& /*key*/, uint32_t /*shift*/) {
  Close();
}

void Tmorumoru::FormMouseDown(platform::MouseButton /*button*/, uint32_t /*shift*/, int32_t /*x*/,
                              int32_t /*y*/) {
  Close();
}

void Tmorumoru::FormMouseMove(uint32_t /*shift*/, int32_t x, int32_t y) {
  if (MouseRef.x == -1 && MouseRef.y == -1) {
    MouseRef = {x, y};
  } else if (x != MouseRef.x || y != MouseRef.y) {
    Close();
  }
}

void Tmorumoru::SetViewVisible(int view, bool visible) {
  TForm::SetViewVisible(*jpg[view], visible);
}

void Tmorumoru::Pump() {
  Application().PumpMessages();
}

void Tmorumoru::Effect(TApplication& /*sender*/, bool& idleDone) {
  if (stalled_) return;  // idleDone stays true: wait for input
  try {
    EffectStep(*this, os_, speed, power, idleDone);
  } catch (...) {
    stalled_ = true;
    throw;
  }
}

}  // namespace morumoru
