#include "chapters/scene_cuts.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "chapters/chapter_marks.h"
#include "chapters/chapter_messages.h"
#include "chapters/row_time.h"
#include "common/ui.h"

namespace vm {

namespace {

// Neighbours on each side whose median is that side's rolling level.
constexpr int kLevelWindow = 4;
constexpr int32_t kMaxCuts = kMaxChaptersPerTitle - 1;

// Sensitivity 1..10 to the floor a cut's score must pass and the factor by
// which it must stand above its neighbours' level. Hard cuts between
// unrelated pictures score 0.4 and more; steady motion and pans mostly
// stay below 0.2, and the level test takes care of the rest.
float ScoreFloor(int32_t sensitivity) { return 0.30f - 0.022f * static_cast<float>(sensitivity); }
float LevelFactor(int32_t sensitivity) { return 4.0f - 0.25f * static_cast<float>(sensitivity); }

int32_t Clamp(int32_t v, int32_t low, int32_t high) { return v < low ? low : (v > high ? high : v); }

float Median(float* v, int n) {
  if (n <= 0) return 0;
  std::sort(v, v + n);
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Elapsed playing time of each entry from the first, as the interval pass
// counts it (a clock that jumps or goes back counts 500 ms).
const int32_t* ElapsedTimes(const TitleTables& t, int32_t count) {
  static int32_t elapsed[kTimeListSlots];
  int32_t prev = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t now = RowTimeMs(t, i);
    elapsed[i] = i == 0 ? 0 : elapsed[i - 1] + ElapsedStepMs(prev, now);
    prev = now;
  }
  return elapsed;
}

// Keeps the kMaxCuts strongest cuts.
int32_t KeepStrongest(int32_t count, float* cut, int32_t cuts) {
  if (cuts <= kMaxCuts) return cuts;
  static float strengths[kTimeListSlots];
  int32_t n = 0;
  for (int32_t i = 0; i < count; ++i)
    if (cut[i] > 0) strengths[n++] = cut[i];
  std::nth_element(strengths, strengths + (kMaxCuts - 1), strengths + n, std::greater<float>());
  const float weakest = strengths[kMaxCuts - 1];
  int32_t kept = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (cut[i] <= 0) continue;
    if (cut[i] < weakest || kept == kMaxCuts) {
      cut[i] = 0;
    } else {
      ++kept;
    }
  }
  return kept;
}

}  // namespace

int32_t FindSceneCuts(const TitleTables& t, const float* score, int32_t count,
                      const SceneCutSettings& settings, float* cut) {
  count = Clamp(count, 0, ChapterEntryCount(t));
  const int32_t sensitivity = Clamp(settings.sensitivity, kMinSceneSensitivity, kMaxSceneSensitivity);
  const int32_t gapMs = Clamp(settings.minGapSeconds, kMinSceneGapSeconds, kMaxSceneGapSeconds) * 1000;
  const float floor = ScoreFloor(sensitivity), factor = LevelFactor(sensitivity);
  const int32_t* elapsed = ElapsedTimes(t, count);
  int32_t cuts = 0;
  int32_t last = 0;  // the last cut kept, or the first entry
  for (int32_t i = 0; i < count; ++i) {
    cut[i] = 0;
    if (i == 0 || score[i] < floor) continue;
    float before[kLevelWindow], after[kLevelWindow];
    int nb = 0, na = 0;
    for (int k = 1; k <= kLevelWindow; ++k) {
      if (i - k >= 1) before[nb++] = score[i - k];
      if (i + k < count) after[na++] = score[i + k];
    }
    const float level = std::max(Median(before, nb), Median(after, na));
    if (score[i] < factor * level) continue;
    if (last > 0 && elapsed[i] - elapsed[last] < gapMs) {
      // Two cuts too close: the stronger one stays.
      if (score[i] <= score[last]) continue;
      cut[last] = 0;
      --cuts;
    } else if (last == 0 && elapsed[i] < gapMs) {
      continue;  // the first entry opens a chapter anyway
    }
    cut[i] = score[i];
    ++cuts;
    last = i;
  }
  // The cut lies after entry i - 1's first picture and at or before entry
  // i's, so entry i is the first VOBU that opens with the new shot: it
  // starts at the cut or less than one VOBU after it, never before.
  return KeepStrongest(count, cut, cuts);
}

