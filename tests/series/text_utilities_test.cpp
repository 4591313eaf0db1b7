#include "series/text_utilities.hpp"

#include <gtest/gtest.h>

namespace qb {
namespace {

TEST(TextUtilities, Blank) {
  std::string text = "abc";
  blank(text, 0);
  EXPECT_EQ(text, "abc");
  blank(text, 2);
  EXPECT_EQ(text, "  c");
}

TEST(TextUtilities, StringcleanSqueezesEveryBlank) {
  std::string text = "a b  c     ";
  stringclean(text);
  EXPECT_EQ(text, "abc        ");
  std::string name = " my site_out_v47b_batch.txt" + std::string(20, ' ');
  stringclean(name);
  EXPECT_EQ(name.substr(0, 25), "mysite_out_v47b_batch.txt");
}

TEST(TextUtilities, IntfrmLeftJustifiesAndCountsDigits) {
  std::string answer = "  42      ";
  EXPECT_EQ(intfrm(answer), "(i2)");
  EXPECT_EQ(answer, "42        ");
  answer = "   7";
  EXPECT_EQ(intfrm(answer), "(i1)");
  EXPECT_EQ(answer, "7         ");
  answer = "1234567890";
  EXPECT_EQ(intfrm(answer), "(i10)");
  EXPECT_EQ(answer, "1234567890");
}

}  // namespace
}  // namespace qb
