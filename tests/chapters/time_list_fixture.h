// Synthetic time lists for the chapter tests: one shared table instance,
// filled with entries whose lines carry the given row times.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "title/tables.h"
#include "title/time_list_text.h"

namespace vm::testing {

// The tables are ~25 MB: made once and reused by every test.
inline TitleTables& SharedTables() {
  static TitleTables* t = new TitleTables();
  return *t;
}

// n entries, entry i at row time timeAt(i) milliseconds, no marks, not busy,
// interval 180.
template <typename TimeAt>
TitleTables& MakeTimeList(int32_t n, TimeAt timeAt) {
  TitleTables& t = SharedTables();
  t.BusyFlag = 0;
  t.ChapterInterval = 180;
  t.TimeListNum = 0;
  t.TimeListPtmKept = 0;
  EmptyListBox(t);
  for (int32_t i = 0; i < n; ++i) {
    char line[kLineBytes];
    FormatTimeListLine(line, ' ', ' ', i + 1, static_cast<uint32_t>(timeAt(i)) * 90u);
    AppendListLine(t, line);
    t.TimeListFlags[i] = 0;
  }
  t.TimeListNum = n;
  return t;
}

inline TitleTables& MakeTimeList(const std::vector<int32_t>& timesMs) {
  return MakeTimeList(static_cast<int32_t>(timesMs.size()),
                      [&](int32_t i) { return timesMs[static_cast<size_t>(i)]; });
}

// Rows every `stepMs` from 0.
inline TitleTables& MakeEvenTimeList(int32_t n, int32_t stepMs) {
  return MakeTimeList(n, [=](int32_t i) { return i * stepMs; });
}

// The marked entries; fails the test where bit and line disagree.
inline std::vector<int32_t> Marks(const TitleTables& t) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < t.TimeListNum; ++i) {
    bool bit = (t.TimeListFlags[i] & TL_CHAPTER) != 0;
    char c = t.Line[i][kLineChapterMarkPos];
    EXPECT_EQ(c, bit ? '>' : ' ') << "entry " << i;
    if (bit) out.push_back(i);
  }
  return out;
}

inline void Mark(TitleTables& t, std::initializer_list<int32_t> entries) {
  for (int32_t i : entries) {
    t.TimeListFlags[i] |= TL_CHAPTER;
    t.Line[i][kLineChapterMarkPos] = '>';
  }
}

}  // namespace vm::testing
