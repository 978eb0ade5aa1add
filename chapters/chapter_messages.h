// The texts the chapter commands show, character for character.
#pragma once

namespace vm {

inline constexpr const char kInputDataNoneMessage[] = "Input data is none.";
inline constexpr const char kSetOkMessage[] = "Set OK.";
inline constexpr const char kClearChaptersQuestion[] = "All chapters are cleared. Execute or not ?";
inline constexpr const char kIntervalRangeMessage[] = "Set a value of the range 30 to 600.";

inline constexpr const char kChapterListNewQuestion[] =
    "Chapters are set by the CHPLIST.TXT file.\nPrevious chapters setting is cleared.\n"
    "Execute or not ?";
inline constexpr const char kChapterListAppendQuestion[] =
    "Chapters are set by the CHPLIST.TXT file.\nNew chapters setting is append to the current "
    "setting.\nExecute or not ?";
inline constexpr const char kChapterListNotFoundMessage[] = "CHPLIST.TXT is not found.";
// Formatted with the line number.
inline constexpr const char kChapterListInvalidLineFormat[] =
    "An invalid description is found in the CHPLIST.TXT file (Line=%d).";
inline constexpr const char kChapterListTooManyMessage[] =
    "Number of chapters in the CHPLIST.TXT file is too many (>255).";

// Chapter files other than CHPLIST.TXT: the same sentences with the file's
// own name in place of CHPLIST.TXT.
inline constexpr const char kChapterFileQuestionFormat[] =
    "Chapters are set by the %s file.\nPrevious chapters setting is cleared.\nExecute or not ?";
inline constexpr const char kChapterFileNotFoundFormat[] = "%s is not found.";
inline constexpr const char kChapterFileInvalidLineFormat[] =
    "An invalid description is found in the %s file (Line=%d).";
inline constexpr const char kChapterFileTooManyFormat[] =
    "Number of chapters in the %s file is too many (>255).";
inline constexpr const char kChapterFileCreateFormat[] = "Can't create %s.";
inline constexpr const char kChapterFileUnreadableFormat[] = "%s can't be read (%s).";
inline constexpr const char kChapterFileTooBigFormat[] =
    "%s is too big for a chapter file (more than 1 MiB).";
inline constexpr const char kSceneCutsQuestion[] =
    "Chapters are set at scene cuts. Previous chapters setting is cleared. Execute or not ?";
inline constexpr const char kNoSceneCutMessage[] =
    "No scene cut is found. The chapters are left as they were.";
// Formatted with the cuts found and the marks set.
inline constexpr const char kSceneCutsSetFormat[] =
    "Set OK.\nScene cuts found: %d. Chapter marks set: %d.";
// Formatted with the cuts found, the marks moved and the marks there were.
inline constexpr const char kSnapMovedFormat[] =
    "Set OK.\nScene cuts found: %d. Chapter marks moved: %d of %d.";
// Formatted with the lowest and the highest value.
inline constexpr const char kValueRangeFormat[] = "Set a value of the range %d to %d.";
inline constexpr const char kTitleChaptersTooManyMessage[] =
    "Number of chapters is too many (Maximum:127, Standardized:99).";

}  // namespace vm
