#include "settings/parse_integer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace morumoru {
namespace {

struct Case {
  std::string_view text;
  int32_t expected;
};

void ExpectAll(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(ParseInteger(c.text, 5), c.expected) << "text \"" << c.text << "\"";
  }
}

TEST(ParseIntegerTest, Decimal) {
  ExpectAll({{"7", 7},
             {"   7", 7},
             {"+7", 7},
             {"-3", -3},
             {"007", 7},
             {"0", 0},
             {"-0", 0},
             {"2147483647", 2147483647},
             {"-2147483648", INT32_MIN},
             {"000000000002147483647", 2147483647}});
}

// Everything here gives the default: out of range, malformed, or trailing text.
TEST(ParseIntegerTest, RejectedGivesDefault) {
  for (std::string_view text : {"2147483648", "-2147483649", "99999999999999999999",
                                "$100000000", "0x1FFFFFFFF", "7 ",
                                "1.5",        "7a",          "$",
                                "0x",         "-",           "",
                                " ",          "+",           "\t7",
                                "- 7",        "+-7",         "--7",
                                "00x1",       "0x-1",        "$$1",
                                "0x1G",       "-x"}) {
    EXPECT_EQ(ParseInteger(text, 5), 5) << "text \"" << text << "\"";
  }
}

TEST(ParseIntegerTest, HexMarkersAndTwosComplement) {
  ExpectAll({{"0x1F", 31},
             {"x1F", 31},
             {"$1f", 31},
             {"X1f", 31},
             {"0X1f", 31},
             {"-0x10", -16},
             {"$FFFFFFFF", -1},
             {"-$FFFFFFFF", 1},
             {"$80000000", INT32_MIN},
             {"-$80000000", INT32_MIN},
             {"$0000000000FF", 255},
             {"  +$7fffffff", 2147483647}});
}

}  // namespace
}  // namespace morumoru
