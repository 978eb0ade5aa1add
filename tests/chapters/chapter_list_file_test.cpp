// The chapter list file: line syntax, the whole-file parse with its limits
// and messages, and placing the times on real-looking time lists.

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "chapters/chapter_list.h"
#include "chapters/chapter_messages.h"
#include "tests/chapters/time_list_fixture.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

struct Parsed {
  bool ok;
  bool empty;
  int32_t ms;
};

Parsed Line(const char* text) {
  Parsed p{false, false, -1};
  p.ok = ParseChapterLine(text, p.ms, p.empty);
  return p;
}

TEST(ChapterLine, ValidFormsAndTheirTimes) {
  struct Case {
    const char* text;
    int32_t ms;
  } cases[] = {
      {"0:05:00", 300000},     {"0 : 05 : 00", 300000}, {"0:05:00.5", 300500},
      {"1:2:3", 3723000},      {"0:00:01.25", 1250},    {"0:00:01.1234", 1123},
      {"23:59:59.999", 86399999}, {"0:01:", 60000},      {"0:01:02.", 62000},
      {"a:b:c", 0},            {" 1:00:00 ", 3600000},
  };
  for (const Case& c : cases) {
    const Parsed p = Line(c.text);
    EXPECT_TRUE(p.ok) << c.text;
    EXPECT_FALSE(p.empty) << c.text;
    EXPECT_EQ(p.ms, c.ms) << c.text;
  }
  const Parsed blank = Line("    ");
  EXPECT_TRUE(blank.empty);
}

TEST(ChapterLine, InvalidForms) {
  for (const char* text : {"0:60:00", "24:00:00", "0:05", "0:05:00:00", "0:00:60", "100"}) {
    const Parsed p = Line(text);
    EXPECT_FALSE(p.ok && !p.empty) << text;
  }
}

class ChapterListFile : public ::testing::Test {
 protected:
  std::string Write(const std::string& text) {
    const std::string path = dir_ / "CHPLIST.TXT";
    WriteFile(path, text);
    return path;
  }
  ChapterListResult Parse(const std::string& text) {
    return ParseChapterListFile(Write(text).c_str(), times_);
  }
  TempDir dir_;
  ChapterTimeTable times_{};
};

TEST_F(ChapterListFile, LineEndsBlankLinesAndTheLastLine) {
  ChapterListResult r = Parse("0:00:10\r\n\n  \r\n0:00:20\n0:00:30");
  EXPECT_EQ(r.status, ChapterListStatus::Ok);
  ASSERT_EQ(times_.count, 3);
  EXPECT_EQ(times_.ms[0], 10000);
  EXPECT_EQ(times_.ms[1], 20000);
  EXPECT_EQ(times_.ms[2], 30000);  // read in full without a line end

  r = Parse("\xEF\xBB\xBF" "0:00:05\n");
  EXPECT_EQ(r.status, ChapterListStatus::Ok);  // the byte-order mark is skipped
  ASSERT_EQ(times_.count, 1);
  EXPECT_EQ(times_.ms[0], 5000);

  r = Parse("");
  EXPECT_EQ(r.status, ChapterListStatus::Ok);
  EXPECT_EQ(times_.count, 0);
}

TEST_F(ChapterListFile, TheFirstInvalidLineIsNumberedCountingBlankLines) {
  ChapterListResult r = Parse("0:00:10\n\n0:61:00\n24:00:00\n");
  EXPECT_EQ(r.status, ChapterListStatus::InvalidLine);
  EXPECT_EQ(r.line, 3);
  r = Parse("\n\n\n\n0:05\n");
  EXPECT_EQ(r.status, ChapterListStatus::InvalidLine);
  EXPECT_EQ(r.line, 5);
  EXPECT_EQ(ParseChapterListFile((dir_ / "NONE.TXT").c_str(), times_).status,
            ChapterListStatus::NotFound);
}

TEST_F(ChapterListFile, TwoHundredFiftySixTimesAreAcceptedAndOneMoreIsNot) {
  std::string text;
  for (int i = 0; i < 256; ++i) text += "0:00:" + std::to_string(i % 60) + "\n";
  EXPECT_EQ(Parse(text).status, ChapterListStatus::Ok);
  EXPECT_EQ(times_.count, 256);
  EXPECT_EQ(Parse(text + "\n\n").status, ChapterListStatus::Ok);  // blank lines are no times
  EXPECT_EQ(Parse(text + "0:00:01\n").status, ChapterListStatus::TooMany);
}

