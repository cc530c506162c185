// The Windows virtual-key code of each X keysym the program tells apart.

#include <X11/keysym.h>

#include "platform/x11/x11_backend.h"

namespace morumoru::platform::x11 {

uint16_t VirtualKeyFromKeysym(unsigned long keysym) {
  if (keysym >= XK_a && keysym <= XK_z) return static_cast<uint16_t>('A' + (keysym - XK_a));
  if (keysym >= XK_A && keysym <= XK_Z) return static_cast<uint16_t>('A' + (keysym - XK_A));
  if (keysym >= XK_0 && keysym <= XK_9) return static_cast<uint16_t>('0' + (keysym - XK_0));
  if (keysym >= XK_F1 && keysym <= XK_F24) return static_cast<uint16_t>(0x70 + (keysym - XK_F1));
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
    return static_cast<uint16_t>(0x60 + (keysym - XK_KP_0));
  switch (keysym) {
    case XK_BackSpace:
      return vk::kBack;
    case XK_Tab:
    case XK_ISO_Left_Tab:
      return vk::kTab;
    case XK_Clear:
    case XK_KP_Begin:
      return 0x0C;
    case XK_Return:
    case XK_KP_Enter:
      return vk::kReturn;
    case XK_Shift_L:
    case XK_Shift_R:
      return vk::kShift;
    case XK_Control_L:
    case XK_Control_R:
      return vk::kControl;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift:
      return vk::kMenu;
    case XK_Pause:
      return 0x13;
    case XK_Caps_Lock:
      return 0x14;
    case XK_Escape:
      return vk::kEscape;
    case XK_space:
    case XK_KP_Space:
      return vk::kSpace;
    case XK_Prior:
    case XK_KP_Prior:
      return vk::kPrior;
    case XK_Next:
    case XK_KP_Next:
      return vk::kNext;
    case XK_End:
    case XK_KP_End:
      return vk::kEnd;
    case XK_Home:
    case XK_KP_Home:
      return vk::kHome;
    case XK_Left:
    case XK_KP_Left:
      return vk::kLeft;
    case XK_Up:
    case XK_KP_Up:
      return vk::kUp;
    case XK_Right:
    case XK_KP_Right:
      return vk::kRight;
    case XK_Down:
    case XK_KP_Down:
      return vk::kDown;
    case XK_Print:
      return 0x2C;
    case XK_Insert:
    case XK_KP_Insert:
      return 0x2D;
    case XK_Delete:
    case XK_KP_Delete:
      return 0x2E;
    case XK_Super_L:
      return 0x5B;
    case XK_Super_R:
      return 0x5C;
    case XK_Menu:
      return 0x5D;
    case XK_KP_Multiply:
      return 0x6A;
    case XK_KP_Add:
      return 0x6B;
    case XK_KP_Separator:
      return 0x6C;
    case XK_KP_Subtract:
      return 0x6D;
    case XK_KP_Decimal:
      return 0x6E;
    case XK_KP_Divide:
      return 0x6F;
    case XK_Num_Lock:
      return 0x90;
    case XK_Scroll_Lock:
      return 0x91;
    case XK_semicolon:
      return 0xBA;
    case XK_equal:
    case XK_plus:
      return 0xBB;
    case XK_comma:
      return 0xBC;
    case XK_minus:
      return 0xBD;
    case XK_period:
      return 0xBE;
    case XK_slash:
      return 0xBF;
    case XK_grave:
      return 0xC0;
    case XK_bracketleft:
      return 0xDB;
    case XK_backslash:
    case XK_yen:
      return 0xDC;
    case XK_bracketright:
      return 0xDD;
    case XK_apostrophe:
      return 0xDE;
    case XK_Muhenkan:
      return 0x1D;
    case XK_Henkan:
      return 0x1C;
    case XK_Zenkaku_Hankaku:
      return 0xF3;
    default:
      break;
  }
  return 0xFF;  // a key Windows has no code for; it still counts as a key
}

}  // namespace morumoru::platform::x11
