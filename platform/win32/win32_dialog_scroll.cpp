// The dialog's scroll bars: shown when the frame is made smaller than its
// controls, so every control stays reachable.

#include "platform/win32/win32_dialog_scroll.h"

#include <algorithm>

namespace morumoru::platform::win32 {

namespace {

constexpr int kLineScroll = 8;  // pixels per arrow click

SIZE ContentExtent(HWND window, POINT scroll) {
  SIZE extent{0, 0};
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&rect), 2);
    extent.cx = std::max<LONG>(extent.cx, rect.right + scroll.x);
    extent.cy = std::max<LONG>(extent.cy, rect.bottom + scroll.y);
  }
  return extent;
}

void ScrollContentTo(WindowData& data, POINT target) {
  int dx = data.scroll.x - target.x;
  int dy = data.scroll.y - target.y;
  if (dx == 0 && dy == 0) return;
  data.scroll = target;
  // The controls are moved one by one: ScrollWindowEx leaves them in place
  // while the window is hidden, and the two would drift apart.
  for (HWND child = GetWindow(data.handle, GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, data.handle, reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(child, nullptr, rect.left + dx, rect.top + dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
  RedrawWindow(data.handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace

void UpdateScrollBars(WindowData& data) {
  if (data.adjusting) return;  // showing a bar resizes the client: no recursion
  data.adjusting = true;
  // Decide from the room there would be without bars, so that bars never
  // stay only because they take room themselves; each bar may call for the
  // other.
  RECT client;
  GetClientRect(data.handle, &client);
  LONG_PTR style = GetWindowLongPtrW(data.handle, GWL_STYLE);
  int barWidth = GetSystemMetrics(SM_CXVSCROLL);
  int barHeight = GetSystemMetrics(SM_CYHSCROLL);
  int width = client.right + ((style & WS_VSCROLL) ? barWidth : 0);
  int height = client.bottom + ((style & WS_HSCROLL) ? barHeight : 0);
  SIZE extent = ContentExtent(data.handle, data.scroll);
  bool across = extent.cx > width;
  bool down = extent.cy > height;
  if (across && !down) down = extent.cy > height - barHeight;
  if (down && !across) across = extent.cx > width - barWidth;
  if (across) height -= barHeight;
  if (down) width -= barWidth;
  POINT target{std::clamp<LONG>(data.scroll.x, 0, std::max<LONG>(0, extent.cx - width)),
               std::clamp<LONG>(data.scroll.y, 0, std::max<LONG>(0, extent.cy - height))};
  ScrollContentTo(data, target);
  // A page that holds the whole range hides its bar.
  SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
  info.nMax = std::max<LONG>(0, extent.cx - 1);
  info.nPage = static_cast<UINT>(std::max(0, width));
  info.nPos = target.x;
  SetScrollInfo(data.handle, SB_HORZ, &info, TRUE);
  info.nMax = std::max<LONG>(0, extent.cy - 1);
  info.nPage = static_cast<UINT>(std::max(0, height));
  info.nPos = target.y;
  SetScrollInfo(data.handle, SB_VERT, &info, TRUE);
  data.adjusting = false;
}

void ScrollDialog(WindowData& data, int bar, WORD request) {
  SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
  if (!GetScrollInfo(data.handle, bar, &info)) return;
  int position = info.nPos;
  int last = std::max(0, info.nMax - static_cast<int>(info.nPage) + 1);
  switch (request) {
    case SB_LINEUP:
      position -= kLineScroll;
      break;
    case SB_LINEDOWN:
      position += kLineScroll;
      break;
    case SB_PAGEUP:
      position -= static_cast<int>(info.nPage);
      break;
    case SB_PAGEDOWN:
      position += static_cast<int>(info.nPage);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      position = info.nTrackPos;
      break;
    case SB_TOP:
      position = 0;
      break;
    case SB_BOTTOM:
      position = last;
      break;
    default:
      return;
  }
  position = std::clamp(position, 0, last);
  POINT target = data.scroll;
  (bar == SB_HORZ ? target.x : target.y) = position;
  ScrollContentTo(data, target);
  info.fMask = SIF_POS;
  info.nPos = position;
  SetScrollInfo(data.handle, bar, &info, TRUE);
}

}  // namespace morumoru::platform::win32
