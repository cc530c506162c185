// Engine steps per second at speed 1 (two pump calls per step) through the
// real loop over the real Win32 backend, beside a bare loop: SetWindowPos of
// a 335x300 child by one pixel, InvalidateRect, UpdateWindow, the child
// painting a bitmap held by the system, in the same window tree as the
// saver's (a black top-most window over the screen, the panel, the black
// square below it). Runs under Wine. Both sides are built once and shown in
// turn, in slices of a quarter second, so that both see the same load on a
// shared machine.
//
//   win32_steps [seconds per side and run, default 2] [runs, default 3] [real|bare]
//
// With "real" or "bare" only that side runs (for strace and the like).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "alternating_sides.h"
#include "bench_table.h"
#include "forms/application.h"
#include "platform/native.h"
#include "saver/saver_window.h"

namespace morumoru {
namespace {

using bench::Clock;
using bench::Side;

class RealSide : public Side {
 public:
  RealSide() {
    os_ = platform::CreateNativeOsServices();
    windows_ = platform::CreateNativeWindowSystem(platform::LaunchMode::kSaver);
    app_ = std::make_unique<TApplication>(*windows_, *os_);
    app_->SetTitle("morumoru");
    app_->AddForm(saver_);
    saver_->speed = 1;  // 1 ** power + 1: two pump calls per step
    IdleHandler effect = app_->idleHandler;
    app_->idleHandler = [this, effect](TApplication& sender, bool& idleDone) {
      ++steps_;
      effect(sender, idleDone);
    };
  }
  ~RealSide() override { app_.reset(); }
  void Show() override {
    saver_->Show();
    for (int i = 0; i < 20; ++i) app_->LoopTurn();
  }
  void Hide() override {
    saver_->Hide();
    app_->PumpMessages();
  }
  long Run(Clock::time_point end) override {
    steps_ = 0;
    while (!app_->QuitSeen() && Clock::now() < end) app_->LoopTurn();
    GdiFlush();
    if (app_->QuitSeen()) std::fputs("win32_steps: the saver ended during the run\n", stderr);
    return steps_;
  }

 private:
  std::unique_ptr<platform::OsServices> os_;
  std::unique_ptr<platform::WindowSystem> windows_;
  std::unique_ptr<TApplication> app_;
  Tmorumoru* saver_ = nullptr;
  long steps_ = 0;
};

HDC pictureDc = nullptr;

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    BitBlt(dc, 0, 0, 335, 300, pictureDc, 0, 0, SRCCOPY);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class BareSide : public Side {
 public:
  BareSide() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW top{};
    top.cbSize = sizeof top;
    top.lpfnWndProc = DefWindowProcW;
    top.hInstance = instance;
    top.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    top.lpszClassName = L"BareTop";
    RegisterClassExW(&top);
    WNDCLASSEXW panel = top;
    panel.lpfnWndProc = PanelProc;
    panel.hbrBackground = nullptr;
    panel.lpszClassName = L"BarePanel";
    RegisterClassExW(&panel);

    std::vector<DWORD> pixels(335 * 300);
    for (int y = 0; y < 300; ++y) {
      for (int x = 0; x < 335; ++x) {
        pixels[y * 335 + x] = (x * 255 / 335) << 16 | (y * 255 / 300) << 8 | 0x40;
      }
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 335;
    info.bmiHeader.biHeight = -300;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(screen, 335, 300);
    SetDIBits(screen, bitmap_, 0, 300, pixels.data(), &info, DIB_RGB_COLORS);
    pictureDc = CreateCompatibleDC(screen);
    previous_ = SelectObject(pictureDc, bitmap_);
    ReleaseDC(nullptr, screen);

    width_ = GetSystemMetrics(SM_CXSCREEN);
    window_ =
        CreateWindowExW(WS_EX_TOPMOST, L"BareTop", L"bare", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                        width_, GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, nullptr);
    // The saver's window tree: the panel, and below it the black square.
    child_ = CreateWindowExW(0, L"BarePanel", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x_,
                             8, 335, 300, window_, nullptr, instance, nullptr);
    CreateWindowExW(0, L"BareTop", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 232, 120, 105,
                    105, window_, nullptr, instance, nullptr);
  }
  ~BareSide() override {
    DestroyWindow(window_);
    SelectObject(pictureDc, previous_);
    DeleteDC(pictureDc);
    DeleteObject(bitmap_);
  }
  void Show() override {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    Drain();
  }
  void Hide() override {
    ShowWindow(window_, SW_HIDE);
    Drain();
  }
  long Run(Clock::time_point end) override {
    long steps = 0;
    while (Clock::now() < end) {
      x_ = x_ > width_ ? -335 : x_ + 1;
      SetWindowPos(child_, nullptr, x_, 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      InvalidateRect(child_, nullptr, FALSE);
      UpdateWindow(child_);
      ++steps;
    }
    GdiFlush();
    return steps;
  }

 private:
  static void Drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  HWND window_ = nullptr;
  HWND child_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  int width_ = 0;
  int x_ = 8;
};

}  // namespace
}  // namespace morumoru

int main(int argc, char** argv) {
  using namespace morumoru;
  double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  std::string only = argc > 3 ? argv[3] : "";
  if (seconds <= 0 || runs <= 0) {
    std::fputs("usage: win32_steps [seconds per side and run] [runs]\n", stderr);
    return 2;
  }
  RealSide real;
  BareSide bare;
  Side* sides[2] = {&real, &bare};
  std::vector<double> rate[2];
  for (int run = 0; run < runs; ++run) {
    auto runRate = bench::RunAlternating(sides, seconds, run, only);
    for (int s = 0; s < 2; ++s) rate[s].push_back(runRate[s]);
    std::printf("run %d: real %.0f steps/s; bare %.0f steps/s\n", run + 1, rate[0].back(),
                rate[1].back());
    std::fflush(stdout);
  }
  bench::PrintTable("Win32 (Wine): engine steps per second at speed 1 (median of " +
                        std::to_string(runs) + " runs)",
                    "steps/s",
                    {{"real loop (app.LoopTurn)", bench::Median(rate[0]),
                      "SetWindowPos+InvalidateRect+UpdateWindow", bench::Median(rate[1])}});
  return 0;
}
