#pragma once
// The X11 backend: the program's windows as X windows, our own small dialog
// controls drawn with Xlib and Xft, pictures held as server-side pixmaps.

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/window_system.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_frame_rate.h"

namespace morumoru::platform::x11 {

// What Peek keeps of an X event inside Message::native, for Dispatch.
struct NativeEvent {
  uint8_t type = 0;  // the X event type
  uint8_t button = 0;
  uint16_t count = 0;  // Expose: how many follow
  uint32_t state = 0;  // modifiers and buttons held; FocusOut: the mode
  uint64_t window = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t keysym = 0;
  uint32_t sendEvent = 0;
  uint64_t data = 0;  // ClientMessage: the first long; FocusOut: the detail
};
static_assert(sizeof(NativeEvent) <= sizeof(Message::native), "must fit in a message");

// $DISPLAY, with a few quick retries when the server turns us away.
Display* OpenDisplay();

// The one X error handler: Xlib's default ends the process, and a window
// that vanished under us (another program's, or a focus change racing an
// unmap) is not worth that.
int IgnoreXError(Display*, XErrorEvent*);

// Fonts by family and pixel size, found through fontconfig so that Japanese
// texts always have glyphs.
class FontCache {
 public:
  explicit FontCache(Display* display, int screen) : display_(display), screen_(screen) {}
  ~FontCache();
  XftFont* Get(const std::string& family, int32_t pixelSize);
  static std::string ResolvedFamily(XftFont* font);

 private:
  Display* display_;
  int screen_;
  std::map<std::pair<std::string, int32_t>, XftFont*> fonts_;
};

int32_t TextWidth(Display* display, XftFont* font, std::string_view text);
// The height of a line of `text` in the font, as a Windows text extent
// measures it (the cell, not the ink).
int32_t TextHeight(Display* display, XftFont* font, std::string_view text);

class X11WindowSystem : public WindowSystem {
 public:
  // With a host window the saver form lives inside it, as a hack of
  // xscreensaver: no input, no cursor changes, no title, no grabs. An empty
  // look at the queue costs `inspectionCost` of time (see Peek).
  explicit X11WindowSystem(Display* display, Window host = 0,
                           std::chrono::nanoseconds inspectionCost = kEmptyInspectionCost);
  ~X11WindowSystem() override;
  X11WindowSystem(const X11WindowSystem&) = delete;
  X11WindowSystem& operator=(const X11WindowSystem&) = delete;

  Display* display() const { return display_; }
  // -fps: the steps per second and CPU load in the saver window's corner.
  void ShowFrameRate();  // x11_frame_rate.cpp

  // WindowSystem.
  bool Peek(Message& message) override;
  void Dispatch(Message& message) override;
  void Wait() override;
  void PostQuit(int exitCode) override;
  WindowId NewWindow(const WindowSpec& params) override;
  void DestroyWindow(WindowId window) override;
  void SetText(WindowId window, std::string_view text) override;
  void SetBounds(WindowId window, const Rect& bounds) override;
  Rect GetBounds(WindowId window) override;
  void ShowWindow(WindowId window, ShowCommand command) override;
  bool IsVisible(WindowId window) override;
  void EnableWindow(WindowId window, bool enabled) override;
  bool IsEnabled(WindowId window) override;
  void SetFocus(WindowId window) override;
  WindowId GetFocus() override { return focus_; }
  WindowId GetActiveWindow() override { return active_; }
  void SetActiveWindow(WindowId window) override;
  void SetCapture(WindowId window) override;
  void ReleaseCapture() override;
  WindowId GetCapture() override { return capture_; }
  bool KeyHeld(uint16_t virtualKey) override;
  PictureId LoadPicture(int index) override;
  void FreePicture(PictureId picture) override;
  void SetPanelPicture(WindowId panel, PictureId picture) override;
  void SetSliderPosition(WindowId slider, int32_t position) override;
  int32_t GetSliderPosition(WindowId slider) override;
  bool ActivateRunningCopy(std::string_view title) override;
  Size ScreenSize() override;
  Size VirtualScreenSize() override;
  Rect MonitorOf(WindowId window) override;
  int32_t PixelsPerInch() override;
  int32_t FontTextHeight(std::string_view fontName, int32_t height) override;
  int ShowCursor(bool show) override;
  void ShowBox(WindowId owner, std::string_view text, std::string_view caption,
               BoxKind kind) override;

 private:
  friend class BoxWindow;

  struct Win {
    Window xid = 0;
    WindowKind kind = WindowKind::kForm;
    FormStyle style = FormStyle::kSaver;
    Window parent = 0;  // our parent window, 0 for top-level ones
    Rect bounds;        // children: in the parent; forms: outer rect
    std::string text;
    bool visible = false;
    bool enabled = true;
    bool tabStop = false;
    bool mapped = false;
    WindowEvents* events = nullptr;
    XftDraw* draw = nullptr;
    XftFont* font = nullptr;  // looked up at the first paint
    std::string fontFamily;
    int32_t fontHeight = 12;
    Pixmap picture = 0;
    Size pictureSize;
    // Sliders.
    int32_t min = 0;
    int32_t max = 0;
    int32_t position = 0;
    int32_t lineSize = 1;
    int32_t pageSize = 2;
    int32_t thumbLength = 20;
    bool dragging = false;
    int32_t dragOffset = 0;
    // Buttons.
    bool pressed = false;   // the mouse went down on it and is over it
    bool tracking = false;  // the mouse went down on it and is held
  };

