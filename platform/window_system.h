#pragma once
// The window system as the program needs it: a message queue, windows and
// their controls, painting pictures, boxes, the cursor and the screen. Each
// backend (win32, x11, headless) implements all of it; the process and file
// side is OsServices (os_services.h). Texts are UTF-8 on this side.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morumoru::platform {

using WindowId = std::uintptr_t;
inline constexpr WindowId kNoWindow = 0;

using PictureId = std::uintptr_t;
inline constexpr PictureId kNoPicture = 0;

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Virtual-key codes, the Windows values; other backends map onto them.
namespace vk {
inline constexpr uint16_t kBack = 0x08;
inline constexpr uint16_t kTab = 0x09;
inline constexpr uint16_t kReturn = 0x0D;
inline constexpr uint16_t kShift = 0x10;
inline constexpr uint16_t kControl = 0x11;
inline constexpr uint16_t kMenu = 0x12;  // Alt
inline constexpr uint16_t kEscape = 0x1B;
inline constexpr uint16_t kSpace = 0x20;
inline constexpr uint16_t kPrior = 0x21;  // Page Up
inline constexpr uint16_t kNext = 0x22;   // Page Down
inline constexpr uint16_t kEnd = 0x23;
inline constexpr uint16_t kHome = 0x24;
inline constexpr uint16_t kLeft = 0x25;
inline constexpr uint16_t kUp = 0x26;
inline constexpr uint16_t kRight = 0x27;
inline constexpr uint16_t kDown = 0x28;
inline constexpr uint16_t kF1 = 0x70;
}  // namespace vk

// Modifier keys and mouse buttons held, as a bit set.
namespace shift {
inline constexpr uint32_t kShift = 1;
inline constexpr uint32_t kAlt = 2;
inline constexpr uint32_t kCtrl = 4;
inline constexpr uint32_t kLeft = 8;
inline constexpr uint32_t kRight = 16;
inline constexpr uint32_t kMiddle = 32;
}  // namespace shift

enum class MouseButton { kLeft, kRight, kMiddle, kOther };

// What a window hands to the program's code when it handles a message.
enum class EventType {
  kKeyDown,    // key press, also with Alt held (system key)
  kMouseMove,  // x, y in the window's client coordinates
  kMouseDown,
  kMouseUp,
  kMouseWheel,
  kClick,       // a push button was clicked
  kScroll,      // a slider reported a scroll; position holds its position
  kClose,       // the window system's close command
  kCancelMode,  // give up mouse capture and any drag
  // Another program took the activation, and the keyboard with it (the
  // input focus natively). Moves between the program's own windows are no such thing.
  kAppDeactivate,
  // The monitors changed: one added or removed, moved or resized. Every
  // form gets it; Monitors() then tells the new layout.
  kDisplayChange,
};

struct Event {
  EventType type = EventType::kKeyDown;
  WindowId window = kNoWindow;  // the window that received it
  int32_t x = 0;
  int32_t y = 0;
  uint16_t key = 0;
  uint32_t shift = 0;
  MouseButton button = MouseButton::kLeft;
  int32_t position = 0;
};

// Receives the events of one window. Implementations must not let an
// exception escape: the program guards every window's message handling.
class WindowEvents {
 public:
  virtual void HandleEvent(const Event& event) noexcept = 0;

 protected:
  ~WindowEvents() = default;
};

enum class WindowKind {
  kApplication,  // hidden top-level window that stands for the program
  kForm,         // top-level window owned by the application window
  // Top-level, owned by the application window, bounds in screen
  // coordinates: borderless, black, top-most, without title or cursor. It is
  // never activated and never gets the keyboard; its mouse input goes to
  // its receiver in its own client coordinates.
  kCover,
  kPanel,  // child window that draws one picture 1:1, black without one
  kBlank,  // child window that draws black and swallows mouse input
  kIcon,   // child window that draws the dialog icon
  kGroupBox,
  kLabel,
  kButton,
  kTrackBar,
};

enum class FormStyle {
  kSaver,   // borderless, black, top-most, covers the primary screen
  kDialog,  // resizable frame with caption, no system menu, button face colour
};

struct WindowSpec {
  WindowKind kind = WindowKind::kForm;
  FormStyle style = FormStyle::kSaver;
  WindowId parent = kNoWindow;  // child kinds: the parent window
  WindowId owner = kNoWindow;   // forms: the application window
  Rect bounds;                  // children: parent's client coordinates; forms: outer rect
  std::string text;
  bool visible = true;  // children only; top-level windows start hidden
  bool enabled = true;
  bool tabStop = false;
  std::string fontName;  // empty: the backend's default
  int32_t fontHeight = 0;
  // Sliders: range, steps and thumb length in pixels.
  int32_t min = 0;
  int32_t max = 0;
  int32_t lineSize = 1;
  int32_t pageSize = 2;
  int32_t thumbLength = 20;
  WindowEvents* events = nullptr;
};

