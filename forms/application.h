#pragma once
// The application object: the hidden application window, the main form, the
// message loop with its idle turn, the pump, closing forms and error boxes.

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "forms/form.h"
#include "platform/os_services.h"
#include "platform/window_system.h"

namespace morumoru {

class TApplication;

// Called on every idle turn with the application as sender; leaving idleDone
// false asks for the next call without waiting for a message.
using IdleHandler = std::function<void(TApplication& sender, bool& idleDone)>;

class TApplication : public platform::WindowEvents {
 public:
  TApplication(platform::WindowSystem& windows, platform::OsServices& os);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The start-up title: file name without folder, cut at the first ".",
  // first character kept, the rest lower case.
  static std::string TitleFromModulePath(std::string_view path, platform::PathStyle style);

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title);
  platform::WindowId Handle() const { return handle_; }
  platform::WindowSystem& Windows() const { return windows_; }
  platform::OsServices& Os() const { return os_; }

  // Creates a form; reference is set before the form's creation handler
  // runs, and reset if creation raises. The first form becomes the main form.
  template <class F, class... Args>
  F* AddForm(F*& reference, Args&&... args) {
    auto form = std::make_unique<F>(*this, std::forward<Args>(args)...);
    reference = form.get();
    forms_.push_back(std::move(form));
    if (!mainForm_) mainForm_ = reference;
    try {
      reference->Create();
    } catch (...) {
      F* failed = reference;
      reference = nullptr;
      DestroyForm(*failed);
      throw;
    }
    return reference;
  }
  void DestroyForm(TForm& form);
  TForm* MainForm() const { return mainForm_; }
  TForm* FormOf(platform::WindowId window) const;
  TForm* FormOfControlWindow(platform::WindowId window) const;

  // Shows the main form and runs turns until the quit message.
  void RunMessageLoop();
  // One turn of that loop: one message dispatched or, with none waiting, one
  // idle turn. What benchmarks and tests drive instead of the whole loop.
  void LoopTurn();
  // Dispatches until the queue is empty, without an idle turn; `times` such
  // pumps in a row, each ending on one empty look at the queue.
  void PumpMessages(int64_t times = 1);
  void RequestQuit();
  void CloseForm(TForm& form);
  // The two steps taken for every exception caught while the loop runs.
  void HandleException(const std::exception& error);
  void ReportException(const std::exception& error);
  // Exit processing: hides and destroys the remaining forms.
  void DestroyForms();

  // The error box text: the message, with "." added when its last byte sorts
  // above ".".
  static std::string BoxText(std::string_view message);

  const IdleHandler& OnIdle() const { return idleHandler_; }
  void SetOnIdle(IdleHandler handler) { idleHandler_ = std::move(handler); }
  bool QuitSeen() const { return quitSeen_; }

  void HandleEvent(const platform::Event& event) noexcept override;

 private:
  bool DispatchNext();
  void Handle(platform::Message& message);
  void IdleTurn();
  bool KeyStep(const platform::Message& message);

  platform::WindowSystem& windows_;
  platform::OsServices& os_;
  platform::WindowId handle_ = platform::kNoWindow;
  std::string title_;
  std::vector<std::unique_ptr<TForm>> forms_;
  TForm* mainForm_ = nullptr;
  IdleHandler idleHandler_;
  bool quitSeen_ = false;
};

}  // namespace morumoru
