#pragma once
// How the running system spells paths: which characters end a folder name.

namespace morumoru::platform {

enum class PathStyle { Windows, Posix };

}  // namespace morumoru::platform