  // x11_window_system.cpp
  void InternAtoms();
  bool TakeEvent(Message& message);
  bool KeepPace(Message& message);
  void HandleSystemEvent(const XEvent& event);
  Event MakeEvent(EventType type, const Win& win, const NativeEvent& native) const;
  static uint32_t ShiftBits(uint32_t state);
  void Deliver(const Win& win, const Event& event);
  bool AcceptsInput(const Win& win) const;
  // A FocusOut of `win` that leaves the keyboard with another client.
  bool FocusTakenByOtherClient(const Win& win, const NativeEvent& native);
  void RefreshScreen();
  void HostResized(int32_t width, int32_t height);

  // x11_windows.cpp
  Win* Find(Window xid);
  const Win* Find(Window xid) const;
  Window TopLevelOf(Window xid) const;
  void SetTitle(Window xid, std::string_view text);
  void SetDialogHints(Win& win);
  Size FrameExtra(const Win& win) const;
  void MapSaver(Win& win);
  void GrabForSaver(Win& win);
  void ApplyCursor(Window xid);
  void Paint(Win& win);
  static bool PanelFilledByServer(const Win& panel);
  void FitPanelBackground(Win& panel);  // x11_windows.cpp
  void PaintPanel(Win& win);
  void PaintPanelComingIntoView(Win& win, const Rect& before);
  void CopyPanelPart(Win& win, int32_t x, int32_t y, int32_t width, int32_t height);
  void FocusTopLevel(Window xid);
  bool WindowManagerRunning();
  std::string ReadTitle(Window xid, bool& found);
  // The running-copy check's steps, as a search by title on Windows goes.
  Window FindForeignWindow(std::string_view title);
  Window OwnerOf(Window xid);
  bool IsIconic(Window xid);
  void OpenIcon(Window xid);
  void BringToForeground(Window xid);
  unsigned long Pixel(uint32_t rgb);
  Pixmap MakePixmap(const DecodedImage& image);
  void PutPixels(Pixmap pixmap, const DecodedImage& image);

  // x11_widgets.cpp
  void PaintWidget(Win& win);
  void DrawButton(Win& win);
  void DrawSlider(Win& win);
  void DrawGroupBox(Win& win);
  void DrawLabel(Win& win);
  void DrawIcon(Win& win);
  void DrawText(Win& win, int32_t x, int32_t y, std::string_view text, bool grayed);
  void DrawFocusRect(Win& win, int32_t x, int32_t y, int32_t width, int32_t height);
  void WidgetKey(Win& win, uint16_t key);
  void WidgetMouse(Win& win, const NativeEvent& native);
  void SliderMoveTo(Win& win, int32_t position, bool report);
  int32_t SliderX(const Win& win, int32_t position) const;
  int32_t SliderPositionAt(const Win& win, int32_t x) const;
  XftColor* TextColor(bool grayed);

  Display* display_;
  int screen_;
  Window root_;
  Visual* visual_;
  Colormap colormap_;
  int depth_;
  int connection_;
  GC gc_;
  int randrEventBase_ = -1;
  struct Atoms {
    Atom wmProtocols, wmDeleteWindow, wmState, netWmName, utf8String, motifWmHints, netActiveWindow,
        netSupportingWmCheck, netWmWindowType, netWmWindowTypeDialog, netWmState, netWmStateAbove,
        netWmPid;
  } atoms_{};

  std::unordered_map<Window, std::unique_ptr<Win>> windows_;
  WindowId focus_ = kNoWindow;
  WindowId active_ = kNoWindow;
  WindowId capture_ = kNoWindow;
  Window saverGrab_ = 0;  // the saver form holding the pointer and keyboard grabs
  Window application_ = 0;
  bool quitPending_ = false;
  // The pace clock: where the empty looks so far have brought the show's
  // time (see Peek), the looks not yet added to it, and when to add them.
  using Clock = std::chrono::steady_clock;
  std::chrono::nanoseconds inspectionCost_;
  Clock::time_point pace_;
  Clock::time_point checkedAt_;  // the clock's last reading, after any wait
  Clock::time_point readAt_;     // the connection's last reading
  long looksOwed_ = 0;
  long looksPerCheck_ = 1;
  unsigned long requestAtCheck_ = 0;
  uint32_t currentState_ = 0;  // modifiers of the message being handled
  uint32_t currentKeysym_ = 0;
  int panelMovesSinceSync_ = 0;
  int cursorCounter_ = 0;
  Cursor blankCursor_ = 0;
  bool screenValid_ = false;
  Rect primary_;
  int32_t pixelsPerInch_ = 0;
  int wmRunning_ = -1;  // unknown until asked
  // The window xscreensaver gave us (or the root for -root), 0 when the saver
  // has a window of its own; the saver form is then a child filling it.
  Window host_ = 0;
  bool hostIsRoot_ = false;
  Size hostSize_;
  struct Picture {
    Pixmap pixmap;
    Size size;
    int pending;  // the embedded picture still to be put into the pixmap, or -1
  };
  void FillPicture(Picture& picture);  // x11_pictures.cpp

  // x11_frame_rate.cpp: counts a step at each panel move, draws the line.
  struct FrameRate {
    FrameRateMeter meter;
    Window window = 0;  // the saver window it is drawn on
    XftDraw* draw = nullptr;
    XftFont* font = nullptr;
    XftColor color{};
    bool colorAllocated = false;
    Rect line;       // what the line takes up, in the saver window
    Rect lastPanel;  // the panel's place at the last step
  };
  void CountFrame(const Win& panel);
  void HideFrameRate();
  std::unique_ptr<FrameRate> frameRate_;  // null without -fps
  std::vector<Picture> pictures_;
  Pixmap iconPixmap_ = 0;
  Size iconSize_;
  Drawable paintTarget_ = 0;  // the pixmap a control is being drawn into
  std::unique_ptr<FontCache> fonts_;
  XftColor black_{};
  XftColor gray_{};
};

}  // namespace morumoru::platform::x11
