// Other programs' windows: the running-copy check, the window manager, and
// the focus going to another client.

#include "platform/x11/x11_foreign_windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "platform/lower_case.h"

namespace morumoru::platform::x11 {

bool ForeignWindows::WindowManagerRunning() {
  if (wmRunning_ >= 0) return wmRunning_ != 0;
  wmRunning_ = 0;
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(x_.display, x_.root, x_.atoms.netSupportingWmCheck, 0, 1, False, XA_WINDOW,
                         &type, &format, &count, &after, &data) == Success &&
      data) {
    if (count == 1 && format == 32) {
      Window check = *reinterpret_cast<Window*>(data);
      XWindowAttributes attributes;
      if (check && XGetWindowAttributes(x_.display, check, &attributes)) wmRunning_ = 1;
    }
    XFree(data);
  }
  return wmRunning_ != 0;
}

std::string ForeignWindows::ReadTitle(Window xid, bool& found) {
  found = false;
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(x_.display, xid, x_.atoms.netWmName, 0, 1024, False, x_.atoms.utf8String,
                         &type, &format, &count, &after, &data) == Success &&
      data) {
    std::string title(reinterpret_cast<char*>(data), count);
    XFree(data);
    if (type == x_.atoms.utf8String && format == 8) {
      found = true;
      return title;
    }
  }
  XTextProperty property{};
  if (XGetWMName(x_.display, xid, &property) && property.value) {
    char** list = nullptr;
    int items = 0;
    if (Xutf8TextPropertyToTextList(x_.display, &property, &list, &items) >= Success && list) {
      std::string title = items > 0 && list[0] ? list[0] : "";
      XFreeStringList(list);
      found = true;
      XFree(property.value);
      return title;
    }
    XFree(property.value);
  }
  return {};
}

bool ForeignWindows::ActivateRunningCopy(std::string_view title) {
  Window found = FindByTitle(title);
  if (!found) return false;
  Window owner = OwnerOf(found);
  if (IsIconic(owner)) OpenIcon(owner);
  BringToForeground(owner);
  return true;
}

Window ForeignWindows::FindByTitle(std::string_view title) {
  Window rootReturn, parentReturn;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(x_.display, x_.root, &rootReturn, &parentReturn, &children, &count)) return 0;
  Window result = 0;
  // Top-most first, as a search by title on Windows goes; window managers
  // put a frame around each top-level window, so look one level down too.
  for (unsigned i = count; i-- > 0 && !result;) {
    Window top = children[i];
    if (ours_(top)) continue;
    bool found = false;
    std::string name = ReadTitle(top, found);
    if (found && SameIgnoringAsciiCase(name, title)) {
      result = top;
      break;
    }
    Window* inner = nullptr;
    unsigned innerCount = 0;
    if (XQueryTree(x_.display, top, &rootReturn, &parentReturn, &inner, &innerCount) && inner) {
      for (unsigned j = innerCount; j-- > 0;) {
        if (ours_(inner[j])) continue;
        std::string innerName = ReadTitle(inner[j], found);
        if (found && SameIgnoringAsciiCase(innerName, title)) {
          result = inner[j];
          break;
        }
      }
      XFree(inner);
    }
  }
  if (children) XFree(children);
  return result;
}

Window ForeignWindows::OwnerOf(Window xid) {
  Window owner = 0;
  if (!xid || !XGetTransientForHint(x_.display, xid, &owner)) return 0;
  return owner;
}

bool ForeignWindows::IsIconic(Window xid) {
  if (!xid) return false;
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  bool iconic = false;
  if (XGetWindowProperty(x_.display, xid, x_.atoms.wmState, 0, 2, False, x_.atoms.wmState, &type,
                         &format, &count, &after, &data) == Success &&
      data) {
    if (format == 32 && count >= 1) {
      iconic = *reinterpret_cast<long*>(data) == IconicState;
    }
    XFree(data);
  }
  return iconic;
}

void ForeignWindows::OpenIcon(Window xid) {
  if (!xid) return;
  XMapRaised(x_.display, xid);
  XFlush(x_.display);
}

void ForeignWindows::BringToForeground(Window xid) {
  if (!xid) return;
  Window target = xid;
  // Another copy's application window is never mapped: bring up the window
  // it owns instead, as Windows brings up the owner's last active window.
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(x_.display, target, &attributes)) return;
  if (attributes.map_state != IsViewable) {
    Window rootReturn, parentReturn;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(x_.display, x_.root, &rootReturn, &parentReturn, &children, &count)) {
      for (unsigned i = count; i-- > 0;) {
        Window owner = 0;
        XWindowAttributes childAttributes;
        if (XGetTransientForHint(x_.display, children[i], &owner) && owner == target &&
            XGetWindowAttributes(x_.display, children[i], &childAttributes) &&
            childAttributes.map_state == IsViewable) {
          target = children[i];
          break;
        }
      }
      if (children) XFree(children);
    }
  }
  if (WindowManagerRunning()) {
    RequestActivation(target);
  } else {
    XRaiseWindow(x_.display, target);
    XSetInputFocus(x_.display, target, RevertToParent, CurrentTime);
  }
  XFlush(x_.display);
}

void ForeignWindows::RequestActivation(Window xid) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = xid;
  event.xclient.message_type = x_.atoms.netActiveWindow;
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // from an application
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(x_.display, x_.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

bool ForeignWindows::FocusWentToAnotherClient(int mode, int detail) {
  // Our grab's own comings and goings are no loss. Only a focus that left for
  // a window outside ours (not a child, not the root it fell back to, not
  // the pointer's window) counts.
  if (mode == NotifyGrab || mode == NotifyUngrab) return false;
  if (detail != NotifyNonlinear && detail != NotifyNonlinearVirtual) return false;
  Window focus = None;
  int revertTo = 0;
  XGetInputFocus(x_.display, &focus, &revertTo);
  // None or PointerRoot is nobody's window; a window of ours (a form, a
  // control) keeps the activation with the program. The error box reads its
  // own events while it is up, so its focus change never comes here.
  if (focus == None || focus == PointerRoot || focus == x_.root) return false;
  return !ours_(focus);
}

}  // namespace morumoru::platform::x11
