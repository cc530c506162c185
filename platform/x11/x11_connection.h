#pragma once
// The connection to the X server and what every part of the backend draws
// with: the screen, its visual, one graphics context, the atoms, the fonts,
// the text colours.

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <memory>

#include "platform/window_system.h"
#include "platform/x11/x11_text.h"

namespace morumoru::platform::x11 {

// The dialog's face, as Windows paints a button face.
inline constexpr uint32_t kDialogFace = 0xF0F0F0;

// $DISPLAY, with a few quick retries when the server turns us away.
Display* OpenDisplay();

// The one X error handler: Xlib's default ends the process, and a window
// that vanished under us (another program's, or a focus change racing an
// unmap) is not worth that.
int IgnoreXError(Display*, XErrorEvent*);

struct Atoms {
  Atom wmProtocols, wmDeleteWindow, wmState, netWmName, utf8String, motifWmHints, netActiveWindow,
      netSupportingWmCheck, netWmWindowType, netWmWindowTypeDialog, netWmState, netWmStateAbove,
      netWmPid;
};

class Connection {
 public:
  // Takes the display over and closes it at the end. With a host window
  // (xscreensaver's, or the root) the screen is the host's.
  Connection(Display* display, Window host);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The server's pixel value for a colour 0xRRGGBB in our visual.
  unsigned long Pixel(uint32_t rgb) const;
  XftColor* TextColor(bool grayed) { return grayed ? &gray : &black; }

  // Set once here and never changed: the parts read them directly.
  Display* const display;
  int screen = 0;
  // The window xscreensaver gave us (or the root for -root), 0 when the saver
  // has a window of its own; the saver form is then a child filling it.
  Window host = 0;
  bool hostIsRoot = false;
  Size hostSizeAtStart;  // the backend follows its changes
  Window root = 0;
  Visual* visual = nullptr;
  Colormap colormap = 0;
  int depth = 0;
  int fd = -1;  // the connection's socket
  GC gc = nullptr;
  Atoms atoms{};
  std::unique_ptr<FontCache> fonts;
  XftColor black{};
  XftColor gray{};
};

}  // namespace morumoru::platform::x11
