// The chapter list file: a plain text list of "h:m:s[.fraction]" times,
// parsed whole and then placed on the time list by elapsed playing time,
// either replacing every mark ([New]) or adding to them ([Append]).
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "title/tables.h"

namespace vm {

class Ui;

constexpr int kChapterTimeSlots = 256;
// A line is read with at most this many characters; the rest of a longer
// line is read as the next line.
constexpr int kChapterLineChars = 254;

struct ChapterTimeTable {
  int32_t count;
  int32_t ms[kChapterTimeSlots];
};

// NotFound: no such file, or not a regular file. Unreadable: there, but it
// cannot be opened or read (permissions, a read error). TooBig: longer than
// any chapter file can be.
enum class ChapterListStatus { Ok, NotFound, InvalidLine, TooMany, Unreadable, TooBig };

struct ChapterListResult {
  ChapterListStatus status;
  int32_t line;   // the 1-based line of an invalid description
  int error = 0;  // errno of an Unreadable file
};

// NotFound or Unreadable for a failed open or read with `err`.
inline ChapterListResult FileTrouble(int err) {
  return {err == ENOENT || err == ENOTDIR ? ChapterListStatus::NotFound
                                          : ChapterListStatus::Unreadable,
          0, err};
}

// The time of one line (line end already removed): true with the
// milliseconds, false when the line is invalid. `empty` is set when nothing
// but spaces is left, which is skipped rather than invalid.
bool ParseChapterLine(const char* text, int32_t& ms, bool& empty);

// Parses an open stream from its current position to its end. A UTF-8
// byte-order mark at the start is skipped; LF and CR LF end a line.
ChapterListResult ParseChapterStream(std::FILE* f, ChapterTimeTable& out);

// Opens `path` (a regular file only) and parses it.
ChapterListResult ParseChapterListFile(const char* path, ChapterTimeTable& out);

// Marks, for each time, the first entry whose elapsed playing time since
// entry 0 is above the time less 250 ms; a time past the end marks nothing.
// Existing marks are kept.
void PlaceChapterTimes(TitleTables& t, const ChapterTimeTable& times);

// The same placement walking from entry `start` on, with elapsed time
// counted from it: a time lands on the first entry from `start` whose
// elapsed time since `start` is above the time less 250 ms.
void PlaceChapterTimesFrom(TitleTables& t, const ChapterTimeTable& times, int32_t start);

enum class ChapterListMode { New, Append };

// "Chapter list [New] (&N)" / "Chapter list [Append] (&A)" reading `path`:
// busy rule, "Input data is none.", the question, the whole parse (any
// failure shows its message and changes nothing), in New mode the clearing
// of every mark, the placement and "Set OK.".
int32_t RunChapterList(TitleTables& t, Ui& ui, int32_t caret, ChapterListMode mode,
                       const char* path);

}  // namespace vm
