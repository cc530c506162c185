#include "saver/monitor_covers.h"

#include <gtest/gtest.h>

#include <vector>

namespace morumoru {
namespace {

using platform::Rect;

bool Holds(const Rect& rect, int32_t x, int32_t y) {
  return x >= rect.left && x < rect.left + rect.width && y >= rect.top &&
         y < rect.top + rect.height;
}

// Every point of every monitor is either on the primary one or under a
// cover, and no cover reaches onto the primary one: checked at every pixel
// of a few layouts, small ones so that every pixel can be looked at.
TEST(CoverRects, HideEveryOtherMonitorAndNothingOfThePrimary) {
  const std::vector<std::vector<Rect>> layouts = {
      {{0, 0, 40, 30}, {40, 0, 50, 40}},                     // side by side, taller
      {{0, 0, 40, 30}, {-30, -20, 30, 20}},                  // above left, negative
      {{0, 0, 40, 30}, {0, 0, 40, 36}},                      // a larger mirror
      {{0, 0, 40, 30}, {30, 20, 25, 25}},                    // overlapping a corner
      {{0, 0, 40, 30}, {-5, -5, 50, 40}},                    // around the primary
      {{10, 10, 20, 20}, {0, 0, 50, 15}, {0, 25, 50, 15}},   // primary not at 0, 0
      {{0, 0, 40, 30}, {40, 0, 40, 30}, {80, -10, 20, 50}},  // three in a row
  };
  for (const std::vector<Rect>& monitors : layouts) {
    std::vector<Rect> covers = CoverRects(monitors);
    const Rect& primary = monitors.front();
    for (const Rect& cover : covers) {
      EXPECT_GT(cover.width, 0);
      EXPECT_GT(cover.height, 0);
    }
    for (const Rect& monitor : monitors) {
      for (int32_t y = monitor.top; y < monitor.top + monitor.height; ++y) {
        for (int32_t x = monitor.left; x < monitor.left + monitor.width; ++x) {
          int under = 0;
          for (const Rect& cover : covers) under += Holds(cover, x, y) ? 1 : 0;
          if (Holds(primary, x, y)) {
            ASSERT_EQ(under, 0) << "a cover over the show at " << x << "," << y;
          } else {
            ASSERT_GE(under, 1) << "uncovered at " << x << "," << y << " in layout of "
                                << monitors.size() << " starting " << monitor.left;
          }
        }
      }
    }
  }
}

TEST(CoverRects, OneWholeCoverPerMonitorBesideThePrimary) {
  EXPECT_TRUE(CoverRects({}).empty());
  EXPECT_TRUE(CoverRects({{0, 0, 1024, 768}}).empty()) << "one monitor: nothing to cover";
  EXPECT_EQ(CoverRects({{0, 0, 1024, 768}, {1024, 0, 1280, 1024}, {-1920, -300, 1920, 1080}}),
            (std::vector<Rect>{{1024, 0, 1280, 1024}, {-1920, -300, 1920, 1080}}));
}

TEST(CoverRects, MirrorsOfThePrimaryNeedNoneOrOnlyTheirRim) {
  EXPECT_TRUE(CoverRects({{0, 0, 1920, 1080}, {0, 0, 1920, 1080}}).empty());
  EXPECT_TRUE(CoverRects({{0, 0, 1920, 1080}, {0, 0, 1024, 768}}).empty())
      << "a smaller mirror shows a part of the show";
  EXPECT_EQ(CoverRects({{0, 0, 1920, 1080}, {0, 0, 1920, 1200}}),
            (std::vector<Rect>{{0, 1080, 1920, 120}}));
}

TEST(CoverRects, EqualPartsAreCoveredOnceAndEmptyMonitorsNot) {
  EXPECT_EQ(CoverRects({{0, 0, 800, 600}, {800, 0, 800, 600}, {800, 0, 800, 600}}),
            (std::vector<Rect>{{800, 0, 800, 600}}));
  EXPECT_TRUE(CoverRects({{0, 0, 800, 600}, {800, 0, 0, 600}, {800, 0, 800, -1}}).empty());
}

}  // namespace
}  // namespace morumoru
