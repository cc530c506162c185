#include "forms/form.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "forms/application.h"

namespace morumoru {

using platform::Event;
using platform::EventType;
using platform::Rect;
using platform::WindowId;
using platform::WindowKind;

TControl::TControl(TForm& form, ControlSetup setup)
    : form_(form),
      name_(std::move(setup.name)),
      kind_(setup.kind),
      parent_(setup.parent),
      tabOrder_(setup.tabOrder),
      tabStop_(setup.tabStop),
      accessKey_(setup.accessKey),
      picture_(setup.picture),
      sliderMin_(setup.sliderMin),
      sliderMax_(setup.sliderMax),
      enabled_(setup.enabled),
      visible_(setup.visible),
      bounds_(setup.bounds) {}

void TControl::SetBounds(const Rect& bounds) {
  if (bounds == bounds_) return;
  if (handle_ == platform::kNoWindow) {
    bounds_ = bounds;
    return;
  }
  platform::WindowSystem& windows = form_.Application().Windows();
  windows.SetBounds(handle_, bounds);
  bounds_ = windows.GetBounds(handle_);
}

bool TControl::WantsKey(uint16_t key) const {
  namespace vk = platform::vk;
  if (kind_ != ControlKind::kTrackBar) return false;
  return key == vk::kLeft || key == vk::kRight || key == vk::kUp || key == vk::kDown ||
         key == vk::kPrior || key == vk::kNext || key == vk::kHome || key == vk::kEnd;
}

TForm::TForm(TApplication& application)
    : windows_(application.Windows()), os_(application.Os()), application_(application) {}

TForm::~TForm() {
  Destroy();
}

TControl* TForm::FindControl(std::string_view name) const {
  for (const auto& control : controls_) {
    if (control->Name() == name) return control.get();
  }
  return nullptr;
}

TControl* TForm::ControlOf(WindowId window) const {
  if (window == platform::kNoWindow) return nullptr;
  for (const auto& control : controls_) {
    if (control->Handle() == window) return control.get();
  }
  return nullptr;
}

namespace {

ControlKind KindOf(const LayoutObject& object, bool insidePanel) {
  const std::string& c = object.className;
  if (c == "TPanel") return ControlKind::kPanel;
  if (c == "TGroupBox") return ControlKind::kGroupBox;
  if (c == "TLabel") return ControlKind::kLabel;
  if (c == "TButton") return ControlKind::kButton;
  if (c == "TTrackBar") return ControlKind::kTrackBar;
  if (c == "TImage") {
    if (insidePanel) return ControlKind::kView;
    return object.Text("Picture") == "icon" ? ControlKind::kIcon : ControlKind::kBlank;
  }
  throw std::runtime_error("layout: unknown class " + c);
}

WindowKind WindowKindOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kPanel:
      return WindowKind::kPanel;
    case ControlKind::kBlank:
      return WindowKind::kBlank;
    case ControlKind::kIcon:
      return WindowKind::kIcon;
    case ControlKind::kGroupBox:
      return WindowKind::kGroupBox;
    case ControlKind::kLabel:
      return WindowKind::kLabel;
    case ControlKind::kButton:
      return WindowKind::kButton;
    case ControlKind::kTrackBar:
      return WindowKind::kTrackBar;
    case ControlKind::kView:
      break;
  }
  return WindowKind::kBlank;
}

// Windows' MulDiv: a * b / c rounded half away from zero.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  int64_t product = static_cast<int64_t>(a) * b;
  int64_t half = (c < 0 ? -c : c) / 2;
  int64_t result = (product < 0) == (c < 0) ? (product + half) / c : (product - half) / c;
  return static_cast<int32_t>(result);
}

char AccessKeyOf(std::string_view caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (caption[i + 1] == '&') {
        ++i;
        continue;
      }
      char c = caption[i + 1];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      return c;
    }
  }
  return 0;
}

}  // namespace

