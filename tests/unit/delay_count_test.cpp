#include "saver/delay_count.h"

#include <gtest/gtest.h>

#include <limits>

#include "errors/exceptions.h"

namespace morumoru {
namespace {

constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();

TEST(DelayCount, DialogSpeedsWithDefaultPower) {
  const int64_t expected[] = {2, 65, 730, 4097, 15626, 46657, 117650};
  for (int32_t speed = 1; speed <= 7; ++speed) {
    EXPECT_EQ(DelayCount(speed, 6), expected[speed - 1]) << "speed " << speed;
  }
}

TEST(DelayCount, SpecialCases) {
  struct Case {
    int32_t speed, power;
    int64_t count;
  };
  const Case cases[] = {
      {0, 0, 2},           {5, 0, 2},   {-9, 0, 2},      {0, 3, 1},          {-2, 3, 0},
      {-2, 2, 5},          {2, -1, 1},  {-2, -1, 1},     {3, -1, 1},         {1, -7, 2},
      {-1, -2, 2},         {-1, -3, 0}, {1, kMinInt, 2}, {2, kMinInt, 1},    {9, kMinInt, 1},
      {2, 30, 1073741825}, {-2, 31, 0}, {2, -16383, 1},  {1, 2147483647, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DelayCount(c.speed, c.power), c.count) << c.speed << " ** " << c.power;
  }
}

template <class E>
void ExpectError(int32_t speed, int32_t power, const char* message) {
  try {
    DelayCount(speed, power);
    ADD_FAILURE() << speed << " ** " << power << " raised nothing";
  } catch (const E& error) {
    EXPECT_STREQ(error.what(), message);
    EXPECT_NE(error.Address(), nullptr);
  } catch (const Exception& error) {
    ADD_FAILURE() << speed << " ** " << power << " raised " << error.ClassName();
  }
}

TEST(DelayCount, ErrorTable) {
  ExpectError<ERangeError>(7, 12, "範囲チェックエラー");
  ExpectError<ERangeError>(2, 31, "範囲チェックエラー");
  ExpectError<ERangeError>(2, 62, "範囲チェックエラー");
  ExpectError<ERangeError>(-2, 63, "範囲チェックエラー");  // -2^63 still fits 64 bits
  ExpectError<EInvalidOp>(2, 63, "不正な浮動小数点数演算命令");
  ExpectError<EInvalidOp>(2, 16383, "不正な浮動小数点数演算命令");
  ExpectError<EOverflow>(2, 16384, "浮動小数点数のオーバーフロー");
  ExpectError<EOverflow>(10, -5000, "浮動小数点数のオーバーフロー");
  ExpectError<EZeroDivide>(0, -1, "0 による浮動小数点数除算");
  ExpectError<EZeroDivide>(0, kMinInt, "0 による浮動小数点数除算");
  ExpectError<EInvalidOp>(-1, kMinInt, "不正な浮動小数点数演算命令");
}

TEST(DelayCount, ErrorsLeaveNoTrace) {
  EXPECT_THROW(DelayCount(2, 16384), EOverflow);
  EXPECT_THROW(DelayCount(0, -1), EZeroDivide);
  EXPECT_EQ(DelayCount(3, 3), 28);
  EXPECT_EQ(DelayCount(2, -1), 1);  // 0.5 still rounds to even
}

}  // namespace
}  // namespace morumoru
