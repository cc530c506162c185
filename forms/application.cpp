#include "forms/application.h"

#include <algorithm>

#include "errors/exceptions.h"
#include "platform/lower_case.h"

namespace morumoru {

using platform::Message;
using platform::ShowCommand;
using platform::WindowId;

TApplication::TApplication(platform::WindowSystem& windows, platform::OsServices& os)
    : windows_(windows), os_(os) {
  title_ = TitleFromModulePath(os_.ModulePath(), os_.ModulePathStyle());
  platform::WindowSpec params;
  params.kind = platform::WindowKind::kApplication;
  params.text = title_;
  params.events = this;
  handle_ = windows_.NewWindow(params);
}

TApplication::~TApplication() {
  DestroyForms();
  if (handle_ != platform::kNoWindow) windows_.DestroyWindow(handle_);
}

std::string TApplication::TitleFromModulePath(std::string_view path, platform::PathStyle style) {
  size_t slash =
      style == platform::PathStyle::Windows ? path.find_last_of("\\/:") : path.rfind('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  name = name.substr(0, name.find('.'));
  // The first character is kept whole, however many bytes it takes.
  size_t first = 0;
  if (!name.empty()) {
    first = 1;
    while (first < name.size() && (static_cast<unsigned char>(name[first]) & 0xC0) == 0x80) ++first;
  }
  return std::string(name.substr(0, first)) + platform::LowerCase(name.substr(first));
}

void TApplication::SetTitle(std::string title) {
  title_ = std::move(title);
  windows_.SetText(handle_, title_);
}

TForm* TApplication::FormOf(WindowId window) const {
  for (const auto& form : forms_) {
    if (form->Handle() == window) return form.get();
  }
  return nullptr;
}

TForm* TApplication::FormOfControlWindow(WindowId window) const {
  if (window == platform::kNoWindow) return nullptr;
  for (const auto& form : forms_) {
    if (form->Handle() == window || form->ControlOf(window)) return form.get();
  }
  return nullptr;
}

void TApplication::DestroyForm(TForm& form) {
  form.Destroy();
  if (mainForm_ == &form) mainForm_ = nullptr;
  auto it = std::find_if(forms_.begin(), forms_.end(),
                         [&](const std::unique_ptr<TForm>& f) { return f.get() == &form; });
  if (it != forms_.end()) forms_.erase(it);
}

void TApplication::DestroyForms() {
  while (!forms_.empty()) DestroyForm(*forms_.back());
}

void TApplication::RunMessageLoop() {
  if (!mainForm_) return;
  platform::StartupShow show = os_.StartupShowValue();
  if (show == platform::StartupShow::kMaximized) mainForm_->SetMaximized();
  if (show == platform::StartupShow::kMinimized) mainForm_->SetMinimized();
  if (mainForm_->Minimized()) {
    windows_.ShowWindow(handle_, ShowCommand::kMinimized);
  } else {
    mainForm_->Show();
  }
  do {
    try {
      LoopTurn();
    } catch (const std::exception& error) {
      HandleException(error);
    }
  } while (!quitSeen_);
}

void TApplication::LoopTurn() {
  if (!DispatchNext()) IdleTurn();
}

bool TApplication::DispatchNext() {
  Message message;
  if (!windows_.Peek(message)) return false;
  Handle(message);
  return true;
}

void TApplication::Handle(Message& message) {
  if (message.kind == Message::Kind::kQuit) {
    quitSeen_ = true;
    return;
  }
  if (message.kind == Message::Kind::kKeyDown && KeyStep(message)) return;
  windows_.Dispatch(message);
}

void TApplication::PumpMessages(int64_t times) {
  // The saver pumps tens of thousands of times a step, nearly always to find
  // nothing: the backend gets the whole count of empty looks at once, and
  // comes back only with a message to handle.
  Message message;
  while (windows_.PeekWithin(message, times)) Handle(message);
}

void TApplication::IdleTurn() {
  bool idleDone = true;
  try {
    if (idleHandler_) idleHandler_(*this, idleDone);
  } catch (const std::exception& error) {
    HandleException(error);
  }
  if (idleDone) windows_.Wait();
}

void TApplication::RequestQuit() {
  windows_.PostQuit(0);
}

void TApplication::CloseForm(TForm& form) {
  if (&form == mainForm_) {
    RequestQuit();
  } else {
    form.Hide();
  }
}

bool TApplication::KeyStep(const Message& message) {
  WindowId capture = windows_.GetCapture();
  TForm* form = FormOfControlWindow(capture != platform::kNoWindow ? capture : message.target);
  if (!form) return false;
  return form->DialogKey(message.key, windows_.KeyHeld(platform::vk::kControl),
                         windows_.KeyHeld(platform::vk::kMenu),
                         windows_.KeyHeld(platform::vk::kShift));
}

std::string TApplication::BoxText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

void TApplication::HandleException(const std::exception& error) {
  WindowId capture = windows_.GetCapture();
  if (capture != platform::kNoWindow) {
    if (TForm* form = FormOfControlWindow(capture)) {
      platform::Event cancel;
      cancel.type = platform::EventType::kCancelMode;
      cancel.window = capture;
      form->HandleEvent(cancel);
    }
  }
  ReportException(error);
}

void TApplication::ReportException(const std::exception& error) {
  // While the box is up the program's other windows take no input, and the
  // user gets the active window and focus back afterwards.
  WindowId active = windows_.GetActiveWindow();
  WindowId focus = windows_.GetFocus();
  std::vector<WindowId> disabled;
  bool topMost = false;
  for (const auto& form : forms_) {
    WindowId window = form->Handle();
    if (windows_.IsVisible(window) && windows_.IsEnabled(window)) {
      windows_.EnableWindow(window, false);
      disabled.push_back(window);
      if (form->Maximized()) topMost = true;
    }
  }
  // Over a full-screen top-most window with a hidden cursor the box must
  // still be seen and reachable by the user.
  if (topMost) windows_.ShowCursor(true);
  // The box comes up on its owner's monitor: the user's is the one the
  // active window is on.
  platform::Rect home = windows_.GetBounds(handle_);
  bool moved = false;
  if (active != platform::kNoWindow) {
    platform::Rect there = windows_.MonitorOf(active);
    if (there != windows_.MonitorOf(handle_)) {
      windows_.SetBounds(handle_,
                         {there.left + (there.width - home.width) / 2,
                          there.top + (there.height - home.height) / 2, home.width, home.height});
      moved = true;
    }
  }
  windows_.ShowBox(handle_, BoxText(error.what()), title_,
                   topMost ? platform::BoxKind::kErrorTopMost : platform::BoxKind::kError);
  if (moved) windows_.SetBounds(handle_, home);
  if (topMost) windows_.ShowCursor(false);
  for (WindowId window : disabled) windows_.EnableWindow(window, true);
  if (active != platform::kNoWindow) windows_.SetActiveWindow(active);
  if (focus != platform::kNoWindow) windows_.SetFocus(focus);
}

void TApplication::HandleEvent(const platform::Event& event) noexcept {
  // The application window's close command (from the task bar) closes the
  // main form.
  try {
    if (event.type == platform::EventType::kClose && mainForm_) CloseForm(*mainForm_);
  } catch (const std::exception& error) {
    HandleException(error);
  }
}

}  // namespace morumoru
