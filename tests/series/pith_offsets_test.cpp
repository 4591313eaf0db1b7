#include "series/pith_offsets.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/program_stop.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::ScratchDirectory;
using testing::ScriptedConsole;
using testing::write_file;

const std::string kQuestion = format_record("(/1x,'Use a pith offset file? [T]rue or <[F]>alse',t50,'==> ',$)");

bool all_zero(const std::vector<int>& offsets) {
  return std::all_of(offsets.begin(), offsets.end(), [](int v) { return v == 0; });
}

TEST(PithOffsets, WithoutTheFileDialogueEveryOffsetIsZero) {
  for (const char* answer : {"\n", "F\n", "f\n", "T\n"}) {
    ScriptedConsole console(answer);
    std::vector<int> offsets(5, 7);
    EXPECT_FALSE(pithy(offsets, false, "site.rwl"));
    EXPECT_EQ(offsets.size(), static_cast<std::size_t>(kMaxSeries));
    EXPECT_TRUE(all_zero(offsets));
    EXPECT_EQ(console.output(), kQuestion) << answer;
  }
  ScriptedConsole console("f\n");
  std::vector<int> offsets;
  EXPECT_FALSE(pithy(offsets, true, "site.rwl"));
  EXPECT_TRUE(all_zero(offsets));
}

TEST(PithOffsets, FileDialogueReadsOneOffsetPerRecord) {
  ScratchDirectory dir;
  write_file(dir.file("pith.txt"), "Site pith offsets\nring counts\n  12\n   0\n 105\n");
  // A missing file is asked for again; method 3 is refused.
  ScriptedConsole console("T\nnope.txt\n\npith.txt\n3\n0\n\n1\n2\n");
  std::vector<int> offsets(4, -1);
  EXPECT_TRUE(pithy(offsets, true, "site.rwl"));
  ASSERT_EQ(offsets.size(), static_cast<std::size_t>(kMaxSeries));
  EXPECT_EQ(offsets[0], 12);
  EXPECT_EQ(offsets[1], 0);
  EXPECT_EQ(offsets[2], 105);
  EXPECT_EQ(offsets[3], -1);  // entries after the last value keep theirs
  const std::string out = console.output();
  EXPECT_NE(out.find(" of the file raw ring width records: site.rwl"), std::string::npos);
  EXPECT_NE(out.find("\n\n          File > nope.txt                  < not found\n"
                     "          Hit return to enter a new file name or / to quit program."),
            std::string::npos);
  EXPECT_NE(out.find("\n          Please enter 1 or 2 \n          Hit RETURN and try again."), std::string::npos);
  EXPECT_NE(out.find("\n  1Title Line: Site pith offsets\n  2Title Line: ring counts\n"), std::string::npos);
}

TEST(PithOffsets, UnreadableValuesOfferAnotherMethod) {
  ScratchDirectory dir;
  write_file(dir.file("pith.txt"), "id01  7\nid02 13\n");
  // "(i4)" meets "id01"; the second try reads with a typed format.
  ScriptedConsole console("T\npith.txt\n1\n0\n\n2\n0\n(4x,i3)\n");
  std::vector<int> offsets;
  EXPECT_TRUE(pithy(offsets, true, "site.rwl"));
  EXPECT_EQ(offsets[0], 7);
  EXPECT_EQ(offsets[1], 13);
  EXPECT_NE(console.output().find("          There was an error reading the pith offset \n"
                                  "          values in file  : pith.txt"),
            std::string::npos);

  ScriptedConsole quit("T\npith.txt\n1\n0\n\\\n");
  try {
    pithy(offsets, true, "site.rwl");
    FAIL() << "a backslash ends the program";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_code, kExitAbnormal);
  }
  EXPECT_NE(quit.output().find(" Program Terminating \n"), std::string::npos);
}

TEST(PithOffsets, OneValuePerSeriesSlotAtMost) {
  ScratchDirectory dir;
  std::string values;
  for (int i = 0; i < kMaxSeries; ++i) values += "   1\n";
  write_file(dir.file("full.txt"), values);
  write_file(dir.file("over.txt"), values + "   2\n");
  {
    ScriptedConsole console("T\nfull.txt\n1\n0\n");
    std::vector<int> offsets;
    EXPECT_TRUE(pithy(offsets, true, "site.rwl"));
    EXPECT_EQ(offsets.back(), 1);
  }
  ScriptedConsole console("T\nover.txt\n1\n0\n");
  std::vector<int> offsets;
  EXPECT_THROW(pithy(offsets, true, "site.rwl"), ProgramStop);
  EXPECT_NE(console.output().find("The number of pith offset values read exceeds the"), std::string::npos);
}

}  // namespace
}  // namespace qb
