#pragma once
// What the X11 backend offers besides the WindowSystem interface: the pure
// parts (host choice, key mapping, picture decoding) its tests reach. No X11
// headers here, so tests need none.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/launch_mode.h"
#include "platform/window_system.h"

namespace morumoru::platform {

namespace x11 {
// What one empty look at the queue costs natively: about an empty PeekMessage
// on a current Windows PC. The saver's pace is a count of these looks; the
// time is spent asleep, watching the connection.
inline constexpr std::chrono::nanoseconds kEmptyInspectionCost = std::chrono::microseconds(1);
}  // namespace x11

// The X11 window system on $DISPLAY, or null when no display can be opened.
std::unique_ptr<WindowSystem> CreateX11WindowSystem(
    std::chrono::nanoseconds inspectionCost = x11::kEmptyInspectionCost);

// The X11 window system for a launch: on its own, or inside the window
// xscreensaver gives it. Null, with the reason in `error`, when it cannot run.
std::unique_ptr<WindowSystem> CreateX11WindowSystemForLaunch(const Launch& launch,
                                                             std::string& error);

namespace x11 {

// From the program's arguments (without its name) and $XSCREENSAVER_WINDOW
// (null when unset). "-window-id ID" names the window and wins over "-root"
// and the variable (xscreensaver's preview adds it to the "-root" line).
// "-root" means the virtual root, as in every xscreensaver hack: the
// variable's window when it is set (xscreensaver blanks the screen that way),
// the real root otherwise. The variable alone counts too. A launch that asks
// for the settings dialog always gets its own window. A -speed or -power
// followed by nothing is no option. "-fps" counts in every saver launch.
HostChoice ChooseHost(LaunchMode mode, const std::vector<std::string>& arguments,
                      const char* environmentWindow);

// A window id as xscreensaver writes it: decimal, or hexadecimal after "0x".
bool ParseWindowId(std::string_view text, unsigned long& window);

// The Windows virtual-key code for an X keysym; 0xFF for keys without one.
uint16_t VirtualKeyFromKeysym(unsigned long keysym);

// Bitmaps decoded from the embedded files, as 0xRRGGBB rows top first.
struct DecodedImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
};
// 24-bit uncompressed BMP files only; false for anything else or a short file.
bool DecodeBmp(const unsigned char* data, size_t size, DecodedImage& image);
// The 32x32 4-bit image of an icon file, composited over `background`.
bool DecodeIcon(const unsigned char* data, size_t size, uint32_t background, DecodedImage& image);

// A caption without its "&" markers; the letter after the marker (its byte
// range in the result) is the one to underline, start -1 when there is none.
std::string StripAccessMarker(std::string_view caption, int32_t& underlineStart,
                              int32_t& underlineLength);

// The face the backend draws `utf8` with for a layout's font name, and
// whether it has a glyph for every character; false without a display.
bool ResolveFont(const std::string& family, int32_t pixelSize, const std::string& utf8,
                 std::string& resolved, bool& covers);

}  // namespace x11
}  // namespace morumoru::platform
