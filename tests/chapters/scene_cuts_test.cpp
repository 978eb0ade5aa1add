// Deciding scene cuts from scores, marking them and snapping marks to them,
// on synthetic time lists of one entry every 500 ms.

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "chapters/chapter_marks.h"
#include "chapters/scene_cuts.h"
#include "tests/chapters/time_list_fixture.h"
#include "tests/support/recording_ui.h"

namespace vm::testing {
namespace {

constexpr int32_t kEntries = 80;

struct Peak {
  int32_t entry;
  float score;
};

std::vector<float> Scores(float base, std::vector<Peak> peaks, int32_t n = kEntries) {
  std::vector<float> s(static_cast<size_t>(n), base);
  s[0] = 0;
  for (const Peak& p : peaks) s[static_cast<size_t>(p.entry)] = p.score;
  return s;
}

std::vector<int32_t> CutsOf(const TitleTables& t, const std::vector<float>& score,
                            const SceneCutSettings& settings) {
  static float cut[kTimeListSlots];
  const int32_t n = FindSceneCuts(t, score.data(), static_cast<int32_t>(score.size()), settings, cut);
  std::vector<int32_t> out;
  for (size_t i = 0; i < score.size(); ++i)
    if (cut[i] > 0) out.push_back(static_cast<int32_t>(i));
  EXPECT_EQ(n, static_cast<int32_t>(out.size()));
  return out;
}

TEST(SceneCuts, PeaksAboveTheirNeighboursAreCutsAndSteadyChangeIsNot) {
  std::vector<float> ramp = Scores(0.02f, {});
  for (int32_t i = 20; i < 50; ++i) ramp[static_cast<size_t>(i)] = 0.18f + 0.002f * (i % 3);
  std::vector<float> motion = Scores(0.16f, {{40, 0.7f}});
  struct Case {
    const char* what;
    std::vector<float> score;
    SceneCutSettings settings;
    std::vector<int32_t> cuts;
  } cases[] = {
      {"two hard cuts on a still picture", Scores(0.03f, {{10, 0.7f}, {30, 0.5f}}), {}, {10, 30}},
      {"a cut in steady motion", motion, {}, {40}},
      {"a fade or a pan: a steady change starting and ending", ramp, {}, {}},
      {"two cuts 1 s apart: the stronger one", Scores(0.03f, {{10, 0.5f}, {12, 0.8f}}), {}, {12}},
      {"a gap of 1 s keeps both", Scores(0.03f, {{10, 0.5f}, {12, 0.8f}}), {5, 1}, {10, 12}},
      {"a cut 1 s after the first entry", Scores(0.03f, {{2, 0.8f}, {40, 0.8f}}), {}, {40}},
      {"a weak change at the default sensitivity", Scores(0.02f, {{30, 0.15f}}), {}, {}},
      {"the same at sensitivity 10", Scores(0.02f, {{30, 0.15f}}), {10, 2}, {30}},
      {"a strong one at sensitivity 1", Scores(0.02f, {{30, 0.4f}}), {1, 2}, {30}},
  };
  TitleTables& t = MakeEvenTimeList(kEntries, 500);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CutsOf(t, c.score, c.settings), c.cuts);
  }
}

TEST(SceneCuts, AtMost126CutsTheStrongestKept) {
  const int32_t n = 2000;
  TitleTables& t = MakeEvenTimeList(n, 500);
  std::vector<Peak> peaks;
  for (int32_t e = 10; e < n; e += 10) peaks.push_back({e, 0.3f + 0.0003f * static_cast<float>(e % 997)});
  const std::vector<float> score = Scores(0.02f, peaks, n);
  const std::vector<int32_t> cuts = CutsOf(t, score, {});
  ASSERT_EQ(cuts.size(), 126u);
  float weakestKept = 1, strongestDropped = 0;
  for (const Peak& p : peaks) {
    const bool kept = std::find(cuts.begin(), cuts.end(), p.entry) != cuts.end();
    if (kept) weakestKept = std::min(weakestKept, p.score);
    else strongestDropped = std::max(strongestDropped, p.score);
  }
  EXPECT_GE(weakestKept, strongestDropped);
}

