#pragma once
// Black covers over the monitors besides the primary one, while the saver
// shows: nothing of the desktop stays readable on them. Input on a cover is
// input on the saver's black background, handed to the saver form in its
// own client coordinates; so the first-move latch is one for every monitor,
// and a move from one monitor to another ends the saver.

#include <vector>

#include "forms/form.h"
#include "platform/window_system.h"

namespace morumoru {

// What the covers must hide, in screen coordinates: every monitor after the
// first (the primary one, where the show runs) without the part the primary
// monitor takes. A mirror of the primary monitor needs nothing, a larger
// one only the rim beyond it. Each part is listed once.
std::vector<platform::Rect> CoverRects(const std::vector<platform::Rect>& monitors);

class MonitorCovers : public platform::WindowEvents {
 public:
  explicit MonitorCovers(TForm& saver);
  ~MonitorCovers();
  MonitorCovers(const MonitorCovers&) = delete;
  MonitorCovers& operator=(const MonitorCovers&) = delete;

  // Covers what the monitors need now: new covers made and shown first,
  // then those no longer needed destroyed, so that no moment leaves a gap.
  // Covers still right are kept as they are.
  void Follow();
  void Remove();
  std::vector<platform::WindowId> Windows() const;

  void HandleEvent(const platform::Event& event) noexcept override;

 private:
  struct Cover {
    platform::Rect bounds;
    platform::WindowId window = platform::kNoWindow;
  };

  TForm& saver_;
  platform::WindowSystem& windows_;
  std::vector<Cover> covers_;
};

}  // namespace morumoru