void TForm::LoadLayout(std::string_view text) {
  LayoutObject root = ParseLayout(text);
  name_ = root.name;
  style_ =
      root.Text("Style") == "dialog" ? platform::FormStyle::kDialog : platform::FormStyle::kSaver;
  maximized_ = root.Text("WindowState") == "maximized";
  designBounds_ = {root.Number("Left"), root.Number("Top"), root.Number("Width"),
                   root.Number("Height")};
  if (style_ == platform::FormStyle::kSaver) {
    designBounds_.width = root.Number("ClientWidth");
    designBounds_.height = root.Number("ClientHeight");
  }

  fontName_ = root.Text("FontName");
  fontHeight_ = root.Number("FontHeight", 12);
  if (style_ == platform::FormStyle::kDialog) {
    // The dialog is laid out for 96 pixels per inch and a text height of 12:
    // elsewhere the font follows the density, and the controls and the
    // dialog itself follow the font's real text height. A dialog kept at its
    // 96-ppi size would cut off its buttons behind scroll bars.
    int32_t ppi = windows_.PixelsPerInch();
    if (ppi > 0 && ppi != 96) {
      int32_t designTextHeight = fontHeight_;
      fontHeight_ = MulDiv(fontHeight_, ppi, 96);
      int32_t textHeight = windows_.FontTextHeight(fontName_, fontHeight_);
      if (textHeight > 0 && textHeight != designTextHeight) {
        scaleBy_ = textHeight;
        scaleOver_ = designTextHeight;
        designBounds_.width = MulDiv(designBounds_.width, scaleBy_, scaleOver_);
        designBounds_.height = MulDiv(designBounds_.height, scaleBy_, scaleOver_);
      }
    }
  }

  platform::WindowSpec params;
  params.kind = WindowKind::kForm;
  params.style = style_;
  params.owner = application_.Handle();
  params.bounds = designBounds_;
  params.text = root.Text("Caption");
  params.fontName = fontName_;
  params.fontHeight = fontHeight_;
  params.events = this;
  handle_ = windows_.NewWindow(params);

  for (const LayoutObject& child : root.children) AddControl(child, nullptr);
  for (const auto& control : controls_) {
    if (control->Kind() == ControlKind::kPanel) RefreshPanel(*control);
  }
}

TControl* TForm::AddControl(const LayoutObject& object, TControl* parent) {
  ControlSetup setup;
  setup.name = object.name;
  setup.parent = parent;
  setup.kind = KindOf(object, parent && parent->Kind() == ControlKind::kPanel);
  setup.visible = object.Flag("Visible", true);
  setup.enabled = object.Flag("Enabled", true);
  setup.tabOrder = object.Number("TabOrder", 1000);
  // Only buttons and sliders take the focus; a group frame passes it on.
  setup.tabStop = (setup.kind == ControlKind::kButton || setup.kind == ControlKind::kTrackBar) &&
                  object.Flag("TabStop", true);
  setup.bounds = {MulDiv(object.Number("Left"), scaleBy_, scaleOver_),
                  MulDiv(object.Number("Top"), scaleBy_, scaleOver_),
                  MulDiv(object.Number("Width"), scaleBy_, scaleOver_),
                  MulDiv(object.Number("Height"), scaleBy_, scaleOver_)};
  std::string caption = object.Text("Caption");
  if (setup.kind == ControlKind::kButton) setup.accessKey = AccessKeyOf(caption);
  if (setup.kind == ControlKind::kTrackBar) {
    setup.sliderMin = object.Number("Min");
    setup.sliderMax = object.Number("Max");
  }
  if (setup.kind == ControlKind::kView) setup.picture = object.Number("Picture");

  auto owned = std::make_unique<TControl>(*this, std::move(setup));
  TControl& control = *owned;
  controls_.push_back(std::move(owned));

  if (control.Kind() == ControlKind::kView) {
    if (pictures_.empty()) pictures_.assign(9, platform::kNoPicture);
    if (control.Picture() < 0 || control.Picture() >= 9) {
      throw std::runtime_error("layout: picture out of range in " + control.Name());
    }
    if (pictures_[control.Picture()] == platform::kNoPicture) {
      pictures_[control.Picture()] = windows_.LoadPicture(control.Picture());
    }
    return &control;
  }

  platform::WindowSpec params;
  params.kind = WindowKindOf(control.Kind());
  params.style = style_;
  params.parent = parent ? parent->Handle() : handle_;
  params.bounds = control.Bounds();
  params.text = caption;
  params.visible = control.Visible();
  params.enabled = control.Enabled();
  params.tabStop = control.TabStop();
  params.fontName = fontName_;
  params.fontHeight = fontHeight_;
  params.min = control.SliderMin();
  params.max = control.SliderMax();
  params.lineSize = object.Number("LineSize", 1);
  params.pageSize = object.Number("PageSize", 2);
  params.thumbLength = object.Number("ThumbLength", 20);
  params.events = this;
  control.handle_ = windows_.NewWindow(params);
  if (control.Kind() == ControlKind::kTrackBar) {
    windows_.SetSliderPosition(control.Handle(), object.Number("Position", control.SliderMin()));
  }
  for (const LayoutObject& child : object.children) AddControl(child, &control);
  return &control;
}