bool ConfirmSceneCuts(TitleTables& t, Ui& ui) {
  if (!IntervalCommandMayStart(t, ui)) return false;
  return ui.Confirm(kSceneCutsQuestion) == Answer::Yes;
}

int32_t MarkSceneCuts(TitleTables& t, Ui& ui, const float* score, int32_t count,
                      const SceneCutSettings& settings, int32_t caret) {
  if (!IntervalCommandMayStart(t, ui)) return -1;
  static float cut[kTimeListSlots];
  count = Clamp(count, 0, ChapterEntryCount(t));
  const int32_t cuts = FindSceneCuts(t, score, count, settings, cut);
  // With no cut, clearing would leave a title of one chapter: the marks
  // the person had (the source's among them) stay.
  if (cuts == 0) {
    ui.Information(kNoSceneCutMessage);
    return -1;
  }
  ClearAllMarks(t);
  int32_t set = 0;
  for (int32_t i = 0; i < count; ++i)
    if (cut[i] > 0) {
      SetChapterMark(t, i, true);
      if (t.TimeListFlags[i] & TL_CHAPTER) ++set;
    }
  char message[96];
  std::snprintf(message, sizeof message, kSceneCutsSetFormat, cuts, set);
  ui.Information(message);
  return caret >= 0 && caret < ChapterEntryCount(t) ? caret : -1;
}

int32_t SnapChaptersToCuts(TitleTables& t, Ui& ui, const float* score, int32_t count,
                           int32_t seconds, const SceneCutSettings& settings, int32_t caret) {
  if (!IntervalCommandMayStart(t, ui)) return -1;
  static float cut[kTimeListSlots];
  static int32_t marks[kTimeListSlots];
  count = Clamp(count, 0, ChapterEntryCount(t));
  const int32_t cuts = FindSceneCuts(t, score, count, settings, cut);
  if (cuts == 0) {
    ui.Information(kNoSceneCutMessage);
    return -1;
  }
  const int32_t* elapsed = ElapsedTimes(t, count);
  const int32_t reach = Clamp(seconds, kMinSnapSeconds, kMaxSnapSeconds) * 1000;
  int32_t n = 0, moved = 0;
  for (int32_t i = 1; i < count; ++i)
    if (t.TimeListFlags[i] & TL_CHAPTER) marks[n++] = i;
  for (int32_t k = 0; k < n; ++k) {
    const int32_t m = marks[k];
    int32_t best = -1;
    for (int32_t j = m; j >= 1 && elapsed[m] - elapsed[j] <= reach; --j)
      if (cut[j] > 0 && (best < 0 || cut[j] > cut[best])) best = j;
    for (int32_t j = m + 1; j < count && elapsed[j] - elapsed[m] <= reach; ++j)
      if (cut[j] > 0 && (best < 0 || cut[j] > cut[best])) best = j;
    if (best < 0 || best == m || (t.TimeListFlags[best] & TL_CHAPTER)) continue;
    SetChapterMark(t, m, false);
    SetChapterMark(t, best, true);
    ++moved;
  }
  char message[112];
  std::snprintf(message, sizeof message, kSnapMovedFormat, cuts, moved, n);
  ui.Information(message);
  return caret >= 0 && caret < ChapterEntryCount(t) ? caret : -1;
}

bool SceneValueFromText(Ui& ui, const char* text, int32_t low, int32_t high, int32_t& value) {
  // A whole number, spaces around it allowed: "2.5" or "10x" is not taken
  // as its leading digits.
  const char* p = text;
  while (*p == ' ') ++p;
  const char* digits = p;
  while (*p >= '0' && *p <= '9' && p - digits < 9) ++p;
  const bool whole = p > digits && [&] {
    while (*p == ' ') ++p;
    return *p == '\0';
  }();
  const int32_t v = whole ? DecimalPrefix(digits, kIntervalTextChars) : low - 1;
  if (v < low || v > high) {
    char message[96];
    std::snprintf(message, sizeof message, kValueRangeFormat, low, high);
    ui.Error(message);
    return false;
  }
  value = v;
  return true;
}

}  // namespace vm
