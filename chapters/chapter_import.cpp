// Reading a chapter file in any of the forms, recognised from its content,
// and placing its times from the range start.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "chapters/chapter_file.h"
#include "chapters/chapter_marks.h"
#include "chapters/chapter_messages.h"
#include "chapters/row_time.h"
#include "common/fixed_string.h"
#include "common/ui.h"

namespace vm {

namespace {

// Chapter files are a few kilobytes; a bigger file is no chapter file.
constexpr int64_t kMaxChapterFileBytes = 1 << 20;
// The largest time a chapter may have, so that milliseconds fit in int32.
constexpr int64_t kMaxChapterMs = INT32_MAX - 1;
constexpr int kMaxFractionDigits = 9;

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

struct Text {
  const char* p;
  size_t n;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

Text Trim(Text t) {
  while (t.n > 0 && IsSpace(t.p[0])) ++t.p, --t.n;
  while (t.n > 0 && IsSpace(t.p[t.n - 1])) --t.n;
  return t;
}

bool StartsWith(Text t, const char* prefix, bool ignoreCase = false) {
  size_t k = std::strlen(prefix);
  if (t.n < k) return false;
  return ignoreCase ? strncasecmp(t.p, prefix, k) == 0 : std::memcmp(t.p, prefix, k) == 0;
}

bool Equals(Text t, const char* word) {
  return t.n == std::strlen(word) && std::memcmp(t.p, word, t.n) == 0;
}

// Lines of an in-memory text; LF or CR LF end a line.
struct Lines {
  Text all;
  size_t pos = 0;
  int32_t number = 0;  // of the line last returned

