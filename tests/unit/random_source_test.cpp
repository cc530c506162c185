#include "saver/random_source.h"

#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"

namespace morumoru {
namespace {

// The state that the next generator step turns into `target`.
uint32_t Predecessor(uint32_t target) {
  uint32_t inverse = 134775813u;  // Newton's iteration for the inverse mod 2^32
  for (int i = 0; i < 5; ++i) inverse *= 2u - 134775813u * inverse;
  return (target - 1u) * inverse;
}

TEST(RandomInt, KnownSequenceFromZero) {
  RandomState = 0;
  const int32_t expected[] = {0, 3, 86, 20, 27};
  for (int32_t value : expected) EXPECT_EQ(RandomInt(100), value);

  RandomState = 0;
  EXPECT_EQ(RandomInt(8001), 0);
  EXPECT_EQ(RandomState, 1u);
}

TEST(RandomInt, ZeroOneAndNegativeRanges) {
  RandomState = 12345;
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(RandomInt(1), 0);
  uint32_t before = RandomState;
  EXPECT_EQ(RandomInt(0), 0);
  EXPECT_NE(RandomState, before) << "RandomInt(0) must still advance the state";

  RandomState = Predecessor(0xFFFFFFFFu);
  EXPECT_EQ(RandomInt(-60), -61);
  RandomState = Predecessor(0x80000000u);
  EXPECT_EQ(RandomInt(-60), 2147483618);  // 2^31 - 30
}

TEST(RandomInt, StaysInRangeForPositiveN) {
  RandomState = 7;
  for (int32_t n : {2, 3, 468, 689, 7001, 8001, 2147483647}) {
    for (int i = 0; i < 2000; ++i) {
      int32_t value = RandomInt(n);
      ASSERT_GE(value, 0);
      ASSERT_LT(value, n);
    }
  }
}

TEST(Reseed, UsesLowCounterBitsOrTicks) {
  platform::HeadlessPlatform headless;
  headless.counter = 0x1234'0000'0042ull;
  Reseed(headless);
  EXPECT_EQ(RandomState, 0x42u);
  int32_t first = RandomInt(1000);
  headless.counter = 0x9999'0000'0042ull;  // differs only above the low 32 bits
  Reseed(headless);
  EXPECT_EQ(RandomInt(1000), first);

  headless.counterWorks = false;
  headless.ticks = 777;
  Reseed(headless);
  EXPECT_EQ(RandomState, 777u);
}

}  // namespace
}  // namespace morumoru