TEST_F(ChapterListFile, PlacementByElapsedTime) {
  // Rows every 500 ms for 30 s.
  TitleTables& t = MakeEvenTimeList(61, 500);
  times_.count = 5;
  const int32_t ms[] = {100, 10000, 10260, 90000, 10249};
  for (int i = 0; i < 5; ++i) times_.ms[i] = ms[i];
  PlaceChapterTimes(t, times_);
  // 100 ms marks entry 0; 10000 lands on entry 20 (elapsed 10000 > 9750);
  // 10260 on entry 21; 10249 again on 20; 90000 is past the end.
  EXPECT_EQ(Marks(t), (std::vector<int32_t>{0, 20, 21}));
}

TEST_F(ChapterListFile, PlacementCountsIrregularStepsAs500) {
  // A backward step and a jump over 2 s each count 500 ms.
  TitleTables& t = MakeTimeList({0, 500, 1000, 400, 900, 5000, 5500});
  times_.count = 2;
  times_.ms[0] = 2000;  // elapsed 0, 500, 1000, 1500, 2000 -> entry 4 (2000 > 1750)
  times_.ms[1] = 2600;  // entry 5 elapsed 2500 <= 2350? no: 2500 > 2350 -> entry 5
  PlaceChapterTimes(t, times_);
  EXPECT_EQ(Marks(t), (std::vector<int32_t>{4, 5}));
}

TEST_F(ChapterListFile, NewAndAppendCommands) {
  const std::string path = Write("0:00:05\n0:00:10\n");
  TitleTables& t = MakeEvenTimeList(61, 500);
  RecordingUi ui;
  // An existing mark on entry 3.
  t.TimeListFlags[3] |= TL_CHAPTER;
  t.Line[3][kLineChapterMarkPos] = '>';

  ui.answers = {Answer::Yes};
  EXPECT_EQ(RunChapterList(t, ui, 7, ChapterListMode::Append, path.c_str()), 7);
  EXPECT_EQ(Marks(t), (std::vector<int32_t>{3, 10, 20}));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text, kChapterListAppendQuestion);
  EXPECT_EQ(ui.messages[1].text, kSetOkMessage);

  ui.messages.clear();
  ui.answers = {Answer::No};
  RunChapterList(t, ui, 7, ChapterListMode::New, path.c_str());
  EXPECT_EQ(Marks(t), (std::vector<int32_t>{3, 10, 20}));  // declined: nothing changes

  ui.messages.clear();
  ui.answers = {Answer::Yes};
  RunChapterList(t, ui, 7, ChapterListMode::New, path.c_str());
  EXPECT_EQ(Marks(t), (std::vector<int32_t>{10, 20}));
  EXPECT_EQ(ui.messages[0].text, kChapterListNewQuestion);

  // New with an invalid third line keeps every mark and names the line.
  const std::string bad = Write("0:00:01\n0:00:02\n0:99:00\n");
  ui.messages.clear();
  ui.answers = {Answer::Yes};
  RunChapterList(t, ui, 7, ChapterListMode::New, bad.c_str());
  EXPECT_EQ(Marks(t), (std::vector<int32_t>{10, 20}));
  EXPECT_EQ(ui.messages.back().text,
            "An invalid description is found in the CHPLIST.TXT file (Line=3).");
  EXPECT_EQ(ui.messages.back().caption, "Error");

  ui.messages.clear();
  ui.answers = {Answer::Yes};
  RunChapterList(t, ui, 7, ChapterListMode::New, (dir_ / "MISSING.TXT").c_str());
  EXPECT_EQ(ui.messages.back().text, kChapterListNotFoundMessage);
  EXPECT_EQ(Marks(t), (std::vector<int32_t>{10, 20}));

  // A blank file: Append changes nothing, New clears every mark.
  const std::string blank = Write("\n\n");
  ui.answers = {Answer::Yes, Answer::Yes};
  RunChapterList(t, ui, 7, ChapterListMode::Append, blank.c_str());
  EXPECT_EQ(Marks(t), (std::vector<int32_t>{10, 20}));
  RunChapterList(t, ui, 7, ChapterListMode::New, blank.c_str());
  EXPECT_TRUE(Marks(t).empty());

  // No title: "Input data is none." and no question.
  t.TimeListNum = 0;
  ui.messages.clear();
  RunChapterList(t, ui, 0, ChapterListMode::New, path.c_str());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kInputDataNoneMessage);
}

TEST_F(ChapterListFile, LinesOfEntriesFrom100000CarryTheirTimeOneCharacterLater) {
  TitleTables& t = MakeEvenTimeList(100010, 500);
  times_.count = 1;
  times_.ms[0] = 100003 * 500;  // elapsed time of entry 100003
  PlaceChapterTimes(t, times_);
  EXPECT_EQ(Marks(t), (std::vector<int32_t>{100003}));
}

}  // namespace
}  // namespace vm::testing
