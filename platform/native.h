#pragma once
// The real window system of this build (Win32 or X11).

#include <memory>

#include "platform/platform.h"

namespace morumoru::platform {

std::unique_ptr<Platform> CreateNativePlatform();

}  // namespace morumoru::platform
