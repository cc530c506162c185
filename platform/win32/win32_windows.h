#pragma once
// The backend's windows: one procedure for its own classes (forms, panel,
// black square, icon), a subclass for the standard controls, and the
// translation of Win32 messages into the program's events.

#include <windows.h>

#include "platform/win32/win32_paint.h"
#include "platform/window_system.h"

namespace morumoru::platform::win32 {

// What the backend keeps for each of its windows (in GWLP_USERDATA). It is
// freed when the window goes.
struct WindowData {
  HWND handle = nullptr;
  WindowKind kind = WindowKind::kForm;
  FormStyle style = FormStyle::kSaver;
  WindowEvents* events = nullptr;
  const Picture* picture = nullptr;  // panels
  HICON icon = nullptr;              // icons
  HWND lastFocus = nullptr;          // forms: the focus to give back on activation
  POINT scroll{0, 0};                // dialogs: how far the content is scrolled
  bool adjusting = false;            // dialogs: scroll bars being brought up to date
};

// Registers the backend's classes and the common controls, once.
void RegisterWindowClasses(HINSTANCE instance);

// The window for params, its WindowData attached; null when creation fails.
HWND CreateWindowFor(const WindowSpec& params, HINSTANCE instance, HFONT font);

// The backend's data of one of this process's windows; null for others.
WindowData* DataOf(HWND window);

// Sends one event to the window's receiver; nothing escapes into user32.
void Deliver(WindowEvents* events, const Event& event);
// An event that carries only its kind and its window.
void DeliverSignal(WindowEvents* events, HWND window, EventType type);

// Modifier keys and mouse buttons held now, as shift bits.
uint32_t ShiftState();

}  // namespace morumoru::platform::win32
