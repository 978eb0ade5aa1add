// Chapter files in the forms other programs read and write: this program's
// own chapter list, OGM chapter pairs, Matroska chapter XML, FFmpeg's
// metadata file and the comma list of dvdauthor's chapters= attribute.
//
// Times in these files count from the range start, the first chapter of
// the volume the range becomes. The chapter list (CHPLIST.TXT) keeps its
// elapsed list time: the step rule of the chapter list placement. The other
// forms carry presentation time, as rippers and players time chapters: the
// sum of the presentation times of the VOBUs before the chapter's first
// one, and a time imported lands on the VOBU whose presentation holds it.
// Either way an exported file imported again marks the same entries.
#pragma once

#include <cstdint>

#include "chapters/chapter_list.h"
#include "common/fixed_string.h"
#include "title/tables.h"

namespace vm {

class Ui;

enum class ChapterFileFormat { Chplist, Ogm, Matroska, FfMetadata, Dvdauthor };
constexpr int kChapterFileFormats = 5;

// "chplist", "ogm", "matroska", "ffmetadata", "dvdauthor".
const char* ChapterFormatName(ChapterFileFormat format);
bool ChapterFormatFromName(const char* name, ChapterFileFormat& out);

// The chapters of the current range as the new volume will have them: the
// range start, then every marked entry up to the range end. `entries` gets
// the entries, `ms` their chapter list times; `endMs` is the time the range
// ends. `presentMs` and `presentEndMs` are the same in presentation time
// (the list times again where the read kept no presentation times).
struct RangeChapters {
  int32_t count;
  int32_t entries[kChapterTimeSlots];
  int32_t ms[kChapterTimeSlots];
  int32_t endMs;
  int32_t presentMs[kChapterTimeSlots];
  int32_t presentEndMs;
};

// True when the time list has each VOBU's presentation time (a scan keeps
// them; a list built otherwise has only its row times).
bool HasPresentationTimes(const TitleTables& t);

// Marks the entries whose VOBU's presentation span holds each time, counted
// from entry `start` (times rounded to the millisecond land where they were
// taken from). Marks already set stay.
void PlacePresentationTimesFrom(TitleTables& t, const ChapterTimeTable& times, int32_t start);

// Refused: the output check turned the path down (an input file, a place in
// the input folder, a second writer); nothing was written.
enum class ChapterExportStatus { Ok, NoData, TooMany, CreateFailed, Refused };

// false when the range holds more chapters than a title may have (count is
// then the slots filled).
bool CollectRangeChapters(const TitleTables& t, RangeChapters& out);

// Writes the range's chapters to `path` in `format` (created or replaced,
// never written through a link, never into the input folder). When refused,
// `why` (if given) says why.
ChapterExportStatus ExportChapters(const TitleTables& t, ChapterFileFormat format,
                                   const char* path, MessageText* why = nullptr);

// ExportChapters for a person: busy rule, then the failure messages
// "Input data is none.", "Number of chapters is too many (Maximum:127,
// Standardized:99)." and "Can't create %s." (the path). Silent on success.
// 0 written, 1 not written.
int32_t RunExportChapters(const TitleTables& t, Ui& ui, ChapterFileFormat format,
                          const char* path);

// Recognises the form from the content and reads its times in file order.
// A bad line, or a file in none of the forms, gives InvalidLine with its
// 1-based line number; `format` is set to the form recognised.
ChapterListResult ParseChapterFile(const char* path, ChapterTimeTable& out,
                                   ChapterFileFormat& format);
ChapterListResult ParseChapterText(const char* text, int64_t size, ChapterTimeTable& out,
                                   ChapterFileFormat& format);

// "Import chapters": busy rule, "Input data is none.", the [New] question,
// the whole parse (a failure shows its message and changes nothing), the
// clearing of every mark, the placement from the range start and "Set OK.".
// The messages name the file as the chapter list's name CHPLIST.TXT:
//   "Chapters are set by the %s file.\nPrevious chapters setting is
//    cleared.\nExecute or not ?"
//   "%s is not found."
//   "An invalid description is found in the %s file (Line=%d)."
//   "Number of chapters in the %s file is too many (>255)."
// with %s the file's name without its folder. Returns the caret line to
// select, or -1.
int32_t RunImportChapters(TitleTables& t, Ui& ui, int32_t caret, const char* path);

}  // namespace vm
