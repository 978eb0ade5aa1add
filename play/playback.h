// Playback through an external player: the packs of a stretch of the title
// are copied byte for byte into a work file in the program folder, and the
// shell starts the player on it. "Play", "Play continue", "Play A - B" and
// the double click differ only in the entries they copy.
#pragma once

#include <cstdint>

#include "common/fixed_string.h"
#include "common/ui.h"
#include "title/tables.h"

namespace vm {

enum class PlayMode {
  Play,      // from the caret line for the playing time
  Continue,  // from PlayNextIndex for the playing time
  AtoB,      // the first to the last selected line
  OneVobu,   // the double click: the caret line's VOBU alone
};

// The playing-time choices of the settings dialog.
constexpr int32_t kPlayingTimeChoices = 22;
constexpr int32_t kDefaultPlayingTime = 10;

// VOBUs played for a playing-time index; an index outside 0..21 counts as
// the default.
int32_t PlayVobuCount(int32_t playingTime);

// The time list's selection as the command starts.
struct PlaySelection {
  int32_t caret;          // the caret line, -1 when there is none
  int32_t firstSelected;  // -1 when no line is selected
  int32_t lastSelected;
};

// The entries [first, end) to copy, and for "Play continue" the lines the
// shell selects (first..selectLast, first as top and caret line) before
// the copy starts.
struct PlayRange {
  PlayMode mode;
  int32_t first;
  int32_t end;
  bool selectLines;
  int32_t selectLast;
};

// Choosing the entries: the busy rule, "Input data is none.", "End of file.",
// "Range is not specified.". False when the command ends here (silently
// while busy, else after its message).
bool ChoosePlayRange(const TitleTables& t, Ui& ui, PlayMode mode, const PlaySelection& sel,
                     int32_t playingTime, PlayRange& range);

enum class PlayResult {
  Ignored,  // busy, or the range was refused (its message shown)
  Failed,   // a message was shown; no player is to be started
  Ready,    // the work file is complete: start the player on it
};

// Deletes both work files, copies the range into TMP1.MPG (TMP2.MPG when
// the first cannot be created) in `programFolder`, sets PlayNextIndex and
// names the work file in `workFile`. Above 16 MiB the progress window
// shows "Display data creating". A file that could not be written whole is
// reported and never handed to the player.
PlayResult WritePlayFile(TitleTables& t, Ui& ui, const PlayRange& range,
                         const char* programFolder, Path& workFile);

// The bytes that playing entries [first, end) puts into a work file,
// written to `outPath` (the extract command). 0 written, else a message
// was shown. A path that leads to one of the title's VOB files is refused.
int CopyEntriesToFile(TitleTables& t, Ui& ui, int32_t first, int32_t end, const char* outPath);

// Where the bytes of entries [first, end) lie: from byte b0 of VOB file f0
// to byte b1 of VOB file f1 (exclusive), every file between them whole, as
// far as the scan covered each file. An end at or past the last entry runs
// to the end of the scanned data of the last file.
struct PlaySpan {
  int32_t f0, f1;
  int64_t b0, b1;
  int64_t size;  // bytes in all
};

constexpr int64_t kMaxPlayBytes = int64_t{1} << 30;

// The byte span, computed exactly: false when the entries are not in the
// list or the size is negative or above 1 GiB.
bool PlaySpanOf(const TitleTables& t, int32_t first, int32_t end, PlaySpan& span);

// Copies through IoBuffer even where the kernel would copy file to file
// (tests and the benchmark compare the two ways).
struct PlayCopyOptions {
  bool plainCopy = false;
};
PlayCopyOptions& PlayCopySettings();

}  // namespace vm
