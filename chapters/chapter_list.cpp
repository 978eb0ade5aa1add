#include "chapters/chapter_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "chapters/chapter_marks.h"
#include "chapters/chapter_messages.h"
#include "chapters/row_time.h"
#include "common/fixed_string.h"
#include "common/ui.h"

namespace vm {

namespace {

constexpr int32_t kMaxHours = 23;
constexpr int32_t kMaxMinutes = 59;
constexpr int32_t kMaxSeconds = 59;
constexpr int32_t kMaxMillis = 999;
constexpr int kFractionDigits = 3;
// A time lands on an entry once less than this is left of it.
constexpr int32_t kPlacementSlackMs = 250;

constexpr unsigned char kUtf8Bom[3] = {0xEF, 0xBB, 0xBF};

// Serves a stream's bytes one by one after the bytes looked at for a
// byte-order mark that was not there.
struct ByteSource {
  std::FILE* f;
  unsigned char held[3];
  int heldCount = 0;
  int heldPos = 0;

  int Get() {
    if (heldPos < heldCount) return held[heldPos++];
    return getc_unlocked(f);
  }
};

void SkipByteOrderMark(ByteSource& in) {
  while (in.heldCount < 3) {
    int c = getc_unlocked(in.f);
    if (c == EOF) break;
    in.held[in.heldCount++] = static_cast<unsigned char>(c);
    if (in.held[in.heldCount - 1] != kUtf8Bom[in.heldCount - 1]) return;
  }
  if (in.heldCount == 3) in.heldPos = 3;  // the whole mark: dropped
}

// One line of at most kChapterLineChars characters, its LF included when it
// fits. Returns the length, or -1 at the end of the stream.
int ReadLinePiece(ByteSource& in, char* buf) {
  int n = 0;
  while (n < kChapterLineChars) {
    int c = in.Get();
    if (c == EOF) break;
    buf[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  return n == 0 ? -1 : n;
}

int32_t FractionMillis(const char* text, int n) {
  char digits[kFractionDigits];
  for (int k = 0; k < kFractionDigits; ++k) digits[k] = k < n ? text[k] : '0';
  return DecimalPrefix(digits, kFractionDigits);
}

}  // namespace

bool ParseChapterLine(const char* text, int32_t& ms, bool& empty) {
  char line[kChapterLineChars + 1];
  int n = 0;
  for (const char* p = text; *p != '\0' && n < kChapterLineChars; ++p) {
    if (*p != ' ') line[n++] = *p;
  }
  line[n] = '\0';
  ms = 0;
  empty = n == 0;
  if (empty) return false;

  int colons = 0;
  bool fraction = false;
  int fieldStart = 0;
  int32_t hours = 0, minutes = 0, seconds = 0, millis = 0;
  for (int k = 0; k < n; ++k) {
    const char c = line[k];
    const size_t width = static_cast<size_t>(k - fieldStart);
    if (c == ':') {
      int32_t v = DecimalPrefix(line + fieldStart, width);
      if (++colons == 1) {
        hours = v;
      } else {
        minutes = v;
      }
      fieldStart = k + 1;
    } else if (c == '.') {
      seconds = DecimalPrefix(line + fieldStart, width);
      fraction = true;
      fieldStart = k + 1;
    } else if (k == n - 1) {
      if (fraction) {
        millis = FractionMillis(line + fieldStart, n - fieldStart);
      } else {
        seconds = DecimalPrefix(line + fieldStart, width + 1);
      }
    }
  }
  if (colons != 2 || hours < 0 || hours > kMaxHours || minutes < 0 || minutes > kMaxMinutes ||
      seconds < 0 || seconds > kMaxSeconds || millis < 0 || millis > kMaxMillis) {
    return false;
  }
  ms = ((hours * 3600 + minutes * 60 + seconds) * 1000) + millis;
  return true;
}

ChapterListResult ParseChapterStream(std::FILE* f, ChapterTimeTable& out) {
  out.count = 0;
  ByteSource in{f, {}, 0, 0};
  SkipByteOrderMark(in);
  char buf[kChapterLineChars + 1];
  int32_t lineNo = 1;
  for (int n; (n = ReadLinePiece(in, buf)) >= 0;) {
    if (n > 0 && buf[n - 1] == '\n') --n;
    if (n > 0 && buf[n - 1] == '\r') --n;
    // A NUL byte ends the text of its line, as it would for any C string.
    buf[n] = '\0';
    int32_t ms = 0;
    bool empty = false;
    bool valid = ParseChapterLine(buf, ms, empty);
    if (!empty) {
      if (!valid) return {ChapterListStatus::InvalidLine, lineNo};
      if (out.count >= kChapterTimeSlots) return {ChapterListStatus::TooMany, lineNo};
      out.ms[out.count++] = ms;
    }
    if (lineNo < INT32_MAX) ++lineNo;
  }
  if (std::ferror(f)) return FileTrouble(errno != 0 ? errno : EIO);
  return {ChapterListStatus::Ok, 0};
}

ChapterListResult ParseChapterListFile(const char* path, ChapterTimeTable& out) {
  out.count = 0;
  // Non-blocking so that a FIFO of that name cannot hang the program; only
  // a regular file is read (a folder would read as an empty list).
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return FileTrouble(errno);
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return {ChapterListStatus::NotFound, 0};
  }
  std::FILE* f = fdopen(fd, "rb");
  if (f == nullptr) {
    close(fd);
    return {ChapterListStatus::NotFound, 0};
  }
  ChapterListResult r = ParseChapterStream(f, out);
  std::fclose(f);
  return r;
}

void PlaceChapterTimes(TitleTables& t, const ChapterTimeTable& times) {
  PlaceChapterTimesFrom(t, times, 0);
}

void PlaceChapterTimesFrom(TitleTables& t, const ChapterTimeTable& times, int32_t start) {
  // Elapsed time rises strictly from entry to entry, so the times in
  // ascending order land in one walk where each would land on its own.
  int32_t sorted[kChapterTimeSlots];
  int32_t count = std::clamp(times.count, 0, kChapterTimeSlots);
  std::copy(times.ms, times.ms + count, sorted);
  std::sort(sorted, sorted + count);

  const int32_t n = ChapterEntryCount(t);
  int32_t next = 0;
  int64_t elapsed = 0;
  int32_t prev = 0;
  if (start < 0) start = 0;
  for (int32_t i = start; i < n && next < count; ++i) {
    int32_t now = RowTimeMs(t, i);
    if (i > start) elapsed += ElapsedStepMs(prev, now);
    prev = now;
    bool lands = false;
    while (next < count && sorted[next] - elapsed < kPlacementSlackMs) {
      lands = true;
      ++next;
    }
    if (lands && (t.TimeListFlags[i] & TL_CHAPTER) == 0) SetChapterMark(t, i, true);
  }
}

int32_t RunChapterList(TitleTables& t, Ui& ui, int32_t caret, ChapterListMode mode,
                       const char* path) {
  if (t.BusyFlag == 1) return -1;
  if (ChapterEntryCount(t) == 0) {
    ui.Error(kInputDataNoneMessage);
    return -1;
  }
  const char* question =
      mode == ChapterListMode::New ? kChapterListNewQuestion : kChapterListAppendQuestion;
  if (ui.Confirm(question) != Answer::Yes) return -1;

  ChapterTimeTable times;
  ChapterListResult r = ParseChapterListFile(path, times);
  switch (r.status) {
    case ChapterListStatus::Ok:
      break;
    case ChapterListStatus::NotFound:
      ui.Error(kChapterListNotFoundMessage);
      return -1;
    case ChapterListStatus::InvalidLine: {
      MessageText text;
      text.Format(kChapterListInvalidLineFormat, r.line);
      ui.Error(text.c_str());
      return -1;
    }
    case ChapterListStatus::TooMany:
      ui.Error(kChapterListTooManyMessage);
      return -1;
    case ChapterListStatus::Unreadable:
    case ChapterListStatus::TooBig: {
      MessageText text;
      if (r.status == ChapterListStatus::TooBig) text.Format(kChapterFileTooBigFormat, path);
      else text.Format(kChapterFileUnreadableFormat, path, std::strerror(r.error));
      ui.Error(text.c_str());
      return -1;
    }
  }
  if (mode == ChapterListMode::New) ClearAllMarks(t);
  PlaceChapterTimes(t, times);
  ui.Information(kSetOkMessage);
  return caret >= 0 && caret < ChapterEntryCount(t) ? caret : -1;
}

}  // namespace vm