bool TForm::MarkViewVisible(TControl& view, bool visible) {
  if (view.visible_ == visible) return false;
  view.visible_ = visible;
  return true;
}

void TForm::RefreshPanel(TControl& panel) {
  // Views are drawn in layout order, so the last visible one is what shows.
  platform::PictureId shown = platform::kNoPicture;
  for (const auto& control : controls_) {
    if (control->Parent() == &panel && control->Kind() == ControlKind::kView &&
        control->Visible()) {
      shown = pictures_[control->Picture()];
    }
  }
  if (shown == panel.shownPicture_) return;
  panel.shownPicture_ = shown;
  windows_.SetPanelPicture(panel.Handle(), shown);
}

void TForm::Show() {
  windows_.ShowWindow(application_.Handle(), platform::ShowCommand::kNormal);
  if (style_ == platform::FormStyle::kDialog) {
    // Centred on the virtual screen, never off its top-left corner.
    platform::Size screen = windows_.VirtualScreenSize();
    Rect outer = windows_.GetBounds(handle_);
    outer.left = std::max(0, (screen.width - outer.width) / 2);
    outer.top = std::max(0, (screen.height - outer.height) / 2);
    windows_.SetBounds(handle_, outer);
  }
  windows_.ShowWindow(
      handle_, maximized_ ? platform::ShowCommand::kMaximized : platform::ShowCommand::kNormal);
  visible_ = true;
  windows_.SetActiveWindow(handle_);
  FocusFirst();
}

void TForm::Hide() {
  if (!visible_ || handle_ == platform::kNoWindow) return;
  windows_.ShowWindow(handle_, platform::ShowCommand::kHide);
  visible_ = false;
}

void TForm::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  Hide();
  FormDestroy();
  for (platform::PictureId picture : pictures_) {
    if (picture != platform::kNoPicture) windows_.FreePicture(picture);
  }
  pictures_.clear();
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    if ((*it)->handle_ != platform::kNoWindow) windows_.DestroyWindow((*it)->handle_);
    (*it)->handle_ = platform::kNoWindow;
  }
  if (handle_ != platform::kNoWindow) windows_.DestroyWindow(handle_);
  handle_ = platform::kNoWindow;
}

void TForm::Close() {
  application_.CloseForm(*this);
}

TControl* TForm::FocusedControl() const {
  return ControlOf(windows_.GetFocus());
}

void TForm::FocusFirst() {
  std::vector<TControl*> order = TabOrder();
  windows_.SetFocus(order.empty() ? handle_ : order.front()->Handle());
}

