#pragma once
// Drawing: the slide pictures, held as screen-ready bitmaps in memory DCs,
// and the paint handlers of the windows the backend draws itself.

#include <windows.h>

namespace morumoru::platform::win32 {

// A picture kept selected into its own memory DC, so a paint is one BitBlt.
struct Picture {
  HBITMAP bitmap = nullptr;
  HDC dc = nullptr;
  HGDIOBJ previous = nullptr;
  int width = 0;
  int height = 0;
};

// The BITMAP resource PICTURE<index> of the executable; null when absent.
Picture* LoadPictureResource(HINSTANCE instance, int index);
void FreePictureResource(Picture* picture);
// A panel may still name a picture the program has freed: it then paints
// black instead of drawing from a deleted DC.
bool IsLivePicture(const Picture* picture);

// The picture 1:1 at the top-left, black wherever it does not reach; no
// picture: all black.
void PaintPanel(HWND window, const Picture* picture);
// The icon at its natural 32 x 32 over the window's background.
void PaintIcon(HWND window, HICON icon);

}  // namespace morumoru::platform::win32
