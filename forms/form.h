#pragma once
// A form: one top-level window and the components its layout describes.
// Behaviour lives in handlers that subclasses override.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/layout.h"
#include "platform/os_services.h"
#include "platform/window_system.h"

namespace morumoru {

class TApplication;
class TControl;
class TForm;

enum class ControlKind { kPanel, kView, kBlank, kIcon, kGroupBox, kLabel, kButton, kTrackBar };

// What the layout fixes for a control's whole life, and its first state.
struct ControlSetup {
  std::string name;
  ControlKind kind = ControlKind::kPanel;
  TControl* parent = nullptr;  // null: the form itself
  int tabOrder = 0;            // place among its siblings in keyboard order
  bool tabStop = false;        // takes the keyboard focus
  char accessKey = 0;          // upper-case letter after "&" in a button caption
  int picture = -1;            // views: index of their picture
  int32_t sliderMin = 0;       // sliders; the window system holds the position
  int32_t sliderMax = 0;
  bool visible = true;
  bool enabled = true;
  platform::Rect bounds;
};

// A component of a form. Views have no window of their own: they are the
// pictures a panel can show. The form alone gives the control its window,
// changes a view's visibility and keeps what a panel shows.
class TControl {
 public:
  TControl(TForm& form, ControlSetup setup);
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const std::string& Name() const { return name_; }
  ControlKind Kind() const { return kind_; }
  TControl* Parent() const { return parent_; }
  platform::WindowId Handle() const { return handle_; }
  int TabOrder() const { return tabOrder_; }
  bool TabStop() const { return tabStop_; }
  char AccessKey() const { return accessKey_; }
  int Picture() const { return picture_; }
  int32_t SliderMin() const { return sliderMin_; }
  int32_t SliderMax() const { return sliderMax_; }
  bool Visible() const { return visible_; }
  bool Enabled() const { return enabled_; }

  const platform::Rect& Bounds() const { return bounds_; }
  int32_t Left() const { return bounds_.left; }
  int32_t Top() const { return bounds_.top; }
  int32_t Width() const { return bounds_.width; }
  int32_t Height() const { return bounds_.height; }

  // Replace the bounds; a call that changes nothing does nothing. Afterwards
  // the bounds are what the window system really holds.
  void SetBounds(const platform::Rect& bounds);
  void SetLeft(int32_t left) { SetBounds({left, bounds_.top, bounds_.width, bounds_.height}); }
  void SetTop(int32_t top) { SetBounds({bounds_.left, top, bounds_.width, bounds_.height}); }
  void SetWidth(int32_t width) { SetBounds({bounds_.left, bounds_.top, width, bounds_.height}); }

  bool WantsKey(uint16_t key) const;  // keys a focused control keeps for itself
  bool TakesFocus() const { return tabStop_ && visible_ && enabled_; }

 private:
  friend class TForm;  // the window, a view's visibility, a panel's picture

  TForm& form_;
  const std::string name_;
  const ControlKind kind_;
  TControl* const parent_;
  const int tabOrder_;
  const bool tabStop_;
  const char accessKey_;
  const int picture_;
  const int32_t sliderMin_;
  const int32_t sliderMax_;
  const bool enabled_;
  bool visible_;
  platform::Rect bounds_;
  platform::WindowId handle_ = platform::kNoWindow;
  platform::PictureId shownPicture_ = platform::kNoPicture;  // panels
};

class TForm : public platform::WindowEvents {
 public:
  explicit TForm(TApplication& application);
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  TApplication& Application() const { return application_; }
  platform::WindowId Handle() const { return handle_; }
  const std::string& Name() const { return name_; }
  TControl* FindControl(std::string_view name) const;
  TControl* ControlOf(platform::WindowId window) const;
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return controls_; }

  // Runs the creation handler; AddForm calls this once the reference is set.
  void Create() { FormCreate(); }
  // Shows the form in its own state (the saver maximized, the dialog centred).
  virtual void Show();
  void Hide();
  bool Visible() const { return visible_; }
  // The window state: maximized from the layout or the start-up show value;
  // minimized only from the latter.
  bool Maximized() const { return maximized_; }
  bool Minimized() const { return minimized_; }
  void SetMaximized() { maximized_ = true; }
  void SetMinimized() { minimized_ = true; }

  // Destroys the windows after running the destruction handler once.
  void Destroy();

  // Keyboard focus among the form's controls.
  TControl* FocusedControl() const;
  std::vector<TControl*> TabOrder() const;
  bool SelectNext(bool forward);
  // Arrow keys: the next or previous control in the focused one's container.
  void SelectInGroup(TControl& focused, bool forward);
  void FocusFirst();

  // Dialog keys: true when the key is taken and must go no further.
  bool DialogKey(uint16_t key, bool ctrl, bool alt, bool shiftHeld);

  void HandleEvent(const platform::Event& event) noexcept override;

 protected:
  // Creates the windows the layout describes. Pictures for views come from
  // the platform, loaded once here.
  void LoadLayout(std::string_view text);
  // Records a view's visibility, true when it changed; the panel shows the
  // change only at its next RefreshPanel, when the caller chooses.
  bool MarkViewVisible(TControl& view, bool visible);
  // Shows the last visible view of the panel, if that is not what it shows.
  void RefreshPanel(TControl& panel);
  void Close();

  virtual void FormCreate() {}
  virtual void FormDestroy() {}
  virtual void FormKeyDown(uint16_t& /*key*/, uint32_t /*shift*/) {}
  virtual void FormMouseDown(platform::MouseButton /*button*/, uint32_t /*shift*/, int32_t /*x*/,
                             int32_t /*y*/) {}
  virtual void FormMouseMove(uint32_t /*shift*/, int32_t /*x*/, int32_t /*y*/) {}
  // Another program took the activation from the program.
  virtual void FormAppDeactivate() {}
  // The monitors changed (see WindowSystem::Monitors).
  virtual void FormDisplayChange() {}
  virtual void ControlClick(TControl& /*control*/) {}
  virtual void ControlScroll(TControl& /*control*/, int32_t /*position*/) {}

  platform::WindowSystem& windows_;
  platform::OsServices& os_;

 private:
  void DispatchEvent(const platform::Event& event);
  TControl* AddControl(const LayoutObject& object, TControl* parent);

  TApplication& application_;
  platform::WindowId handle_ = platform::kNoWindow;
  std::string name_;
  platform::FormStyle style_ = platform::FormStyle::kSaver;
  platform::Rect designBounds_;
  std::string fontName_;
  int32_t fontHeight_ = 12;
  // Layout scale for another display density: numerator over denominator.
  int32_t scaleBy_ = 1;
  int32_t scaleOver_ = 1;
  std::vector<std::unique_ptr<TControl>> controls_;
  std::vector<platform::PictureId> pictures_;
  bool visible_ = false;
  bool maximized_ = false;
  bool minimized_ = false;
  bool destroyed_ = false;
};

}  // namespace morumoru
