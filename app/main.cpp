#include "app/startup.h"
#include "platform/native.h"

int main() {
  auto platform = morumoru::platform::CreateNativePlatform();
  morumoru::platform::Install(platform.get());
  int code = morumoru::RunProgram(*platform);
  morumoru::platform::Install(nullptr);
  return code;
}
