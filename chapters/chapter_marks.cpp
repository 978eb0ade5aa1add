#include "chapters/chapter_marks.h"

#include "chapters/chapter_messages.h"
#include "chapters/row_time.h"
#include "common/ui.h"
#include "title/time_list_text.h"

namespace vm {

namespace {

bool CaretValid(const TitleTables& t, int32_t caret) {
  return caret >= 0 && caret < ChapterEntryCount(t);
}

int32_t Selection(const TitleTables& t, int32_t caret) {
  return CaretValid(t, caret) ? caret : -1;
}

}  // namespace

void SetChapterMark(TitleTables& t, int32_t i, bool marked) {
  if (i < 0 || i >= kTimeListSlots) return;
  if (marked) {
    t.TimeListFlags[i] = static_cast<uint8_t>(t.TimeListFlags[i] | TL_CHAPTER);
  } else {
    t.TimeListFlags[i] = static_cast<uint8_t>(t.TimeListFlags[i] & ~TL_CHAPTER);
  }
  SetLineChapterMark(t, i, marked);
}

int32_t ToggleChapter(TitleTables& t, int32_t caret) {
  if (t.BusyFlag == 1 || !CaretValid(t, caret)) return -1;
  SetChapterMark(t, caret, (t.TimeListFlags[caret] & TL_CHAPTER) == 0);
  return caret;
}

void ClearAllMarks(TitleTables& t) {
  int32_t n = ChapterEntryCount(t);
  for (int32_t i = 0; i < n; ++i) {
    if (t.TimeListFlags[i] & TL_CHAPTER) SetChapterMark(t, i, false);
  }
}

int32_t ClearChapters(TitleTables& t, Ui& ui, int32_t caret) {
  if (t.BusyFlag == 1 || ChapterEntryCount(t) == 0) return -1;
  if (ui.Confirm(kClearChaptersQuestion) != Answer::Yes) return -1;
  ClearAllMarks(t);
  return Selection(t, caret);
}

int32_t IntervalFromText(const char* text) {
  return DecimalPrefix(text, kIntervalTextChars);
}

bool StoreIntervalText(TitleTables& t, Ui& ui, const char* text) {
  int32_t value = IntervalFromText(text);
  if (value < kMinChapterInterval || value > kMaxChapterInterval) {
    ui.Error(kIntervalRangeMessage);
    return false;
  }
  t.ChapterInterval = value;
  return true;
}

bool IntervalCommandMayStart(TitleTables& t, Ui& ui) {
  if (t.BusyFlag == 1) return false;
  if (ChapterEntryCount(t) == 0) {
    ui.Error(kInputDataNoneMessage);
    return false;
  }
  return true;
}

int32_t RunIntervalPass(TitleTables& t, Ui& ui, int32_t caret) {
  if (t.BusyFlag == 1) return -1;
  int32_t n = ChapterEntryCount(t);
  if (n == 0) {
    ui.Error(kInputDataNoneMessage);
    return -1;
  }
  // The stored value is 30..600 once the dialog has checked it; a value set
  // elsewhere is held to that range so the carry below stays sound.
  int32_t seconds = t.ChapterInterval;
  if (seconds < kMinChapterInterval) seconds = kMinChapterInterval;
  if (seconds > kMaxChapterInterval) seconds = kMaxChapterInterval;
  const int32_t interval = seconds * 1000;
  int32_t remaining = interval;
  int32_t prev = 0;
  for (int32_t i = 0; i < n; ++i) {
    int32_t now = RowTimeMs(t, i);
    if (i > 0) remaining -= ElapsedStepMs(prev, now);
    prev = now;
    bool marked = (t.TimeListFlags[i] & TL_CHAPTER) != 0;
    if (remaining < 0) {
      remaining += interval;  // the overshoot opens the next interval
      if (!marked) SetChapterMark(t, i, true);
    } else if (marked) {
      SetChapterMark(t, i, false);
    }
  }
  ui.Information(kSetOkMessage);
  return Selection(t, caret);
}

}  // namespace vm
