// The titles of a volume: VIDEO_TS.IFO's title search pointer table
// (TT_SRPT) and, for each title set, its part-of-title table (VTS_PTT_SRPT)
// and program chains (VTS_PGCI with their program maps, cell playback and
// cell position tables). Damaged or missing tables mark the titles they
// describe; they never stop the others from being listed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dvd/ifo_view.h"

namespace vm {

constexpr int kMaxListedTitles = 99;
constexpr int kMaxPgcCells = 255;
constexpr int kMaxPgcPrograms = 255;
constexpr int kMaxTitleAudio = 8;
constexpr int kMaxTitleSubpic = 32;

enum class TitleFault : uint8_t {
  None = 0,
  NoVtsi,       // the title set's information file is missing or too short
  BadVtsi,      // not a VTSI, or its table pointers lead outside the file
  NoPtt,        // no part-of-title entry for the title
  SeveralPgcs,  // the title's chapters lie in more than one program chain
  NoPgc,        // the program chain its chapters name is not there
  BadPgc,       // the program chain's tables lie outside the file
  NoCells,      // the program chain has no cell
};

// "its title set information file is missing", ...: completes "Title N: ".
const char* TitleFaultText(TitleFault fault);

// One cell in play order: its sectors in the title set's VOB files
// (first VOBU start to last VOBU end, both included).
struct TitleCell {
  uint32_t first;
  uint32_t last;
  uint32_t ilvuEnd;  // first ILVU end sector: not zero in an interleaved block
};

struct TitleEntry {
  int32_t vts;        // title set number, 1..99
  int32_t ttn;        // title number within its title set
  int32_t pgcn;       // program chain number within its title set
  int32_t angles;
  int32_t chapters;
  int32_t cells;
  int32_t programs;
  int32_t lengthMs;   // the program chain's playback time
  uint8_t interleaved;
  TitleFault fault;
  int32_t audioNum;
  int32_t subpicNum;
  char audioLang[kMaxTitleAudio][3];    // ISO 639 code, "" when not given
  char subpicLang[kMaxTitleSubpic][3];
  TitleCell cell[kMaxPgcCells];
  uint8_t programCell[kMaxPgcPrograms];  // entry cell of each program, 1-based
};

struct TitleList {
  int32_t count;    // titles listed
  int32_t longest;  // index of the longest readable title, -1 when none
  TitleEntry title[kMaxListedTitles];
};

// VIDEO_TS.IFO and the title sets' information files of `folder` (which
// ends in '/'), read in turn into `buffer`. 0 listed (faults per title);
// 1 VIDEO_TS.IFO missing; 2 VIDEO_TS.IFO without a readable title table.
int ReadTitleList(const char* folder, uint8_t* buffer, size_t bufferBytes, TitleList& list);

// The parse over bytes in memory, as ReadTitleList uses it: the title
// table (0, or 2 when it is not readable), then each title set's tables
// for the titles that name it (`vts` null: the file is missing), then the
// longest title.
int ParseTtSrpt(const IfoView& vmg, TitleList& list);
void ParseTitleSet(const IfoView* vts, int vtsNo, TitleList& list);
void FindLongestTitle(TitleList& list);

// "1:23:45" (hours not padded), at most 15 bytes with the terminator.
void FormatTitleLength(int32_t ms, char (&out)[16]);

}  // namespace vm
