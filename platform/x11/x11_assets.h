#pragma once
// The pictures and the dialog icon, built into the program (see
// assets/embed_native.cmake).

#include <cstddef>

namespace morumoru::platform::x11 {

struct Blob {
  const unsigned char* data = nullptr;
  size_t size = 0;
};

Blob EmbeddedPicture(int index);  // 0 to 8: the BMP file
Blob EmbeddedDialogIcon();        // the ICO file

}  // namespace morumoru::platform::x11
