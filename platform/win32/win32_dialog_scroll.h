#pragma once
// The dialog's scroll bars: shown when the frame is made smaller than its
// controls, so every control stays reachable.

#include <windows.h>

#include "platform/win32/win32_windows.h"

namespace morumoru::platform::win32 {

// Shows or hides the dialog's bars for its present size and keeps the
// content's scroll within them (WM_SIZE).
void UpdateScrollBars(WindowData& data);

// One request of a bar (WM_HSCROLL, WM_VSCROLL): SB_HORZ or SB_VERT.
void ScrollDialog(WindowData& data, int bar, WORD request);

}  // namespace morumoru::platform::win32