enum class ShowCommand { kHide, kNormal, kMaximized, kMinimized };

enum class BoxKind {
  kError,           // owned by a window, stop icon, one OK button
  kErrorTopMost,    // the same, kept above top-most windows
  kTaskModalError,  // no owner, task-modal, stop icon
};

// One message as it comes off the queue, in the program's terms. The loop
// reads the kind and the key; everything else travels in native, the
// backend's own copy, back to Dispatch. Each backend maps its events onto
// these kinds in one place, its Peek.
struct Message {
  enum class Kind : uint8_t {
    kKeyDown,  // systemKey: pressed with Alt held, or F10, as the system's menu keys
    kKeyUp,
    kMouseDown,
    kMouseMove,
    kMouseUp,
    kMouseWheel,
    kClick,   // a push button was clicked
    kScroll,  // a slider moved
    kClose,   // the window system asks a window to close
    kPaint,
    kQuit,  // the loop is asked to end
    kOther,
  };
  Kind kind = Kind::kOther;
  bool systemKey = false;
  WindowId target = kNoWindow;
  uint16_t key = 0;                     // key messages: the virtual-key code
  alignas(8) unsigned char native[48];  // the backend's own copy
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Message queue.
  virtual bool Peek(Message& message) = 0;  // takes one off, never waits
  // As many Peeks as `looks`, stopping at the first message: it is taken off
  // and returned, `looks` less the empty looks before it (so at least one is
  // left). None came: false, `looks` 0. The saver's pace is a count of empty
  // looks, and this hands a backend a whole step's count at once: on Windows
  // each is a PeekMessage, natively the pace clock spends them in one wait.
  virtual bool PeekWithin(Message& message, int64_t& looks) = 0;
  virtual void Dispatch(Message& message) = 0;  // translate, then to its window
  virtual void Wait() = 0;                      // blocks until one arrives
  virtual void PostQuit(int exitCode) = 0;

  // Windows.
  virtual WindowId NewWindow(const WindowSpec& params) = 0;
  virtual void DestroyWindow(WindowId window) = 0;
  virtual void SetText(WindowId window, std::string_view text) = 0;
  // Moves and resizes at once, z-order and activation unchanged, and has the
  // whole window repainted at its new place; what it uncovers gets the
  // parent's background. Children: parent's client coordinates.
  virtual void SetBounds(WindowId window, const Rect& bounds) = 0;
  virtual Rect GetBounds(WindowId window) = 0;  // what the window system holds
  virtual void ShowWindow(WindowId window, ShowCommand command) = 0;
  virtual bool IsVisible(WindowId window) = 0;
  virtual void EnableWindow(WindowId window, bool enabled) = 0;
  virtual bool IsEnabled(WindowId window) = 0;

  // Focus, activation, capture and the keyboard.
  virtual void SetFocus(WindowId window) = 0;
  virtual WindowId GetFocus() = 0;
  virtual WindowId GetActiveWindow() = 0;
  virtual void SetActiveWindow(WindowId window) = 0;
  virtual void SetCapture(WindowId window) = 0;
  virtual void ReleaseCapture() = 0;
  virtual WindowId GetCapture() = 0;
  virtual bool KeyHeld(uint16_t virtualKey) = 0;  // at the time of the current message

  // Pictures, loaded once and held ready to draw.
  virtual PictureId LoadPicture(int index) = 0;  // 0 to 8
  virtual void FreePicture(PictureId picture) = 0;
  virtual void SetPanelPicture(WindowId panel, PictureId picture) = 0;

  // Sliders.
  virtual void SetSliderPosition(WindowId slider, int32_t position) = 0;
  virtual int32_t GetSliderPosition(WindowId slider) = 0;

  // The running-copy check. Looks for another program's top-level window
  // with this title, in any case; when there is one, its owner (if it has
  // one) is restored from an icon and brought to the foreground, and the
  // answer is true.
  virtual bool ActivateRunningCopy(std::string_view title) = 0;

  // Screen, text, cursor, boxes.
  virtual Size ScreenSize() = 0;         // the primary screen, asked at every use
  virtual Size VirtualScreenSize() = 0;  // all monitors
  // The monitor a top-level window lies on (the nearest one when it lies on
  // none), in screen coordinates.
  virtual Rect MonitorOf(WindowId window) = 0;
  // Every monitor in screen coordinates, the primary one first; never empty.
  // A show drawn into another program's window has that window alone.
  virtual std::vector<Rect> Monitors() = 0;
  virtual int32_t PixelsPerInch() = 0;
  // Height in pixels of the text "0" drawn in the font of that name and
  // pixel height, as the backend would create it for a control.
  virtual int32_t FontTextHeight(std::string_view fontName, int32_t height) = 0;
  virtual int ShowCursor(bool show) = 0;  // returns the new display counter
  virtual void ShowBox(WindowId owner, std::string_view text, std::string_view caption,
                       BoxKind kind) = 0;
};

}  // namespace morumoru::platform
