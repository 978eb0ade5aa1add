#include "chapters/chapter_marks.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/chapters/time_list_fixture.h"
#include "tests/support/recording_ui.h"

namespace vm {
namespace {

using testing::MakeEvenTimeList;
using testing::MakeTimeList;
using testing::Mark;
using testing::Marks;
using V = std::vector<int32_t>;

TEST(ToggleChapter, FlipsOnlyTheMarkOfTheCaretEntry) {
  TitleTables& t = MakeEvenTimeList(10, 500);
  t.TimeListFlags[3] = TL_CELL_START;
  t.Line[3][2] = 'X';
  const std::string before = t.Line[3];
  EXPECT_EQ(ToggleChapter(t, 3), 3);
  EXPECT_EQ(Marks(t), V{3});
  EXPECT_EQ(t.TimeListFlags[3], TL_CELL_START | TL_CHAPTER);
  EXPECT_EQ(std::string(t.Line[3]), " >X00004 (00:00:01.500)");
  EXPECT_EQ(ToggleChapter(t, 3), 3);
  EXPECT_EQ(Marks(t), V{});
  EXPECT_EQ(t.TimeListFlags[3], TL_CELL_START);
  EXPECT_EQ(std::string(t.Line[3]), before);
  EXPECT_EQ(ToggleChapter(t, 0), 0);
  EXPECT_EQ(Marks(t), V{0});
}

TEST(ToggleChapter, DoesNothingWhenBusyWithoutTitleOrCaret) {
  TitleTables& t = MakeEvenTimeList(10, 500);
  t.BusyFlag = 1;
  EXPECT_EQ(ToggleChapter(t, 2), -1);
  t.BusyFlag = 0;
  EXPECT_EQ(ToggleChapter(t, -1), -1);
  EXPECT_EQ(ToggleChapter(t, 10), -1);
  EXPECT_EQ(Marks(t), V{});
  t.TimeListNum = 0;
  EXPECT_EQ(ToggleChapter(t, 0), -1);
  EXPECT_EQ(t.TimeListFlags[0], 0);
}

TEST(ClearChapters, AsksAndClearsOnlyOnYes) {
  TitleTables& t = MakeEvenTimeList(10, 500);
  t.TimeListFlags[4] = TL_CELL_START;
  Mark(t, {0, 4, 9});
  for (Answer no : {Answer::No, Answer::Cancel}) {
    RecordingUi ui;
    ui.answers = {no};
    EXPECT_EQ(ClearChapters(t, ui, 5), -1);
    EXPECT_EQ(Marks(t), (V{0, 4, 9}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Confirm");
    EXPECT_EQ(ui.messages[0].text, "All chapters are cleared. Execute or not ?");
  }
  RecordingUi ui;
  EXPECT_EQ(ClearChapters(t, ui, 5), 5);
  EXPECT_EQ(Marks(t), V{});
  EXPECT_EQ(t.TimeListFlags[4], TL_CELL_START);
  EXPECT_EQ(ui.Texts().size(), 1u);  // the question, nothing after it
}

TEST(ClearChapters, IsSilentWhenBusyOrWithoutTitle) {
  TitleTables& t = MakeEvenTimeList(3, 500);
  Mark(t, {1});
  RecordingUi ui;
  t.BusyFlag = 1;
  EXPECT_EQ(ClearChapters(t, ui, 0), -1);
  t.BusyFlag = 0;
  t.TimeListNum = 0;
  EXPECT_EQ(ClearChapters(t, ui, 0), -1);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(t.TimeListFlags[1], TL_CHAPTER);
}

TEST(IntervalDialog, StoresOnly30To600AsPercentDReadsIt) {
  struct Case {
    std::string text;
    bool ok;
    int32_t stored;
  } cases[] = {
      {"45abc", true, 45}, {"abc", false, 0},  {"", false, 0},      {"600", true, 600},
      {"601", false, 0},   {"30", true, 30},   {"29", false, 0},    {" +45", true, 45},
      {"-45", false, 0},   {"\t 120 s", true, 120},                 {"99999999999", false, 0},
      {"4294967341", false, 0},  // 2^32 + 45: no wrap round to 45
      {std::string(252, ' ') + "45", true, 45},
      {std::string(253, ' ') + "45", false, 0},  // only "4" within 254 characters
      {std::string(254, ' ') + "45", false, 0},
  };
  TitleTables& t = MakeEvenTimeList(1, 500);
  for (const Case& c : cases) {
    t.ChapterInterval = 77;
    RecordingUi ui;
    EXPECT_EQ(StoreIntervalText(t, ui, c.text.c_str()), c.ok) << '"' << c.text << '"';
    if (c.ok) {
      EXPECT_EQ(t.ChapterInterval, c.stored);
      EXPECT_TRUE(ui.messages.empty());
    } else {
      EXPECT_EQ(t.ChapterInterval, 77);
      ASSERT_EQ(ui.messages.size(), 1u);
      EXPECT_EQ(ui.messages[0].caption, "Error");
      EXPECT_EQ(ui.messages[0].text, "Set a value of the range 30 to 600.");
    }
  }
}

TEST(IntervalCommand, NeedsATitleAndIsIgnoredWhileBusy) {
  TitleTables& t = MakeEvenTimeList(0, 500);
  RecordingUi ui;
  EXPECT_FALSE(IntervalCommandMayStart(t, ui));
  EXPECT_EQ(ui.OnlyText(), "Input data is none.");
  EXPECT_EQ(ui.messages[0].caption, "Error");
  ui.Clear();
  MakeEvenTimeList(5, 500);
  t.BusyFlag = 1;
  EXPECT_FALSE(IntervalCommandMayStart(t, ui));
  EXPECT_EQ(RunIntervalPass(t, ui, 0), -1);
  EXPECT_TRUE(ui.messages.empty());
  t.BusyFlag = 0;
  EXPECT_TRUE(IntervalCommandMayStart(t, ui));
}

TEST(IntervalPass, CarriesTheOvershootWithoutDrift) {
  TitleTables& t = MakeEvenTimeList(250, 500);
  t.ChapterInterval = 30;
  RecordingUi ui;
  EXPECT_EQ(RunIntervalPass(t, ui, 7), 7);
  // 30.5 s, 60.5 s, 90.5 s, 120.5 s: the first rows past each 30 s.
  EXPECT_EQ(Marks(t), (V{61, 121, 181, 241}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, "Information");
  EXPECT_EQ(ui.messages[0].text, "Set OK.");
}

TEST(IntervalPass, CountsStillBackwardAndLongStepsAs500) {
  RecordingUi ui;
  // Each of these steps counts 500 ms, so 30 s run out at the 61st step.
  const struct {
    const char* what;
    int32_t (*timeAt)(int32_t);
  } kinds[] = {
      {"still", [](int32_t) { return 5000; }},
      {"backward", [](int32_t i) { return 400000 - i * 1000; }},
      {"over 2 s", [](int32_t i) { return i * 2001; }},
      {"alternating", [](int32_t i) { return (i % 2) * 9000; }},
  };
  for (const auto& k : kinds) {
    TitleTables& t = MakeTimeList(130, k.timeAt);
    t.ChapterInterval = 30;
    RunIntervalPass(t, ui, 0);
    EXPECT_EQ(Marks(t), (V{61, 121})) << k.what;
  }
}

TEST(IntervalPass, CountsAStepOfExactly2000InFull) {
  TitleTables& t = MakeEvenTimeList(40, 2000);
  t.ChapterInterval = 30;
  RecordingUi ui;
  RunIntervalPass(t, ui, 0);
  EXPECT_EQ(Marks(t), (V{16, 31}));  // 32 s, then 62 s
}

TEST(IntervalPass, MixesStepKindsAsTheyCome) {
  // Steps: 1500, jump (500), 2000, still (500), back (500), 1999 ... by hand:
  // elapsed 0, 1500, 2000, 4000, 4500, 5000, 6999.
  TitleTables& t = MakeTimeList({0, 1500, 9000, 11000, 11000, 10000, 11999});
  t.ChapterInterval = 30;
  RecordingUi ui;
  RunIntervalPass(t, ui, 0);
  EXPECT_EQ(Marks(t), V{});
  // The same steps repeated until 30 s run out: every 7 rows add 6999 ms.
  std::vector<int32_t> times;
  for (int r = 0; r < 8; ++r)
    for (int32_t v : {0, 1500, 9000, 11000, 11000, 10000, 11999}) times.push_back(v + r * 20000);
  // Row 7r starts 20 s after row 7r-1 (a jump, 500): the repeat adds 7499.
  // Elapsed at row 7r+j = 7499r + {0,1500,2000,4000,4500,5000,6999}[j];
  // the first above 30000 is r=4, j=0 (29996? no: 29996 < 30000) -> j=1.
  MakeTimeList(times);
  t.ChapterInterval = 30;
  RunIntervalPass(t, ui, 0);
  EXPECT_EQ(Marks(t), V{29});
}

TEST(IntervalPass, ReplacesEveryEarlierMarkAndKeepsTheOtherBits) {
  TitleTables& t = MakeEvenTimeList(130, 500);
  t.ChapterInterval = 30;
  t.TimeListFlags[61] = TL_CELL_START;
  t.TimeListFlags[5] = TL_CELL_START;
  t.Line[5][2] = '*';
  Mark(t, {0, 5, 61, 100});
  RecordingUi ui;
  EXPECT_EQ(RunIntervalPass(t, ui, 200), -1);  // a caret outside the list selects nothing
  EXPECT_EQ(Marks(t), (V{61, 121}));
  EXPECT_EQ(t.TimeListFlags[61], TL_CELL_START | TL_CHAPTER);
  EXPECT_EQ(t.TimeListFlags[5], TL_CELL_START);
  EXPECT_EQ(std::string(t.Line[5]), "  *00006 (00:00:02.500)");
}

TEST(IntervalPass, FollowsElapsedTimeAcrossEntry100000) {
  TitleTables& t = MakeEvenTimeList(100600, 400);
  t.ChapterInterval = 600;
  RecordingUi ui;
  RunIntervalPass(t, ui, 0);
  std::vector<int32_t> marks = Marks(t);
  ASSERT_EQ(marks.size(), 67u);
  EXPECT_EQ(marks[0], 1501);
  EXPECT_EQ(marks[64], 97501);
  EXPECT_EQ(marks[65], 99001);
  EXPECT_EQ(marks[66], 99001 + 1500);  // a six-digit line
  EXPECT_EQ(t.Line[100501][1], '>');
}

}  // namespace
}  // namespace vm