std::vector<TControl*> TForm::TabOrder() const {
  // Depth first: a container's place in the order holds its own controls.
  std::vector<TControl*> order;
  auto walk = [&](auto& self, const TControl* parent) -> void {
    std::vector<TControl*> level;
    for (const auto& control : controls_) {
      if (control->Parent() == parent && control->Handle() != platform::kNoWindow) {
        level.push_back(control.get());
      }
    }
    std::stable_sort(level.begin(), level.end(),
                     [](TControl* a, TControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (TControl* control : level) {
      if (control->TakesFocus()) order.push_back(control);
      self(self, control);
    }
  };
  walk(walk, nullptr);
  return order;
}

bool TForm::SelectNext(bool forward) {
  std::vector<TControl*> order = TabOrder();
  if (order.empty()) return false;
  auto it = std::find(order.begin(), order.end(), FocusedControl());
  size_t index;
  if (it == order.end()) {
    index = forward ? 0 : order.size() - 1;
  } else {
    size_t at = static_cast<size_t>(it - order.begin());
    index = forward ? (at + 1) % order.size() : (at + order.size() - 1) % order.size();
  }
  windows_.SetFocus(order[index]->Handle());
  return true;
}

void TForm::SelectInGroup(TControl& focused, bool forward) {
  // The group is the focused control's container: its own focusable controls
  // only, in tab order, round and round; nothing nested deeper or outside.
  std::vector<TControl*> group;
  for (TControl* control : TabOrder()) {
    if (control->Parent() == focused.Parent()) group.push_back(control);
  }
  auto it = std::find(group.begin(), group.end(), &focused);
  if (it == group.end()) return;
  size_t at = static_cast<size_t>(it - group.begin());
  size_t next = forward ? (at + 1) % group.size() : (at + group.size() - 1) % group.size();
  windows_.SetFocus(group[next]->Handle());
}

bool TForm::DialogKey(uint16_t key, bool ctrl, bool alt, bool shiftHeld) {
  namespace vk = platform::vk;
  TControl* focused = FocusedControl();
  if (focused && focused->WantsKey(key)) return false;
  if (key == vk::kTab) {
    if (ctrl || alt) return false;
    SelectNext(!shiftHeld);
    return true;
  }
  if (key == vk::kLeft || key == vk::kRight || key == vk::kUp || key == vk::kDown) {
    if (alt || !focused) return false;
    SelectInGroup(*focused, key == vk::kRight || key == vk::kDown);
    return true;
  }
  if (key == vk::kReturn) {
    if (focused && focused->Kind() == ControlKind::kButton) {
      Event click;
      click.type = EventType::kClick;
      click.window = focused->Handle();
      HandleEvent(click);
      return true;
    }
    return false;
  }
  // Access keys: with Alt, or alone while the focus is on a control that
  // takes no typed characters (true of every control here).
  if (key >= 'A' && key <= 'Z' && !ctrl) {
    for (const auto& control : controls_) {
      if (control->Kind() == ControlKind::kButton && control->AccessKey() == key &&
          control->Visible() && control->Enabled()) {
        Event click;
        click.type = EventType::kClick;
        click.window = control->Handle();
        HandleEvent(click);
        return true;
      }
    }
  }
  return false;
}

void TForm::HandleEvent(const Event& event) noexcept {
  try {
    DispatchEvent(event);
  } catch (const std::exception& error) {
    application_.HandleException(error);
  }
}

void TForm::DispatchEvent(const Event& event) {
  if (event.type == EventType::kCancelMode) {
    if (windows_.GetCapture() != platform::kNoWindow) windows_.ReleaseCapture();
    return;
  }
  if (event.window == handle_) {
    switch (event.type) {
      case EventType::kKeyDown: {
        uint16_t key = event.key;
        FormKeyDown(key, event.shift);
        break;
      }
      case EventType::kMouseDown:
        if (event.button != platform::MouseButton::kOther) {
          FormMouseDown(event.button, event.shift, event.x, event.y);
        }
        break;
      case EventType::kMouseMove:
        FormMouseMove(event.shift, event.x, event.y);
        break;
      case EventType::kClose:
        Close();
        break;
      case EventType::kAppDeactivate:
        FormAppDeactivate();
        break;
      case EventType::kDisplayChange:
        FormDisplayChange();
        break;
      default:
        break;
    }
    return;
  }
  TControl* control = ControlOf(event.window);
  if (!control) return;
  switch (event.type) {
    case EventType::kMouseDown:
      // Controls keep the mouse while the left button is held down on them.
      if (event.button == platform::MouseButton::kLeft) windows_.SetCapture(control->Handle());
      break;
    case EventType::kMouseUp:
      if (event.button == platform::MouseButton::kLeft &&
          windows_.GetCapture() == control->Handle()) {
        windows_.ReleaseCapture();
      }
      break;
    case EventType::kClick:
      ControlClick(*control);
      break;
    case EventType::kScroll:
      ControlScroll(*control, event.position);
      break;
    default:
      break;
  }
}

}  // namespace morumoru
