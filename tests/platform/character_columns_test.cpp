#include "platform/character_columns.hpp"

#include <gtest/gtest.h>

namespace qb {
namespace {

TEST(CharacterColumns, Utf8CharactersAndStrayBytesAreOneColumnEach) {
  const std::string word = "\u00C1\u00E489-06";  // 7 characters, 9 bytes
  EXPECT_EQ(column_count(word), 7u);
  EXPECT_EQ(bytes_of_columns(word, 2), 4u);
  EXPECT_EQ(fixed_columns(word, 8), word + " ");
  EXPECT_EQ(fixed_columns(word, 1), "\u00C1");
  EXPECT_EQ(columns_of(word, 1, 3), "\u00E489");
  EXPECT_EQ(columns_of(word, 9, 3), "");
  EXPECT_EQ(single_byte_columns(word), "??89-06");
  EXPECT_EQ(column_count("\u20AC\U0001F332"), 2u);  // three and four bytes
  // Bytes that do not form a valid sequence (a Latin-1 letter, a lone
  // continuation byte, an overlong form, a surrogate, a sequence cut short)
  // count one column each.
  for (const std::string stray : {"\xC1", "\x80", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82"}) {
    EXPECT_EQ(column_count(stray), stray.size()) << stray;
    EXPECT_EQ(fixed_columns(stray + "abc", stray.size() + 1), stray + "a");
  }
  std::string title = "\u00C1bc";
  replace_columns(title, 1, 2, "XYZ");
  EXPECT_EQ(title, "\u00C1XY");
  replace_columns(title, 5, 2, "\u00E4");
  EXPECT_EQ(title, "\u00C1XY  \u00E4 ");
}

}  // namespace
}  // namespace qb
