#pragma once
// Painting the backend's windows, and the pictures they show: decoded from
// the embedded files into server-side pixmaps, so that drawing one is a copy
// inside the server.

#include <X11/Xlib.h>

#include <vector>

#include "platform/window_system.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_window_record.h"

namespace morumoru::platform::x11 {

class Painter {
 public:
  explicit Painter(Connection& x) : x_(x) {}
  ~Painter();
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  // x11_pictures.cpp
  PictureId LoadPicture(int index);
  bool Holds(PictureId picture) const;
  void FreePicture(PictureId picture);
  // The panel shows `picture` (kNoPicture: none) from now on.
  void ShowPicture(WindowRecord& panel, PictureId picture);

  // x11_painter.cpp
  // The whole window: a panel's picture, or a control.
  void Paint(WindowRecord& win, bool focused);
  void PaintWidget(WindowRecord& win, bool focused);
  void PaintPanel(const WindowRecord& panel);
  // After a move of the panel inside a parent of `parentInside` size.
  void PaintPanelComingIntoView(const WindowRecord& panel, const Rect& before, Size parentInside);
  void FitPanelBackground(const WindowRecord& panel);
  static bool PanelFilledByServer(const WindowRecord& panel);

 private:
  struct Picture {
    Pixmap pixmap;
    Size size;
    int pending;  // the embedded picture still to be put into the pixmap, or -1
  };
  void FillPicture(Picture& picture);
  Pixmap MakePixmap(const DecodedImage& image);
  void PutPixels(Pixmap pixmap, const DecodedImage& image);
  // The dialog icon's pixmap, made at its first paint.
  Pixmap DialogIcon(Size& size);
  void CopyPanelPart(const WindowRecord& panel, int32_t x, int32_t y, int32_t width,
                     int32_t height);

  Connection& x_;
  std::vector<Picture> pictures_;
  Pixmap iconPixmap_ = 0;
  Size iconSize_;
};

}  // namespace morumoru::platform::x11
