// vobmarks-cli read with chapter options on a real title set: the options
// apply in the order given, questions follow --yes / --no, and the printed
// list shows the marks.

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

struct CliRun {
  int status;
  std::vector<int> marks;  // 1-based entries shown with '>'
  std::string output;
};

CliRun Read(const std::string& args) {
  RealTitleRecipe recipe;
  recipe.name = "ntsc-3ch";
  const std::string dir = RealTitleSet(recipe);
  CliRun r{};
  r.output = RunAndCapture(std::string(VM_CLI_PATH) + " read " + dir + " " + args + " 2>&1 </dev/null",
                           &r.status);
  std::istringstream in(r.output);
  std::string line;
  while (std::getline(in, line)) {
    int entry = 0;
    if (line.size() > 8 && line[0] == ' ' && line[1] == '>' &&
        std::sscanf(line.c_str() + 3, "%d", &entry) == 1)
      r.marks.push_back(entry);
  }
  return r;
}

TEST(ChapterOptions, ApplyInTheOrderGiven) {
  TempDir dir;
  const std::string list = dir / "list.txt";
  WriteFile(list, "0:00:03\n0:00:06\n");

  CliRun plain = Read("");
  ASSERT_EQ(plain.status, 0) << plain.output;
  EXPECT_EQ(plain.marks, (std::vector<int>{1, 8, 14}));  // the source title's chapters

  CliRun toggled = Read("--yes --clear --toggle 2,5");
  EXPECT_EQ(toggled.status, 0);
  EXPECT_EQ(toggled.marks, (std::vector<int>{2, 5}));

  // New replaces, the toggle then adds entry 1; toggling first would be undone.
  CliRun listed = Read("--yes --chapters " + list + " --toggle 1");
  EXPECT_EQ(listed.marks, (std::vector<int>{1, 6, 11}));
  CliRun toggledFirst = Read("--yes --toggle 2 --chapters " + list);
  EXPECT_EQ(toggledFirst.marks, (std::vector<int>{6, 11}));

  // Append keeps the source marks.
  CliRun appended = Read("--yes --append-chapters " + list);
  EXPECT_EQ(appended.marks, (std::vector<int>{1, 6, 8, 11, 14}));

  // A declined question ends the command with status 1 and no list.
  CliRun declined = Read("--no --clear --chapters " + list);
  EXPECT_EQ(declined.status, 1);
  EXPECT_TRUE(declined.marks.empty());
}

TEST(ChapterOptions, RefusedValuesFailWithTheirMessage) {
  CliRun low = Read("--interval 20");
  EXPECT_EQ(low.status, 1);
  EXPECT_NE(low.output.find("Set a value of the range 30 to 600."), std::string::npos);
  EXPECT_TRUE(low.marks.empty());

  TempDir dir;
  const std::string bad = dir / "bad.txt";
  WriteFile(bad, "0:00:01\n\n0:77:00\n");
  CliRun invalid = Read("--yes --chapters " + bad);
  EXPECT_NE(invalid.output.find("An invalid description is found in the CHPLIST.TXT file (Line=3)."),
            std::string::npos);
}

}  // namespace
}  // namespace vm::testing