  bool Next(Text& line) {
    if (pos >= all.n) return false;
    const char* start = all.p + pos;
    const void* lf = std::memchr(start, '\n', all.n - pos);
    size_t len = lf ? static_cast<size_t>(static_cast<const char*>(lf) - start) : all.n - pos;
    pos += len + (lf ? 1 : 0);
    if (len > 0 && start[len - 1] == '\r') --len;
    line = {start, len};
    if (number < INT32_MAX) ++number;
    return true;
  }
};

// Digits only, at least one; false when the value passes `max`.
bool Number(Text t, int64_t max, int64_t& value) {
  if (t.n == 0) return false;
  value = 0;
  for (size_t k = 0; k < t.n; ++k) {
    if (t.p[k] < '0' || t.p[k] > '9') return false;
    value = value * 10 + (t.p[k] - '0');
    if (value > max) return false;
  }
  return true;
}

// "[[h:]m:]s[.fraction]" with at least `minColons` colons; minutes and
// seconds below 60 under a higher field; the fraction rounded to the
// nearest millisecond.
bool Clock(Text t, int minColons, int64_t& ms) {
  t = Trim(t);
  const char* dot = static_cast<const char*>(std::memchr(t.p, '.', t.n));
  Text whole{t.p, dot ? static_cast<size_t>(dot - t.p) : t.n};
  int64_t fieldsMs = 0;
  int colons = 0;
  size_t start = 0;
  int64_t field[3] = {0, 0, 0};
  int fields = 0;
  for (size_t k = 0; k <= whole.n; ++k) {
    if (k < whole.n && whole.p[k] != ':') continue;
    if (fields == 3) return false;
    if (!Number({whole.p + start, k - start}, kMaxChapterMs / 1000, field[fields])) return false;
    ++fields;
    if (k < whole.n) ++colons;
    start = k + 1;
  }
  if (colons < minColons) return false;
  for (int f = 1; f < fields; ++f)
    if (field[f] > 59) return false;
  for (int f = 0; f < fields; ++f) fieldsMs = fieldsMs * 60 + field[f];
  fieldsMs *= 1000;
  if (dot != nullptr) {
    Text frac{dot + 1, t.n - whole.n - 1};
    if (frac.n == 0) return false;
    int64_t digits = 0, scale = 1;
    for (size_t k = 0; k < frac.n; ++k) {
      if (frac.p[k] < '0' || frac.p[k] > '9') return false;
      if (k < kMaxFractionDigits) {
        digits = digits * 10 + (frac.p[k] - '0');
        scale *= 10;
      }
    }
    fieldsMs += (digits * 1000 + scale / 2) / scale;
  }
  if (fieldsMs > kMaxChapterMs) return false;
  ms = fieldsMs;
  return true;
}

struct Sink {
  ChapterTimeTable& out;
  ChapterListResult Add(int64_t ms, int32_t line) {
    if (out.count >= kChapterTimeSlots) return {ChapterListStatus::TooMany, line};
    out.ms[out.count++] = static_cast<int32_t>(ms);
    return {ChapterListStatus::Ok, 0};
  }
};

constexpr ChapterListResult kOk{ChapterListStatus::Ok, 0};
ChapterListResult Invalid(int32_t line) { return {ChapterListStatus::InvalidLine, line}; }

// CHAPTERnn=hh:mm:ss.mmm and CHAPTERnnNAME=text pairs.
ChapterListResult ParseOgm(Text all, Sink& sink) {
  Lines lines{all};
  for (Text line; lines.Next(line);) {
    line = Trim(line);
    if (line.n == 0) continue;
    const char* eq = static_cast<const char*>(std::memchr(line.p, '=', line.n));
    if (!StartsWith(line, "CHAPTER", true) || eq == nullptr) return Invalid(lines.number);
    Text key{line.p + 7, static_cast<size_t>(eq - line.p) - 7};
    size_t digits = 0;
    while (digits < key.n && key.p[digits] >= '0' && key.p[digits] <= '9') ++digits;
    Text rest{key.p + digits, key.n - digits};
    if (digits == 0) return Invalid(lines.number);
    if (rest.n == 0) {
      int64_t ms = 0;
      if (!Clock({eq + 1, line.n - key.n - 8}, 2, ms)) return Invalid(lines.number);
      if (ChapterListResult r = sink.Add(ms, lines.number); r.status != ChapterListStatus::Ok)
        return r;
    } else if (!(rest.n == 4 && strncasecmp(rest.p, "NAME", 4) == 0)) {
      return Invalid(lines.number);
    }
  }
  return kOk;
}

// One or more lines of comma-separated times.
ChapterListResult ParseDvdauthor(Text all, Sink& sink) {
  Lines lines{all};
  for (Text line; lines.Next(line);) {
    if (Trim(line).n == 0) continue;
    size_t start = 0;
    for (size_t k = 0; k <= line.n; ++k) {
      if (k < line.n && line.p[k] != ',') continue;
      int64_t ms = 0;
      if (!Clock({line.p + start, k - start}, 0, ms)) return Invalid(lines.number);
      if (ChapterListResult r = sink.Add(ms, lines.number); r.status != ChapterListStatus::Ok)
        return r;
      start = k + 1;
    }
  }
  return kOk;
}

// ;FFMETADATA1, then sections; each [CHAPTER] needs START, in units of its
// TIMEBASE (FFmpeg's default is nanoseconds).
ChapterListResult ParseFfMetadata(Text all, Sink& sink) {
  Lines lines{all};
  Text line;
  while (lines.Next(line) && Trim(line).n == 0) {
  }
  bool inChapter = false, haveStart = false, continued = false;
  int32_t chapterLine = 0;
  int64_t num = 1, den = 1000000000, start = 0;
  auto finish = [&]() -> ChapterListResult {
    if (!inChapter) return kOk;
    inChapter = false;
    if (!haveStart) return Invalid(chapterLine);
    // start * num / den seconds, rounded to the millisecond.
    __int128 ms = (static_cast<__int128>(start) * num * 1000 + den / 2) / den;
    if (ms > kMaxChapterMs) return Invalid(chapterLine);
    return sink.Add(static_cast<int64_t>(ms), chapterLine);
  };
  while (lines.Next(line)) {
    bool wasContinued = continued;
    // A value ending in an unescaped backslash goes on on the next line.
    size_t slashes = 0;
    while (slashes < line.n && line.p[line.n - 1 - slashes] == '\\') ++slashes;
    continued = slashes % 2 == 1;
    if (wasContinued) continue;
    Text t = Trim(line);
    if (t.n == 0 || t.p[0] == ';' || t.p[0] == '#') continue;
    if (t.p[0] == '[') {
      if (ChapterListResult r = finish(); r.status != ChapterListStatus::Ok) return r;
      if (Equals(t, "[CHAPTER]")) {
        inChapter = true;
        haveStart = false;
        chapterLine = lines.number;
        num = 1;
        den = 1000000000;
      } else if (t.p[t.n - 1] != ']') {
        return Invalid(lines.number);
      }
      continue;
    }
    const char* eq = static_cast<const char*>(std::memchr(t.p, '=', t.n));
    if (eq == nullptr) return Invalid(lines.number);
    if (!inChapter) continue;
    Text key{t.p, static_cast<size_t>(eq - t.p)};
    Text value = Trim({eq + 1, t.n - key.n - 1});
    if (Equals(key, "TIMEBASE")) {
      const char* slash = static_cast<const char*>(std::memchr(value.p, '/', value.n));
      if (slash == nullptr ||
          !Number({value.p, static_cast<size_t>(slash - value.p)}, INT32_MAX, num) ||
          !Number({slash + 1, value.n - static_cast<size_t>(slash - value.p) - 1}, INT32_MAX,
                  den) ||
          num == 0 || den == 0)
        return Invalid(lines.number);
    } else if (Equals(key, "START")) {
      if (!Number(value, INT64_MAX / 10, start)) return Invalid(lines.number);
      haveStart = true;
    } else if (Equals(key, "END")) {
      int64_t end = 0;
      if (!Number(value, INT64_MAX / 10, end)) return Invalid(lines.number);
    }
  }
  return finish();
}

// Matroska chapter XML: the ChapterTimeStart of every top-level atom of the
// first edition. A small tag walker: declarations, comments and the
// DOCTYPE are skipped; the first element must be <Chapters>.
ChapterListResult ParseMatroska(Text all, Sink& sink) {
  int32_t line = 1;
  size_t pos = 0;
  bool root = false, inTime = false;
  int editions = 0, editionDepth = 0, atomDepth = 0;
  size_t textStart = 0;
  int32_t textLine = 0;
  auto advance = [&](size_t to) {
    for (; pos < to; ++pos)
      if (all.p[pos] == '\n' && line < INT32_MAX) ++line;
  };
  auto find = [&](const char* what) -> size_t {
    size_t k = std::strlen(what);
    for (size_t q = pos; q + k <= all.n; ++q)
      if (std::memcmp(all.p + q, what, k) == 0) return q;
    return all.n;
  };
  while (true) {
    size_t lt = find("<");
    if (lt == all.n) break;
    advance(lt);
    const int32_t tagLine = line;
    Text rest{all.p + pos, all.n - pos};
    const char* close = StartsWith(rest, "<!--") ? "-->" : StartsWith(rest, "<?") ? "?>" : ">";
    size_t end = find(close);
    if (end == all.n) return Invalid(tagLine);
    Text tag{all.p + pos + 1, end - pos - 1};
    if (inTime) {
      int64_t ms = 0;
      if (!Clock({all.p + textStart, lt - textStart}, 2, ms)) return Invalid(textLine);
      if (ChapterListResult r = sink.Add(ms, textLine); r.status != ChapterListStatus::Ok)
        return r;
      inTime = false;
    }
    advance(end + std::strlen(close));
    if (tag.n == 0) return Invalid(tagLine);
    if (tag.p[0] == '!' || tag.p[0] == '?') continue;
    const bool closing = tag.p[0] == '/';
    const bool empty = tag.p[tag.n - 1] == '/';
    Text name{tag.p + (closing ? 1 : 0), 0};
    while (name.p + name.n < tag.p + tag.n && !IsSpace(name.p[name.n]) && name.p[name.n] != '/')
      ++name.n;
    if (!root) {
      if (closing || !Equals(name, "Chapters")) return Invalid(tagLine);
      root = true;
      continue;
    }
    if (Equals(name, "EditionEntry") && !empty) {
      editionDepth += closing ? -1 : 1;
      if (!closing) ++editions;
    } else if (Equals(name, "ChapterAtom") && !empty) {
      atomDepth += closing ? -1 : 1;
    } else if (Equals(name, "ChapterTimeStart") && !closing && !empty) {
      if (editions == 1 && editionDepth == 1 && atomDepth == 1) {
        inTime = true;
        textStart = pos;
        textLine = line;
      }
    }
  }
  if (!root) return Invalid(line);
  if (inTime) return Invalid(textLine);
  return kOk;
}

ChapterListResult ParseChplist(Text all, ChapterTimeTable& out) {
  if (all.n == 0) return kOk;
  std::FILE* f = fmemopen(const_cast<char*>(all.p), all.n, "rb");
  if (f == nullptr) return {ChapterListStatus::NotFound, 0};
  ChapterListResult r = ParseChapterStream(f, out);
  std::fclose(f);
  return r;
}

ChapterFileFormat Recognise(Text all) {
  Lines lines{all};
  Text first{all.p, 0};
  while (lines.Next(first) && Trim(first).n == 0) {
  }
  first = Trim(first);
  if (StartsWith(first, ";FFMETADATA")) return ChapterFileFormat::FfMetadata;
  if (StartsWith(first, "<")) return ChapterFileFormat::Matroska;
  if (StartsWith(first, "CHAPTER", true) && first.n > 7 && first.p[7] >= '0' && first.p[7] <= '9')
    return ChapterFileFormat::Ogm;
  if (std::memchr(first.p, ',', first.n) != nullptr) return ChapterFileFormat::Dvdauthor;
  return ChapterFileFormat::Chplist;
}

const char* BaseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

}  // namespace

ChapterListResult ParseChapterText(const char* text, int64_t size, ChapterTimeTable& out,
                                   ChapterFileFormat& format) {
  out.count = 0;
  const Text all{text, size > 0 ? static_cast<size_t>(size) : 0};
  Text body = all;
  if (StartsWith(body, kUtf8Bom)) body.p += 3, body.n -= 3;
  format = Recognise(body);
  Sink sink{out};
  ChapterListResult r = kOk;
  switch (format) {
    // The chapter list reader skips a byte-order mark itself.
    case ChapterFileFormat::Chplist: r = ParseChplist(all, out); break;
    case ChapterFileFormat::Ogm: r = ParseOgm(body, sink); break;
    case ChapterFileFormat::Matroska: r = ParseMatroska(body, sink); break;
    case ChapterFileFormat::FfMetadata: r = ParseFfMetadata(body, sink); break;
    case ChapterFileFormat::Dvdauthor: r = ParseDvdauthor(body, sink); break;
  }
  if (r.status != ChapterListStatus::Ok) out.count = 0;
  return r;
}

ChapterListResult ParseChapterFile(const char* path, ChapterTimeTable& out,
                                   ChapterFileFormat& format) {
  out.count = 0;
  format = ChapterFileFormat::Chplist;
  // Non-blocking so that a FIFO cannot hang the program; regular files only.
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return FileTrouble(errno);
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return {ChapterListStatus::NotFound, 0};
  }
  // One byte past the limit tells a file that is too big from one that
  // just fits.
  static char buffer[kMaxChapterFileBytes + 1];
  int64_t got = 0;
  while (got < kMaxChapterFileBytes + 1) {
    ssize_t n = read(fd, buffer + got, static_cast<size_t>(kMaxChapterFileBytes + 1 - got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      close(fd);
      return FileTrouble(err);
    }
    if (n == 0) break;
    got += n;
  }
  close(fd);
  // No chapter file is this long: refused as what it is, not as a bad line.
  if (got > kMaxChapterFileBytes) return {ChapterListStatus::TooBig, 0};
  return ParseChapterText(buffer, got, out, format);
}

void PlacePresentationTimesFrom(TitleTables& t, const ChapterTimeTable& times, int32_t start) {
  // Times rounded to the millisecond may fall up to half of one short of
  // where they were taken: a VOBU's span counts from half a millisecond
  // before its start.
  constexpr int64_t kTicksPerMs = 90, kRoundingTicks = kTicksPerMs / 2;
  int32_t sorted[kChapterTimeSlots];
  const int32_t count = std::clamp(times.count, 0, kChapterTimeSlots);
  std::copy(times.ms, times.ms + count, sorted);
  std::sort(sorted, sorted + count);
  const int32_t n = ChapterEntryCount(t);
  int32_t next = 0;
  while (next < count && sorted[next] < 0) ++next;
  int64_t begin = 0;  // ticks from `start` to entry i
  for (int32_t i = start < 0 ? 0 : start; i < n && next < count; ++i) {
    const int64_t end = begin + t.TimeListPtmTicks[i];
    bool lands = false;
    while (next < count && sorted[next] * kTicksPerMs + kRoundingTicks < end) {
      lands = true;
      ++next;
    }
    if (lands && (t.TimeListFlags[i] & TL_CHAPTER) == 0) SetChapterMark(t, i, true);
    begin = end;
  }
}

int32_t RunImportChapters(TitleTables& t, Ui& ui, int32_t caret, const char* path) {
  if (t.BusyFlag == 1) return -1;
  const int32_t n = ChapterEntryCount(t);
  if (n == 0) {
    ui.Error(kInputDataNoneMessage);
    return -1;
  }
  const char* name = BaseName(path);
  MessageText text;
  text.Format(kChapterFileQuestionFormat, name);
  if (ui.Confirm(text.c_str()) != Answer::Yes) return -1;

  static ChapterTimeTable times;
  ChapterFileFormat format;
  ChapterListResult r = ParseChapterFile(path, times, format);
  switch (r.status) {
    case ChapterListStatus::Ok:
      break;
    case ChapterListStatus::NotFound:
      text.Format(kChapterFileNotFoundFormat, name);
      ui.Error(text.c_str());
      return -1;
    case ChapterListStatus::InvalidLine:
      text.Format(kChapterFileInvalidLineFormat, name, r.line);
      ui.Error(text.c_str());
      return -1;
    case ChapterListStatus::TooMany:
      text.Format(kChapterFileTooManyFormat, name);
      ui.Error(text.c_str());
      return -1;
    case ChapterListStatus::Unreadable:
      text.Format(kChapterFileUnreadableFormat, name, std::strerror(r.error));
      ui.Error(text.c_str());
      return -1;
    case ChapterListStatus::TooBig:
      text.Format(kChapterFileTooBigFormat, name);
      ui.Error(text.c_str());
      return -1;
  }
  ClearAllMarks(t);
  // Times count from the range start, which the export writes as 0.
  const int32_t start = t.RangeStart >= 0 && t.RangeStart < n ? t.RangeStart : 0;
  if (format != ChapterFileFormat::Chplist && HasPresentationTimes(t)) {
    PlacePresentationTimesFrom(t, times, start);
  } else {
    PlaceChapterTimesFrom(t, times, start);
  }
  ui.Information(kSetOkMessage);
  return caret >= 0 && caret < n ? caret : -1;
}

}  // namespace vm
