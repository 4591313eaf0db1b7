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
  EXPECT_TRUE(parse_free_real("1e40", f));  // beyond float: infinity, as strtof gives
  EXPECT_TRUE(std::isinf(f));
  EXPECT_TRUE(parse_free_real("1e-45", f));
  EXPECT_GT(f, 0.0f);
  for (const char* bad : {"NA", "1.5x", "+-1", "1e", "--1", "", "."}) EXPECT_FALSE(parse_free_real(bad, f)) << bad;
  int i = 0;
  EXPECT_TRUE(parse_free_integer("+1771", i));
  EXPECT_EQ(i, 1771);
  EXPECT_FALSE(parse_free_integer("1771.0", i));
}

}  // namespace
}  // namespace qb
