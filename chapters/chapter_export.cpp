// Writing the range's chapters as a chapter file.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "chapters/chapter_file.h"
#include "chapters/chapter_messages.h"
#include "chapters/row_time.h"
#include "common/fixed_string.h"
#include "common/output_file.h"
#include "common/ui.h"

namespace vm {

namespace {

constexpr int32_t kMaxRangeChapters = kMaxChaptersPerTitle;
// An import lands a time on the first entry whose elapsed time is above the
// time less this much.
constexpr int32_t kLandingSlackMs = 250;
// What the last VOBU of a title counts for when nothing follows it: the
// length the step rule gives any step it cannot measure.
constexpr int32_t kUnmeasuredStepMs = 500;
constexpr int64_t kTicksPerMs = 90;

struct FormatName {
  ChapterFileFormat format;
  const char* name;
};
constexpr FormatName kFormatNames[kChapterFileFormats] = {
    {ChapterFileFormat::Chplist, "chplist"},
    {ChapterFileFormat::Ogm, "ogm"},
    {ChapterFileFormat::Matroska, "matroska"},
    {ChapterFileFormat::FfMetadata, "ffmetadata"},
    {ChapterFileFormat::Dvdauthor, "dvdauthor"},
};

struct Clock {
  int32_t h, m, s, ms;
};

Clock Split(int32_t ms) {
  return {ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
}

// Every write goes through here so that one failed write fails the export.
struct Out {
  std::FILE* f;
  bool ok = true;
  void Put(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    va_list ap;
    va_start(ap, fmt);
    if (std::vfprintf(f, fmt, ap) < 0) ok = false;
    va_end(ap);
  }
};

void WriteChplist(Out& o, const RangeChapters& c) {
  for (int32_t k = 0; k < c.count; ++k) {
    Clock t = Split(c.ms[k]);
    o.Put("%d:%02d:%02d.%03d\n", t.h, t.m, t.s, t.ms);
  }
}

void WriteOgm(Out& o, const RangeChapters& c) {
  for (int32_t k = 0; k < c.count; ++k) {
    Clock t = Split(c.presentMs[k]);
    o.Put("CHAPTER%02d=%02d:%02d:%02d.%03d\n", k + 1, t.h, t.m, t.s, t.ms);
    o.Put("CHAPTER%02dNAME=Chapter %02d\n", k + 1, k + 1);
  }
}

void WriteMatroska(Out& o, const RangeChapters& c) {
  o.Put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE Chapters SYSTEM \"matroskachapters.dtd\">\n"
        "<Chapters>\n  <EditionEntry>\n");
  for (int32_t k = 0; k < c.count; ++k) {
    Clock t = Split(c.presentMs[k]);
    o.Put("    <ChapterAtom>\n"
          "      <ChapterTimeStart>%02d:%02d:%02d.%03d000000</ChapterTimeStart>\n"
          "      <ChapterDisplay>\n"
          "        <ChapterString>Chapter %02d</ChapterString>\n"
          "        <ChapterLanguage>eng</ChapterLanguage>\n"
          "      </ChapterDisplay>\n"
          "    </ChapterAtom>\n",
          t.h, t.m, t.s, t.ms, k + 1);
  }
  o.Put("  </EditionEntry>\n</Chapters>\n");
}

void WriteFfMetadata(Out& o, const RangeChapters& c) {
  o.Put(";FFMETADATA1\n");
  for (int32_t k = 0; k < c.count; ++k) {
    int32_t end = k + 1 < c.count ? c.presentMs[k + 1] : c.presentEndMs;
    o.Put("[CHAPTER]\nTIMEBASE=1/1000\nSTART=%d\nEND=%d\ntitle=Chapter %02d\n", c.presentMs[k],
          end, k + 1);
  }
}

void WriteDvdauthor(Out& o, const RangeChapters& c) {
  for (int32_t k = 0; k < c.count; ++k) {
    Clock t = Split(c.presentMs[k]);
    o.Put("%s%d:%02d:%02d.%03d", k == 0 ? "" : ",", t.h, t.m, t.s, t.ms);
  }
  o.Put("\n");
}

}  // namespace

const char* ChapterFormatName(ChapterFileFormat format) {
  for (const FormatName& f : kFormatNames)
    if (f.format == format) return f.name;
  return "";
}

bool ChapterFormatFromName(const char* name, ChapterFileFormat& out) {
  for (const FormatName& f : kFormatNames) {
    if (std::strcmp(f.name, name) == 0) {
      out = f.format;
      return true;
    }
  }
  return false;
}

bool HasPresentationTimes(const TitleTables& t) { return t.TimeListPtmKept == 1; }

namespace {

int32_t TicksToMs(int64_t ticks) {
  return static_cast<int32_t>(std::min<int64_t>((ticks + kTicksPerMs / 2) / kTicksPerMs,
                                                INT32_MAX - 1));
}

// Each chapter's presentation time: the VOBUs' presentation times from the
// range start up to its entry; the end is the range's whole time.
void CollectPresentationTimes(const TitleTables& t, RangeChapters& out) {
  if (!HasPresentationTimes(t)) {
    std::copy(out.ms, out.ms + out.count, out.presentMs);
    out.presentEndMs = out.endMs;
    return;
  }
  int64_t ticks = 0;
  int32_t k = 0;
  for (int32_t i = t.RangeStart; i <= t.RangeEnd; ++i) {
    if (k < out.count && out.entries[k] == i) out.presentMs[k++] = TicksToMs(ticks);
    ticks += t.TimeListPtmTicks[i];
  }
  // A range that presents no time still ends after its last chapter.
  out.presentEndMs = std::max(TicksToMs(ticks), out.presentMs[out.count - 1] + 1);
}

}  // namespace

bool CollectRangeChapters(const TitleTables& t, RangeChapters& out) {
  out.count = 0;
  out.endMs = 0;
  out.presentEndMs = 0;
  const int32_t n = ChapterEntryCount(t);
  const int32_t first = t.RangeStart, last = t.RangeEnd;
  if (first < 0 || last < first || last >= n) return true;
  // Elapsed time counts from the range start, as the volume's playing time
  // does. Each chapter's time is its entry's elapsed time, raised where
  // needed to 250 ms past the entry before, so that the import, which lands
  // a time on the first entry above it less 250 ms, comes back to this entry
  // and not the one before (a VOBU shorter than 250 ms).
  int64_t elapsed = 0, before = 0;
  int32_t prev = RowTimeMs(t, first);
  for (int32_t i = first; i <= last; ++i) {
    int32_t now = RowTimeMs(t, i);
    if (i > first) {
      before = elapsed;
      elapsed += ElapsedStepMs(prev, now);
    }
    prev = now;
    if (i != first && (t.TimeListFlags[i] & TL_CHAPTER) == 0) continue;
    if (out.count >= kMaxRangeChapters) return false;
    int64_t ms = i == first ? 0 : std::max(elapsed, before + kLandingSlackMs);
    out.entries[out.count] = i;
    out.ms[out.count] = static_cast<int32_t>(std::min<int64_t>(ms, INT32_MAX - 1));
    ++out.count;
  }
  int64_t end = elapsed + (last + 1 < n ? ElapsedStepMs(prev, RowTimeMs(t, last + 1))
                                        : kUnmeasuredStepMs);
  end = std::max<int64_t>(end, out.ms[out.count - 1] + 1);
  out.endMs = static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX));
  CollectPresentationTimes(t, out);
  return true;
}

