// number_test.cpp: how numbers are held and how doubles are written.
#include "json/number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace zt::json {
namespace {

TEST(ClassifyNumber, IntegersWithinSixtyFourBits) {
  const auto zero = classify_number("0");
  ASSERT_TRUE(zero);
  EXPECT_EQ(zero->kind, Number::Kind::kUnsigned);
  EXPECT_EQ(zero->u, 0u);

  const auto max = classify_number("18446744073709551615");
  ASSERT_TRUE(max);
  EXPECT_EQ(max->kind, Number::Kind::kUnsigned);
  EXPECT_EQ(max->u, std::numeric_limits<std::uint64_t>::max());

  const auto minus_one = classify_number("-1");
  ASSERT_TRUE(minus_one);
  EXPECT_EQ(minus_one->kind, Number::Kind::kSigned);
  EXPECT_EQ(minus_one->i, -1);

  const auto min = classify_number("-9223372036854775808");
  ASSERT_TRUE(min);
  EXPECT_EQ(min->kind, Number::Kind::kSigned);
  EXPECT_EQ(min->i, std::numeric_limits<std::int64_t>::min());
}

TEST(ClassifyNumber, EverythingElseIsADouble) {
  struct Case {
    const char* token;
    double value;
  };
  const Case cases[] = {
      {"-0", -0.0},
      {"7.0", 7.0},
      {"1e2", 100.0},
      {"18446744073709551616", 18446744073709551616.0},
      {"-9223372036854775809", -9223372036854775809.0},
      {"1E-2", 0.01},
      {"1e-400", 0.0},
      {"-1e-400", -0.0},
      {"0e400", 0.0},
      {"1.7976931348623157e308", std::numeric_limits<double>::max()},
  };
  for (const Case& c : cases) {
    const auto number = classify_number(c.token);
    ASSERT_TRUE(number) << c.token;
    EXPECT_EQ(number->kind, Number::Kind::kDouble) << c.token;
    EXPECT_EQ(number->d, c.value) << c.token;
    EXPECT_EQ(std::signbit(number->d), std::signbit(c.value)) << c.token;
  }
}

TEST(ClassifyNumber, BeyondTheDoubleRange) {
  for (const std::string& token :
       {std::string("1e400"), std::string("-1e400"), std::string("1.8e308"), std::string(400, '7'),
        "0." + std::string(10, '0') + "1e400"}) {
    EXPECT_FALSE(classify_number(token)) << token;
  }
}

TEST(FormatDouble, ShortestDigitsInEachLayout) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {7.0, "7.0"},
      {1e2, "100.0"},
      {1e15, "1000000000000000.0"},
      {2.5, "2.5"},
      {-2.5, "-2.5"},
      {123.456, "123.456"},
      {0.1, "0.1"},
      {0.001, "0.001"},
      {0.00001, "0.00001"},
      {0.000001, "1e-6"},
      {1e-7, "1e-7"},
      {1e16, "1e16"},
      {1.5e300, "1.5e300"},
      {18446744073709551616.0, "1.8446744073709552e19"},
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      {5e-324, "5e-324"},
  };
  for (const Case& c : cases) EXPECT_EQ(format_double(c.value), c.text) << c.text;
}

}  // namespace
}  // namespace zt::json
