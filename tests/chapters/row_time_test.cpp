#include "chapters/row_time.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/chapters/time_list_fixture.h"

namespace vm {
namespace {

using testing::MakeEvenTimeList;
using testing::SharedTables;

TEST(DecimalPrefix, ConvertsLikePercentD) {
  struct Case {
    const char* text;
    size_t n;
    int32_t value;
  } cases[] = {
      {"45", 10, 45},         {"45abc", 10, 45},    {"abc", 10, 0},       {"", 10, 0},
      {" +45", 10, 45},       {"-45", 10, -45},     {" \t 7x", 10, 7},    {"+-4", 10, 0},
      {"12345", 3, 123},      {"  45", 3, 4},       {"  45", 2, 0},       {"4 5", 10, 4},
      {"99999999999", 20, INT32_MAX},               {"-99999999999", 20, INT32_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(DecimalPrefix(c.text, c.n), c.value) << '"' << c.text << '"';
}

TEST(RowTime, ReadsTheTimeOfEveryLineWidth) {
  TitleTables& t = SharedTables();
  t.TimeListNum = 0;
  EmptyListBox(t);
  AppendListLine(t, " >*00001 (01:02:03.456)");
  AppendListLine(t, "  X99999 (13:59:59.999)");
  AppendListLine(t, "  *100000 (00:00:07.008)");  // six-digit entry number
  AppendListLine(t, "   123456 (10:20:30.040)");
  t.TimeListNum = 5;  // one entry beyond the lines
  EXPECT_EQ(RowTimeMs(t, 0), 3723456);
  EXPECT_EQ(RowTimeMs(t, 1), 50399999);
  EXPECT_EQ(RowTimeMs(t, 2), 7008);
  EXPECT_EQ(RowTimeMs(t, 3), 37230040);
  EXPECT_EQ(RowTimeMs(t, 4), 0);
  EXPECT_EQ(RowTimeMs(t, -1), 0);
}

TEST(RowTime, MatchesTheFormattedTimeAcrossEntry100000) {
  TitleTables& t = MakeEvenTimeList(100010, 400);
  ASSERT_EQ(std::strlen(t.Line[99998]), 23u);
  ASSERT_EQ(std::strlen(t.Line[99999]), 24u);
  for (int32_t i : {0, 1, 99998, 99999, 100000, 100009}) EXPECT_EQ(RowTimeMs(t, i), i * 400) << i;
}

TEST(ElapsedStep, CountsForwardStepsUpTo2000AndOtherwise500) {
  EXPECT_EQ(ElapsedStepMs(1000, 1001), 1);
  EXPECT_EQ(ElapsedStepMs(1000, 3000), 2000);
  EXPECT_EQ(ElapsedStepMs(1000, 3001), 500);
  EXPECT_EQ(ElapsedStepMs(1000, 1000), 500);
  EXPECT_EQ(ElapsedStepMs(1000, 999), 500);
  EXPECT_EQ(ElapsedStepMs(0, 100), 100);
}

}  // namespace
}  // namespace vm
