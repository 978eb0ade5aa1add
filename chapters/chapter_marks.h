// Chapter marks on the time list: "Chapter on/off", "Clear chapters" and the
// constant-interval pass with its dialog's value check. Marks live in the
// TL_CHAPTER bit of TimeListFlags and in character 1 of the entry's line;
// nothing else is touched.
//
// Every command takes the caret line as it was when the command started and
// returns the entry the shell is to select afterwards (that caret line), or
// -1 when nothing is to be selected (busy, no title, declined, failed).
#pragma once

#include <cstdint>

#include "title/tables.h"

namespace vm {

class Ui;

constexpr int32_t kMinChapterInterval = 30;
constexpr int32_t kMaxChapterInterval = 600;
// The interval dialog reads at most this many characters of its field.
constexpr int kIntervalTextChars = 254;

// Sets or clears the mark of entry i, keeping bit and line in step.
void SetChapterMark(TitleTables& t, int32_t i, bool marked);

// "Chapter on/off": flips the mark of the caret entry. Silent; nothing
// happens while busy, with no title read or with no caret entry.
int32_t ToggleChapter(TitleTables& t, int32_t caret);

// "Clear chapters": asks first; anything but Yes changes nothing.
int32_t ClearChapters(TitleTables& t, Ui& ui, int32_t caret);

// Removes every mark without asking (also the chapter list [New] step).
void ClearAllMarks(TitleTables& t);

// The interval dialog's number: "%d" on at most 254 characters of `text`.
int32_t IntervalFromText(const char* text);

// The dialog's "&Set": stores the typed value in ChapterInterval and returns
// true when it is 30..600; otherwise shows the range message and stores
// nothing (the dialog stays open).
bool StoreIntervalText(TitleTables& t, Ui& ui, const char* text);

// Whether the interval command (and the chapter file and scene-cut
// commands) may start: false while busy (silent) and with no title read
// ("Input data is none.").
bool IntervalCommandMayStart(TitleTables& t, Ui& ui);

// The pass after the dialog closed with "&Set": marks the entries where each
// ChapterInterval of elapsed playing time runs out and unmarks every other
// entry, then shows "Set OK.".
int32_t RunIntervalPass(TitleTables& t, Ui& ui, int32_t caret);

}  // namespace vm