TEST(SceneCuts, MarkingAndSnapping) {
  TitleTables& t = MakeEvenTimeList(kEntries, 500);
  const std::vector<float> score = Scores(0.03f, {{10, 0.7f}, {30, 0.5f}, {34, 0.9f}});
  RecordingUi ui;
  for (int32_t e : {0, 5, 50}) SetChapterMark(t, e, true);
  EXPECT_EQ(MarkSceneCuts(t, ui, score.data(), kEntries, {}, 7), 7);
  EXPECT_EQ(Marks(t), (std::vector<int32_t>{10, 30, 34}));  // 30 and 34 are the gap apart
  EXPECT_EQ(ui.messages.back().text, "Set OK.\nScene cuts found: 3. Chapter marks set: 3.");

  // No cut: the marks stay as they were, and the message says so, for both.
  const std::vector<float> flat = Scores(0.03f, {});
  for (bool snap : {false, true}) {
    RecordingUi none;
    EXPECT_EQ(snap ? SnapChaptersToCuts(t, none, flat.data(), kEntries, 5, {}, 7)
                   : MarkSceneCuts(t, none, flat.data(), kEntries, {}, 7),
              -1);
    EXPECT_EQ(Marks(t), (std::vector<int32_t>{10, 30, 34}));
    ASSERT_EQ(none.messages.size(), 1u);
    EXPECT_EQ(none.messages[0].text, "No scene cut is found. The chapters are left as they were.");
  }

  struct Case {
    std::vector<int32_t> marks;
    int32_t seconds;
    std::vector<int32_t> expected;
    const char* moved;  // "moved of marks"
  } cases[] = {
      {{0, 12, 60}, 2, {0, 10, 60}, "1 of 2"},  // the first entry stays; nothing near 60
      {{31}, 3, {34}, "1 of 1"},                // the strongest cut within reach, not the nearest
      {{31}, 1, {30}, "1 of 1"},                // 34 is out of reach
      {{10, 12}, 2, {10, 12}, "0 of 2"},        // a mark does not merge into another
  };
  for (const Case& c : cases) {
    ClearAllMarks(t);
    for (int32_t e : c.marks) SetChapterMark(t, e, true);
    SnapChaptersToCuts(t, ui, score.data(), kEntries, c.seconds, {}, 0);
    EXPECT_EQ(Marks(t), c.expected);
    EXPECT_EQ(ui.messages.back().text,
              std::string("Set OK.\nScene cuts found: 3. Chapter marks moved: ") + c.moved + ".");
  }
}

TEST(SceneCuts, NoTitleBusyAndTheDialogValues) {
  TitleTables& t = MakeEvenTimeList(0, 500);
  RecordingUi ui;
  EXPECT_FALSE(ConfirmSceneCuts(t, ui));
  EXPECT_EQ(ui.messages.back().text, "Input data is none.");
  MakeEvenTimeList(kEntries, 500).BusyFlag = 1;
  RecordingUi quiet;
  EXPECT_FALSE(ConfirmSceneCuts(t, quiet));
  EXPECT_TRUE(quiet.messages.empty());
  t.BusyFlag = 0;

  struct Value {
    const char* text;
    int32_t low, high;
    bool accepted;
    int32_t value;
  } values[] = {{"5", 1, 10, true, 5},     {"10x", 1, 10, false, 0},   {"11", 1, 10, false, 0},
                {"0", 1, 10, false, 0},    {"abc", 1, 60, false, 0},   {" 60 ", 1, 60, true, 60},
                {"2.5", 1, 60, false, 0},  {"", 1, 60, false, 0},      {"-3", 1, 60, false, 0},
                {"0000000002", 1, 60, false, 0}};
  for (const Value& v : values) {
    RecordingUi u;
    int32_t out = 0;
    EXPECT_EQ(SceneValueFromText(u, v.text, v.low, v.high, out), v.accepted) << v.text;
    if (v.accepted) {
      EXPECT_EQ(out, v.value);
    } else {
      ASSERT_FALSE(u.messages.empty());
      EXPECT_EQ(u.messages.back().text,
                "Set a value of the range " + std::to_string(v.low) + " to " +
                    std::to_string(v.high) + ".");
    }
  }
}

}  // namespace
}  // namespace vm::testing
