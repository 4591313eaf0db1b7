#include "platform/free_form.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace qb {
namespace {

TEST(FreeForm, RealsConvertWholeOrNotAtAll) {
  float f = 0.0f;
  EXPECT_TRUE(parse_free_real("0.42", f));
  EXPECT_EQ(f, 0.42f);
  EXPECT_TRUE(parse_free_real("+1.5", f));
  EXPECT_EQ(f, 1.5f);
  EXPECT_TRUE(parse_free_real("-.5e1", f));
  EXPECT_EQ(f, -5.0f);
  EXPECT_TRUE(parse_free_real("1.5d2", f));
  EXPECT_EQ(f, 150.0f);
  EXPECT_TRUE(parse_free_real("1e-45", f));
  EXPECT_GT(f, 0.0f);
  EXPECT_TRUE(parse_free_real("3.4028234e38", f));  // the largest float
  // Values beyond float and the words of non-finite values never read: an
  // infinity among the data would make every chronology value NaN.
  for (const char* bad : {"NA", "1.5x", "+-1", "1e", "--1", "", ".", "1e40", "-1e40", "+1e39", "3.5e38", "inf",
                          "-inf", "nan", "Infinity", "1d400"}) {
    f = 7.0f;
    EXPECT_FALSE(parse_free_real(bad, f)) << bad;
    EXPECT_EQ(f, 7.0f) << bad;
  }
  double d = 0.0;
  EXPECT_TRUE(parse_free_real("1e300", d));
  EXPECT_FALSE(parse_free_real("1e400", d));
  int i = 0;
  EXPECT_TRUE(parse_free_integer("+1771", i));
  EXPECT_EQ(i, 1771);
  EXPECT_FALSE(parse_free_integer("1771.0", i));
  EXPECT_TRUE(parse_free_integer("-2147483648", i));
  for (const char* bad : {"2147483648", "-2147483649", "99999999999999999999", "+-7", "+"}) {
    EXPECT_FALSE(parse_free_integer(bad, i)) << bad;
  }
}

}  // namespace
}  // namespace qb
