#include "platform/text_file.hpp"

#include <gtest/gtest.h>

#include "platform/free_form.hpp"
#include "platform/report_file.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

TEST(TextInput, RecordsEndAtLfCrlfOrLoneCr) {
  for (const char* text : {"a\nbb\n\nccc", "a\r\nbb\r\n\r\nccc\r\n", "a\rbb\r\rccc\r"}) {
    auto in = TextInput::from_text(text);
    EXPECT_EQ(in.record_count(), 4u) << text;
    EXPECT_EQ(in.next_record(), "a");
    EXPECT_EQ(in.next_record(4), "bb  ");
    EXPECT_EQ(in.next_record(), "");
    EXPECT_EQ(in.next_record(2), "cc");
    EXPECT_EQ(in.next_record(), std::nullopt);
  }
}

TEST(TextInput, MixedLineEndsAndBackAtTheEnd) {
  auto in = TextInput::from_text("a\r\r\nb\n");  // a lone CR, then CRLF
  EXPECT_EQ(in.record_count(), 3u);
  while (in.next_record()) {
  }
  in.back();  // after the end: the last record again
  EXPECT_EQ(in.next_record(), "b");
}

TEST(TextInput, BackAndRewind) {
  auto in = TextInput::from_text("1\n2\n3\n");
  in.back();  // nothing before the first record
  EXPECT_EQ(in.next_record(), "1");
  EXPECT_EQ(in.next_record(), "2");
  in.back();
  EXPECT_EQ(in.next_record(), "2");
  in.rewind();
  EXPECT_EQ(in.next_record(), "1");
  EXPECT_TRUE(TextInput::from_text("").at_end());
}

TEST(TextFiles, WriteReplaceDeleteAndEcho) {
  testing::ScratchDirectory dir;
  {
    auto out = TextOutput::create("f.txt");
    ASSERT_TRUE(out);
    out->write("(1x,a,i4)", "old", 1);
  }
  {
    auto out = TextOutput::create("f.txt");
    ReportFile report(std::move(*out));
    report.echo("(1x,'Mixed Case:',i3)", 5);
    report.write("(a)", "as is");
  }
  EXPECT_EQ(testing::read_file("f.txt"), " MIXED CASE:  5\nas is\n");
  {
    // More than the write buffer holds, then the open file replaced by
    // another one: both files are complete.
    auto big = TextOutput::create("big.txt");
    const std::string line = std::string(99, 'x') + "\n";
    for (int i = 0; i < 2000; ++i) big->put(line);
    *big = std::move(*TextOutput::create("h.txt"));
    big->write("(a)", "h");
  }
  EXPECT_EQ(testing::read_file("big.txt").size(), 200000u);
  EXPECT_EQ(testing::read_file("h.txt"), "h\n");
  auto gone = TextOutput::create("g.txt");
  gone->close_and_delete();
  EXPECT_FALSE(file_exists("g.txt"));
  EXPECT_FALSE(TextInput::open("missing.txt"));
  EXPECT_FALSE(file_can_be_created("no/such/folder/x.ps"));
  EXPECT_TRUE(file_can_be_created("x.ps"));
  EXPECT_FALSE(file_exists("x.ps"));
}

TEST(FreeForm, ValuesAcrossRecords) {
  EXPECT_EQ(split_free_form(" 'Year', HKT01A,,  \"a b\" 3"),
            (std::vector<std::string>{"Year", "HKT01A", "a b", "3"}));
  auto in = TextInput::from_text("1 2\n3\n4 5 6\n");
  FreeFormReader reader(in.supplier());
  EXPECT_EQ(reader.next_value(), "1");
  EXPECT_EQ(reader.next_value(), "2");
  EXPECT_EQ(reader.next_value(), "3");  // a list continues on the next record
  reader.end_list();
  EXPECT_EQ(reader.next_value(), "4");
  reader.end_list();  // the rest of the record is dropped
  EXPECT_EQ(reader.next_value(), std::nullopt);
  int i = 0;
  float f = 0;
  EXPECT_TRUE(parse_free_integer("+12", i));
  EXPECT_EQ(i, 12);
  EXPECT_FALSE(parse_free_integer("1.5", i));
  EXPECT_FALSE(parse_free_integer("NA", i));
  EXPECT_TRUE(parse_free_real("-9.9", f));
  EXPECT_FLOAT_EQ(f, -9.9f);
  EXPECT_TRUE(parse_free_real("1d2", f));
  EXPECT_FLOAT_EQ(f, 100.0f);
  EXPECT_FALSE(parse_free_real("NA", f));
  EXPECT_FALSE(parse_free_real("*******", f));
}

}  // namespace
}  // namespace qb