ChapterExportStatus ExportChapters(const TitleTables& t, ChapterFileFormat format,
                                   const char* path, MessageText* why) {
  static RangeChapters chapters;
  if (!CollectRangeChapters(t, chapters)) return ChapterExportStatus::TooMany;
  if (chapters.count == 0) return ChapterExportStatus::NoData;
  OutputFile file;
  const OutputStatus opened = file.Open(path, t.InputFolder);
  if (opened != OutputStatus::Ok) {
    if (why != nullptr) DescribeOutputStatus(opened, path, file.Error(), *why);
    // A target that cannot be a file keeps the ordinary "can't create"; a
    // refusal to protect the input says why.
    return ProtectsInput(opened) ? ChapterExportStatus::Refused : ChapterExportStatus::CreateFailed;
  }
  std::FILE* f = file.Stream();
  if (f == nullptr) return ChapterExportStatus::CreateFailed;
  Out o{f};
  switch (format) {
    case ChapterFileFormat::Chplist: WriteChplist(o, chapters); break;
    case ChapterFileFormat::Ogm: WriteOgm(o, chapters); break;
    case ChapterFileFormat::Matroska: WriteMatroska(o, chapters); break;
    case ChapterFileFormat::FfMetadata: WriteFfMetadata(o, chapters); break;
    case ChapterFileFormat::Dvdauthor: WriteDvdauthor(o, chapters); break;
  }
  if (!o.ok) return ChapterExportStatus::CreateFailed;  // the part file is removed
  return file.Commit() == OutputStatus::Ok ? ChapterExportStatus::Ok
                                           : ChapterExportStatus::CreateFailed;
}

int32_t RunExportChapters(const TitleTables& t, Ui& ui, ChapterFileFormat format,
                          const char* path) {
  if (t.BusyFlag == 1) return 1;
  MessageText why;
  switch (ExportChapters(t, format, path, &why)) {
    case ChapterExportStatus::Ok:
      return 0;
    case ChapterExportStatus::NoData:
      ui.Error(kInputDataNoneMessage);
      return 1;
    case ChapterExportStatus::TooMany:
      ui.Error(kTitleChaptersTooManyMessage);
      return 1;
    case ChapterExportStatus::CreateFailed: {
      MessageText text;
      text.Format(kChapterFileCreateFormat, path);
      ui.Error(text.c_str());
      return 1;
    }
    case ChapterExportStatus::Refused:
      ui.Error(why.c_str());
      return 1;
  }
  return 1;
}

}  // namespace vm
