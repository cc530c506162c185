#include "dialog/settings_dialog.h"

#include "forms/application.h"
#include "forms/layout.h"
#include "settings/ini_file.h"
#include "settings/settings_path.h"

namespace morumoru {

Tmorusub::Tmorusub(TApplication& application) : TForm(application) {
  LoadLayout(DialogLayoutText());
  Image1 = FindControl("Image1");
  GroupBox1 = FindControl("GroupBox1");
  Label2 = FindControl("Label2");
  TrackBar = FindControl("TrackBar");
  Label1 = FindControl("Label1");
  Button1 = FindControl("Button1");
  Button2 = FindControl("Button2");
  Button3 = FindControl("Button3");
  Label3 = FindControl("Label3");
}

std::string Tmorusub::SettingsPath() const {
  return SettingsFileOf(os_);
}

void Tmorusub::FormCreate() {
  TIniFile ini(SettingsPath(), os_.Profile());
  SetPosition(ini.ReadNumber("moruscr", "speed", 5));
}

void Tmorusub::SetPosition(int32_t v) {
  if (v < TrackBar->SliderMin()) v = TrackBar->SliderMin();
  if (v > TrackBar->SliderMax()) v = TrackBar->SliderMax();
  if (v != Position()) windows_.SetSliderPosition(TrackBar->Handle(), v);
}

int32_t Tmorusub::Position() const {
  return windows_.GetSliderPosition(TrackBar->Handle());
}

void Tmorusub::ControlClick(TControl& control) {
  if (&control == Button1) Button1Click();
  if (&control == Button2) Button2Click();
  if (&control == Button3) Button3Click();
}

void Tmorusub::Button1Click() {
  {
    TIniFile ini(SettingsPath(), os_.Profile());
    ini.WriteNumber("moruscr", "speed", Position());
  }
  Close();
}

void Tmorusub::Button2Click() {
  Close();
}

void Tmorusub::Button3Click() {
  os_.OpenUrl(kHomePage);
}

}  // namespace morumoru
