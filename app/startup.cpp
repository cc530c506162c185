#include "app/startup.h"

#include <cstdio>

#include "dialog/settings_dialog.h"
#include "errors/exceptions.h"
#include "forms/application.h"
#include "saver/saver_window.h"

namespace morumoru {

namespace {

// Steps over one whole character, so that no byte of a multi-byte character
// is taken for a blank or a quote. Only continuation bytes are taken along: a
// broken sequence never swallows a blank, a quote or the end.
const char* NextChar(const char* p) {
  unsigned char c = static_cast<unsigned char>(*p);
  if (c == 0) return p;
  int length = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  int i = 1;
  while (i < length && (static_cast<unsigned char>(p[i]) & 0xC0) == 0x80) ++i;
  return p + i;
}

bool IsBlank(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 1 && u <= 32;
}

const char* NextToken(const char* p, std::string& token) {
  token.clear();
  while (true) {
    while (IsBlank(*p)) p = NextChar(p);
    if (p[0] == '"' && p[1] == '"') {
      p += 2;
    } else {
      break;
    }
  }
  while (static_cast<unsigned char>(*p) > 32) {
    if (*p == '"') {
      p = NextChar(p);
      while (*p != 0 && *p != '"') {
        const char* next = NextChar(p);
        token.append(p, next);
        p = next;
      }
      if (*p != 0) p = NextChar(p);
    } else {
      const char* next = NextChar(p);
      token.append(p, next);
      p = next;
    }
  }
  return p;
}

}  // namespace

std::string FirstArgument(std::string_view commandLine) {
  std::string text(commandLine);  // the scan relies on a terminating zero
  std::string token;
  const char* p = NextToken(text.c_str(), token);
  if (token.empty()) return {};
  NextToken(p, token);
  return token;
}

platform::LaunchMode LaunchModeOf(std::string_view commandLine) {
  std::string head = FirstArgument(commandLine).substr(0, 2);
  return head == "-c" || head == "/c" ? platform::LaunchMode::kConfiguration
                                      : platform::LaunchMode::kSaver;
}

std::optional<std::string> InformationRequested(std::string_view commandLine) {
  std::string first = FirstArgument(commandLine);
  if (first == "--version") return std::string("morumoru " MORUMORU_VERSION "\n");
  if (first != "--help" && first != "-h") return std::nullopt;
  return "Usage: morumoru [/s | /c | /p | -root | -window-id ID] [-speed N] [-power N]\n"
         "A picture slides across a black screen; a key, a click or a mouse move ends it.\n"
         "\n"
         "  (nothing), /s    the saver, full screen\n"
         "  /c               the settings dialog\n"
         "  /p               the preview: full screen as well\n"
         "  -root            draw on the root window (for xscreensaver)\n"
         "  -window-id ID    draw inside window ID, decimal or 0x hexadecimal; so does\n"
         "                   the window named in XSCREENSAVER_WINDOW with -root\n"
         "  -speed N         speed for this run only: 1 (fast) to 7 (slow)\n"
         "  -power N         exponent of the pause after each step, for this run only\n"
         "  -h, --help       this text\n"
         "  --version        the version\n"
         "\n"
         "Settings: morumoru.ini beside the program when its folder can be written,\n"
         "else ~/.config/morumoru/morumoru.ini ($XDG_CONFIG_HOME when set),\n"
         "section [moruscr], keys speed (default 5) and power (default 6).\n";
}

std::string LastChanceText(const std::exception& error, platform::OsServices& os) {
  const auto* own = dynamic_cast<const Exception*>(&error);
  uint32_t offset = 0;
  std::string module = os.ModuleOfAddress(own ? own->Address() : nullptr, offset);
  char address[16];
  (void)std::snprintf(address, sizeof address, "%08X", static_cast<unsigned>(offset));
  std::string text = own ? own->ClassName() : "Exception";
  text += " がモジュール " + module + " の " + address + " で発生しました。\r\n";
  // Unlike the error box, any last character but "." gets one.
  std::string message = error.what();
  if (!message.empty() && message.back() != '.') message += '.';
  text += message + "\r\n";
  return text;
}

int RunProgram(platform::WindowSystem& windows, platform::OsServices& os,
               platform::LaunchMode mode) {
  TApplication application(windows, os);
  try {
    if (windows.ActivateRunningCopy(kApplicationTitle)) return 0;
    application.SetTitle(kApplicationTitle);
    Tmorusub* settingsDialog = nullptr;
    application.AddForm(settingsDialog);
    if (mode != platform::LaunchMode::kConfiguration) {
      application.DestroyForm(*settingsDialog);
      Tmorumoru* saver = nullptr;
      application.AddForm(saver);
    }
    application.RunMessageLoop();
  } catch (const std::exception& error) {
    windows.ShowBox(platform::kNoWindow, LastChanceText(error, os), "アプリケーション エラー",
                    platform::BoxKind::kTaskModalError);
    application.DestroyForms();
    return 1;
  }
  application.DestroyForms();
  return 0;
}

}  // namespace morumoru
