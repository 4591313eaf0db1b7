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

TEST(PithOffsets, WithoutTheFileDialogueEveryOffsetIsZero) {
  for (const char* answer : {"\n", "f\n", "T\n"}) {
    ScriptedConsole console(answer);
    std::vector<int> offsets(5, 7);
    EXPECT_FALSE(pithy(offsets, false, "site.rwl"));
    EXPECT_EQ(offsets, std::vector<int>(kMaxSeries, 0));
    // A "T" asks nothing further.
    EXPECT_EQ(console.output(), format_record("(/1x,'Use a pith offset file? [T]rue or <[F]>alse',t50,'==> ',$)"));
  }
}

TEST(PithOffsets, FileDialogue) {
  ScratchDirectory dir;
  write_file(dir.file("pith.txt"), "Site pith offsets\nid01  7\nid02 13\n");
  // A missing file is asked for again and method 3 refused; "(i4)" cannot
  // read "id01", so a typed format is tried next.
  ScriptedConsole console("T\nnope.txt\n\npith.txt\n3\n0\n\n1\n1\n\n2\n1\n(4x,i3)\n");
  std::vector<int> offsets(4, -1);
  EXPECT_TRUE(pithy(offsets, true, "site.rwl"));
  ASSERT_EQ(offsets.size(), static_cast<std::size_t>(kMaxSeries));
  EXPECT_EQ(offsets[0], 7);
  EXPECT_EQ(offsets[1], 13);
  EXPECT_EQ(offsets[2], -1);  // entries after the last value keep theirs
  const std::string out = console.output();
  EXPECT_NE(out.find("\n\n          File > nope.txt                  < not found\n"
                     "          Hit return to enter a new file name or / to quit program."),
            std::string::npos);
  EXPECT_NE(out.find("\n          Please enter 1 or 2 \n          Hit RETURN and try again."), std::string::npos);
  EXPECT_NE(out.find("          There was an error reading the pith offset \n"), std::string::npos);
  EXPECT_NE(out.find("\n  1Title Line: Site pith offsets\n"), std::string::npos);

  ScriptedConsole quit("T\npith.txt\n1\n1\n\\\n");
  EXPECT_THROW(pithy(offsets, true, "site.rwl"), ProgramStop);
  EXPECT_NE(quit.output().find(" Program Terminating \n"), std::string::npos);
}

TEST(PithOffsets, OneValuePerSeriesSlotAtMost) {
  ScratchDirectory dir;
  std::string values;
  for (int i = 0; i < kMaxSeries; ++i) values += "   1\n";
  write_file(dir.file("full.txt"), values);
  write_file(dir.file("over.txt"), values + "   2\n");
  std::vector<int> offsets;
  {
    ScriptedConsole console("T\nfull.txt\n1\n0\n");
    EXPECT_TRUE(pithy(offsets, true, "site.rwl"));
    EXPECT_EQ(offsets.back(), 1);
  }
  ScriptedConsole console("T\nover.txt\n1\n0\n");
  EXPECT_THROW(pithy(offsets, true, "site.rwl"), ProgramStop);
  EXPECT_NE(console.output().find("The number of pith offset values read exceeds the"), std::string::npos);
}

}  // namespace
}  // namespace qb
