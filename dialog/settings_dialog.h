#pragma once
// The settings dialog: a seven-step speed slider, OK, CANCEL and a button
// that opens the home page.

#include <cstdint>

#include "forms/form.h"

namespace morumoru {

class TApplication;

inline constexpr const char* kHomePage = "https://morumoru.example/";

class Tmorusub : public TForm {
 public:
  explicit Tmorusub(TApplication& application);

  // Puts v, clamped to the slider's range, into the slider.
  void SetPosition(int32_t v);
  // What the slider shows: the window system holds it, whoever moved it.
  int32_t Position() const;

  void Button1Click();
  void Button2Click();
  void Button3Click();

  TControl* Image1 = nullptr;
  TControl* GroupBox1 = nullptr;
  TControl* Label2 = nullptr;
  TControl* TrackBar = nullptr;
  TControl* Label1 = nullptr;
  TControl* Button1 = nullptr;
  TControl* Button2 = nullptr;
  TControl* Button3 = nullptr;
  TControl* Label3 = nullptr;

 protected:
  void FormCreate() override;
  void ControlClick(TControl& control) override;

 private:
  std::string SettingsPath() const;
};

}  // namespace morumoru
