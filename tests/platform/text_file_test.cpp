#include "platform/text_file.hpp"

#include <gtest/gtest.h>

#include "tests/support/test_support.hpp"

namespace qb {
namespace {

std::vector<std::string> records_of(const std::string& text) {
  TextInput input = TextInput::from_text(text);
  std::vector<std::string> records;
  while (auto record = input.next_record()) records.push_back(*record);
  return records;
}

TEST(TextInput, RecordsEndAtLfCrlfOrALoneCr) {
  using Records = std::vector<std::string>;
  EXPECT_EQ(records_of("a\nb\r\nc\rd"), (Records{"a", "b", "c", "d"}));
  EXPECT_EQ(records_of("a\n\n\r\n\r"), (Records{"a", "", "", ""}));
  EXPECT_EQ(records_of("a\r\r\nb\n"), (Records{"a", "", "b"}));
  EXPECT_EQ(records_of(""), Records{});
  EXPECT_EQ(records_of("\n"), Records{""});
}

TEST(TextInput, FilesStepBackAndRewind) {
  testing::ScratchDirectory dir;
  testing::write_file(dir.file("f.txt"), "one\r\ntwo\r\nthree");
  auto input = TextInput::open(dir.file("f.txt"));
  ASSERT_TRUE(input);
  EXPECT_EQ(input->next_record(5), "one  ");
  EXPECT_EQ(input->next_record(2), "tw");
  input->back();
  EXPECT_EQ(input->next_record(), "two");
  EXPECT_EQ(input->next_record(), "three");
  EXPECT_FALSE(input->next_record());
  input->back();
  EXPECT_EQ(input->next_record(), "three");
  input->rewind();
  EXPECT_EQ(input->next_record(), "one");
  EXPECT_FALSE(TextInput::open(dir.file("missing.txt")));
}

}  // namespace
}  // namespace qb
