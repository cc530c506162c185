#pragma once
// The real saver form through the real loop on a given backend, with the
// engine's steps counted: what every benchmark of the real program drives.

#include <memory>

#include "forms/application.h"
#include "saver/saver_window.h"

namespace morumoru::bench {

class CountedSaver {
 public:
  CountedSaver(platform::WindowSystem& windows, platform::OsServices& os)
      : app_(std::make_unique<TApplication>(windows, os)) {
    app_->SetTitle("morumoru");
    app_->AddForm(saver_);
    IdleHandler effect = app_->OnIdle();
    app_->SetOnIdle([this, effect](TApplication& sender, bool& idleDone) {
      ++steps_;
      effect(sender, idleDone);
    });
  }

  TApplication& App() { return *app_; }
  Tmorumoru& Saver() { return *saver_; }
  // Engine steps since the last ResetSteps().
  long Steps() const { return steps_; }
  void ResetSteps() { steps_ = 0; }

 private:
  std::unique_ptr<TApplication> app_;
  Tmorumoru* saver_ = nullptr;
  long steps_ = 0;
};

}  // namespace morumoru::bench
