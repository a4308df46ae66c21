#include <gtest/gtest.h>

#include <cmath>

#include "common/DecimalRound.h"

namespace zel::common {
namespace {

TEST(DecimalRound, CarriesDigitByDigitFromTheLastDecimal) {
  // 0.449 -> 0.45 -> 0.5 -> 1: each digit of 5 or more carries into the next.
  EXPECT_EQ(Round(0.449, 0), 1.0);
  EXPECT_EQ(Round(0.444, 0), 0.0);
  EXPECT_EQ(Round(2.5, 0), 3.0);
  EXPECT_EQ(Round(2.4, 0), 2.0);
  EXPECT_EQ(Round(1234.0, 0), 1234.0);
  EXPECT_EQ(Round(0.0, 3), 0.0);
}

TEST(DecimalRound, KeepsRequestedDecimalPlaces) {
  EXPECT_NEAR(Round(1.2345, 2), 1.24, 1e-12);  // 1.2345 -> 1.235 -> 1.24
  EXPECT_NEAR(Round(3.14159, 3), 3.142, 1e-12);
  EXPECT_NEAR(Round(7.0, 2), 7.0, 1e-12);
}

TEST(DecimalRound, NegativeValuesTruncateTowardsZero) {
  EXPECT_EQ(Round(-0.9, 0), 0.0);
  EXPECT_EQ(Round(-2.5, 0), -2.0);
  EXPECT_EQ(Round(-7.99, 0), -7.0);
  EXPECT_NEAR(Round(-1.239, 2), -1.23, 1e-12);
}

TEST(DecimalRound, ValuesAtOrBeyondTwoToTheFiftyThirdAreIntegral) {
  const double p53 = 9007199254740992.0;
  EXPECT_EQ(Round(p53, 0), p53);
  EXPECT_EQ(Round(p53 * 4, 0), p53 * 4);
  EXPECT_EQ(Round(-p53, 0), -p53);
  // Far beyond 64-bit integers the value comes back unchanged rather than overflowing.
  EXPECT_EQ(Round(1e30, 0), 1e30);
  EXPECT_EQ(Round(-1e30, 0), -1e30);
}

TEST(DecimalRound, TinyAndNonFiniteValuesDoNotOverflow) {
  EXPECT_EQ(Round(1e-300, 0), 0.0);
  EXPECT_EQ(Round(4.9e-324, 0), 0.0);
  EXPECT_TRUE(std::isnan(Round(NAN, 1)));
  EXPECT_TRUE(std::isinf(Round(INFINITY, 0)));
}

}  // namespace
}  // namespace zel::common
