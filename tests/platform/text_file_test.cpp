#include "platform/text_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/free_form.hpp"
#include "platform/report_file.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

TEST(TextInput, RecordsEndAtLfCrlfOrLoneCr) {
  // The last text opens with a UTF-8 byte order mark, which is no text.
  for (const char* text : {"a\nbb\n\nccc", "a\r\nbb\r\n\r\nccc\r\n", "a\rbb\r\rccc\r", "\xEF\xBB\xBF" "a\nbb\n\nccc"}) {
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
  // Line numbers as an editor shows them: CR CR LF makes an empty record
  // that is no line.
  const auto crcrlf = TextInput::from_text("a\r\r\nb\r\r\n\nc");
  const std::size_t lines[] = {1, 1, 2, 2, 3, 4};
  for (std::size_t r = 0; r < 6; ++r) {
    EXPECT_EQ(crcrlf.line_number(r), lines[r]) << r;
    EXPECT_EQ(crcrlf.is_line(r), r != 1 && r != 3) << r;
  }
  EXPECT_EQ(crcrlf.line_number(99), 4u);
  // So do CR CR CR LF; a lone CR before text ends a line.
  const auto crcrcrlf = TextInput::from_text("a\r\r\r\nb\r\rc\n");
  const std::size_t more[] = {1, 1, 1, 2, 3, 4};
  for (std::size_t r = 0; r < 6; ++r) EXPECT_EQ(crcrcrlf.line_number(r), more[r]) << r;
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

// A full disk is /dev/full under the file's name; a folder in its place
// cannot be created even by root, who may write read-only files.
TEST(TextFiles, EveryFailureNamesTheFileAndTheReason) {
  testing::ScratchDirectory dir;
  std::filesystem::create_symlink("/dev/full", "full.txt");
  std::filesystem::create_directory("folder.txt");
  const auto message_of = [](const std::function<void()>& action) {
    try {
      action();
    } catch (const OutputFileError& error) {
      return std::string(error.what());
    }
    return std::string("no error");
  };

  EXPECT_EQ(message_of([] { TextOutput::create_or_throw("folder.txt"); }),
            "Cannot create folder.txt: Is a directory");
  EXPECT_EQ(message_of([] { TextOutput::create_or_throw("no/such/x.txt"); }),
            "Cannot create no/such/x.txt: No such file or directory");
  EXPECT_FALSE(TextOutput::create("folder.txt"));

  // A short text waits in the buffer: the close finds the full disk.
  TextOutput out = TextOutput::create_or_throw("full.txt");
  out.write("(a)", "site");
  EXPECT_EQ(message_of([&] { out.close(); }), "Cannot write full.txt: No space left on device");
  EXPECT_FALSE(out.is_open());
  EXPECT_EQ(message_of([&] { out.close(); }), "no error");
  // A long one meets it at once; the file is closed after the first failure.
  out = TextOutput::create_or_throw("full.txt");
  EXPECT_EQ(message_of([&] { out.put(std::string(1 << 20, 'x')); }), "Cannot write full.txt: No space left on device");
  EXPECT_FALSE(out.is_open());
  {
    ReportFile report(TextOutput::create_or_throw("full.txt"));
    report.echo("(1x,'Lost')");
    EXPECT_EQ(message_of([&] { report.close(); }), "Cannot write full.txt: No space left on device");
  }

  // A file that a stop leaves open is closed by its destructor, which cannot
  // throw: its failure waits to be told at the program's end, once.
  EXPECT_EQ(take_unreported_output_failure(), std::nullopt);
  {
    TextOutput left_open = TextOutput::create_or_throw("full.txt");
    left_open.put("text");
    TextOutput second = TextOutput::create_or_throw("full.txt");
    second.put("more");
  }
  EXPECT_EQ(take_unreported_output_failure(), "Cannot write full.txt: No space left on device");
  EXPECT_EQ(take_unreported_output_failure(), std::nullopt);
  // A written file keeps every byte, and closing it twice is harmless.
  TextOutput whole = TextOutput::create_or_throw("whole.txt");
  const std::string big(200000, 'y');
  whole.put(big);
  whole.close();
  whole.close();
  EXPECT_EQ(testing::read_file("whole.txt"), big);
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
