#pragma once
// The X11 backend: the program's windows as X windows, our own small dialog
// controls drawn with Xlib and Xft, pictures held as server-side pixmaps.
// This class keeps the windows and the queue; painting and pictures, the
// controls, the error box and other programs' windows are parts of their own.

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/window_system.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_box.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_foreign_windows.h"
#include "platform/x11/x11_frame_rate.h"
#include "platform/x11/x11_native_event.h"
#include "platform/x11/x11_painter.h"
#include "platform/x11/x11_widgets.h"
#include "platform/x11/x11_window_record.h"

namespace morumoru::platform::x11 {

class X11WindowSystem : public WindowSystem, private WidgetOwner, private BoxHost {
 public:
  // With a host window the saver form lives inside it, as a hack of
  // xscreensaver: no input, no cursor changes, no title, no grabs. An empty
  // look at the queue costs `inspectionCost` of time (see Peek).
  explicit X11WindowSystem(Display* display, Window host = 0,
                           std::chrono::nanoseconds inspectionCost = kEmptyInspectionCost);
  ~X11WindowSystem() override;
  X11WindowSystem(const X11WindowSystem&) = delete;
  X11WindowSystem& operator=(const X11WindowSystem&) = delete;

  Display* display() const { return x_.display; }
  // -fps: the steps per second and CPU load in the saver window's corner.
  void ShowFrameRate();  // x11_frame_rate.cpp

  // WindowSystem.
  bool Peek(Message& message) override;
  bool PeekWithin(Message& message, int64_t& looks) override;
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
  std::vector<Rect> Monitors() override;
  int32_t PixelsPerInch() override;
  int32_t FontTextHeight(std::string_view fontName, int32_t height) override;
  int ShowCursor(bool show) override;
  void ShowBox(WindowId owner, std::string_view text, std::string_view caption,
               BoxKind kind) override;

 private:
  // WidgetOwner (x11_windows.cpp).
  void FocusWidget(Window xid) override { SetFocus(xid); }
  void RepaintWidget(WindowRecord& win) override;
  void Flush() override { XFlush(x_.display); }
  void Report(const WindowRecord& win, const Event& event) override { Deliver(win, event); }

  // BoxHost (x11_window_system.cpp, x11_forms.cpp).
  Connection& connection() override { return x_; }
  Rect BoxScreen(WindowId owner) override;
  void SetTitle(Window xid, std::string_view text) override;
  void ApplyCursor(Window xid) override;
  bool WindowManagerRunning() override { return foreign_.WindowManagerRunning(); }
  bool IsOurs(Window xid) override { return Find(xid) != nullptr; }
  void Repaint(Window xid) override;

  // x11_queue.cpp
  bool TakeEvent(Message& message);
  bool KeepPace(Message& message);
  bool SpendLooks(Message& message, int64_t& looks);
  void SendRequests();
  void HandleSystemEvent(const XEvent& event);
  Event MakeEvent(EventType type, const WindowRecord& win, const NativeEvent& native) const;
  static uint32_t ShiftBits(uint32_t state);
  void Deliver(const WindowRecord& win, const Event& event);
  // An event that carries only its kind and window.
  void DeliverSignal(const WindowRecord& win, EventType type);
  bool AcceptsInput(const WindowRecord& win) const;
  // The root's size or RandR's monitors changed: every form is told.
  void DeliverDisplayChange();
  // A FocusOut of `win` that leaves the keyboard with another client.
  bool FocusTakenByOtherClient(const WindowRecord& win, const NativeEvent& native);

  // x11_window_system.cpp
  void RefreshScreen();
  std::vector<Rect> RandrMonitors() const;
  Rect PrimaryOutput() const;

  // x11_windows.cpp
  WindowRecord* Find(Window xid);
  const WindowRecord* Find(Window xid) const;
  Window TopLevelOf(Window xid) const;
  Size FrameExtra(const WindowRecord& win) const;
  void Paint(WindowRecord& win);
  void PaintPanelComingIntoView(const WindowRecord& panel, const Rect& before);

  // x11_forms.cpp
  void SetDialogHints(WindowRecord& win);
  void MapSaver(WindowRecord& win);
  void GrabForSaver(WindowRecord& win);
  void FocusTopLevel(Window xid);
  void HostResized(int32_t width, int32_t height);

  // First, so that it goes last: everything else still talks to the server.
  Connection x_;
  Painter painter_{x_};
  ForeignWindows foreign_;
  int randrEventBase_ = -1;
  bool randrMonitors_ = false;  // the server tells monitors (RandR 1.5)

  std::unordered_map<Window, std::unique_ptr<WindowRecord>> windows_;
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
  unsigned long requestsSent_ = 0;  // what SendRequests has flushed so far
  uint32_t currentState_ = 0;       // modifiers of the message being handled
  uint32_t currentKeysym_ = 0;
  int panelMovesSinceSync_ = 0;
  int cursorCounter_ = 0;
  Cursor blankCursor_ = 0;
  bool screenValid_ = false;
  std::vector<Rect> monitors_;  // the primary one first
  Rect primary_;
  int32_t pixelsPerInch_ = 0;
  // The size of xscreensaver's window (x_.host), which the saver form fills.
  Size hostSize_;

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
  void CountFrame(const WindowRecord& panel);
  void HideFrameRate();
  std::unique_ptr<FrameRate> frameRate_;  // null without -fps
};

}  // namespace morumoru::platform::x11
