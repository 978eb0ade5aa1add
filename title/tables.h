// The process-wide model of the loaded title and of the volume to be
// written: fixed-capacity arrays, one static instance for the run
// (Tables()), and operations that take the tables by reference so that
// tests can build their own instances.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/files.h"
#include "common/fixed_string.h"
#include "title/title_list.h"

namespace vm {

class Ui;

// Capacities.
constexpr int kVobFileSlots = 128;
constexpr int kMaxVobFiles = 99;
constexpr int kTimeListSlots = 131072;              // entries plus the sentinel
constexpr int kMaxTimeListEntries = kTimeListSlots - 1;
constexpr int kSrcProgramSlots = 1000;
constexpr int kMaxSrcPrograms = 999;
constexpr int kTitleSlots = 100;
constexpr int kListSlots = 512;
constexpr int kMaxLists = 511;
constexpr int kChapterSlots = 1000;
constexpr int kMaxChaptersPerTitle = 127;
constexpr int kMaxChaptersAllTitles = 999;
constexpr int kProgramRecordSlots = 1000;
constexpr int kAudioStreamSlots = 8;
constexpr int kSubpicStreamSlots = 32;
constexpr int kSrcVtsiCopyBytes = 728;              // 512 VTSI bytes + 216 PGC bytes
constexpr int kSrcVtsiAttrBytes = 512;
constexpr size_t kIoBufferBytes = 16u << 20;
constexpr size_t kVtsiBufferBytes = 64u << 10;
constexpr int kSectorBytes = 2048;

// Time-list flag bits.
constexpr uint8_t TL_CELL_START = 0x01;
constexpr uint8_t TL_CHAPTER = 0x02;

// One list-box line: 23 characters, 24 from entry 100000 on, plus NUL.
constexpr int kLineBytes = 25;
constexpr int kLabelBytes = 32;

struct TitleTables {
  // Group 1: input file set. The title read is a table of extents, one
  // slot each: a run of sectors of one VOB file (VobFileName), starting at
  // VobFileFirstSector of that file, VobFileSectors long, at VobFileVtsSector
  // in its title set's sector numbering. Time-list sectors and VobFileSize
  // count within the extent. A single-title set is its whole files, one
  // extent each; a title chosen from several is its program chain's cells.
  char InputFolder[kPathBytes];
  int32_t VobFileNum;
  char VobFileName[kVobFileSlots][kPathBytes];
  double VobFileSize[kVobFileSlots];
  int32_t VobFileFirstSector[kVobFileSlots];
  int32_t VobFileSectors[kVobFileSlots];
  int32_t VobFileVtsSector[kVobFileSlots];
  // Each file as the scan found it, so that volume creation can tell when
  // it has changed since.
  FileIdentity VobFileId[kVobFileSlots];

  // The title read: 0 when the volume's one title was read as a whole
  // title set, else its number in the volume's title list; its title set
  // and program chain (1 and 1 for a whole title set).
  int32_t ChosenTitle;
  int32_t TitleVts;
  int32_t TitlePgc;
  TitleList Titles;

  // Group 2: time list; slot TimeListNum is the sentinel.
  int32_t TimeListNum;
  int32_t TimeListSector[kTimeListSlots];
  uint8_t TimeListFileNo[kTimeListSlots];
  uint8_t TimeListFlags[kTimeListSlots];
  int32_t RangeStart;
  int32_t RangeEnd;
  // Presentation time of each entry's VOBU in 90 kHz ticks, from its NAV
  // pack (VOBU_E_PTM - VOBU_S_PTM; the step to the next NAV pack's SCR
  // where the PTMs are zero, backward or above 60 s; 0 where neither
  // serves). TimeListPtmKept is 1 when the scan filled them for the list.
  uint32_t TimeListPtmTicks[kTimeListSlots];
  int32_t TimeListPtmKept;

  // The list box's text: line i shows entry i. The shells read these.
  int32_t LineCount;
  char Line[kTimeListSlots][kLineBytes];
  char LabelStart[kLabelBytes];
  char LabelEnd[kLabelBytes];
  char LabelSize[kLabelBytes];

  // Group 3: source chapter points.
  int32_t SrcProgramNum;
  int32_t SrcProgramSector[kSrcProgramSlots];

  // Group 4: DVD content tables, scalars.
  int32_t DC_TitleNum;
  int32_t CurTitleIdx;
  int32_t DC_FirstPlayPgc;
  int32_t DC_VtsAtr;
  int32_t DC_Region;
  // Region mask of the written VIDEO_TS.IFO (a set bit: that region may not
  // play): RegionMask when 0..255, else the source's SrcRegionMask, else
  // the DC_Region rule.
  int32_t RegionMask;
  int32_t SrcRegionMask;
  // 1: volume creation writes the whole disc back (menus and every other
  // title set kept) with the chosen title re-chaptered in place; 0: the
  // chosen title alone as a fresh single-title volume.
  int32_t WholeDisc;
  int32_t DC_AllSet;
  int32_t DC_TitleSeries;

  // Per title.
  int32_t DC_ListNum[kTitleSlots];
  int32_t DC_VobuNum[kTitleSlots];
  int32_t DC_ChapterNum[kTitleSlots];
  int32_t DC_ChapterIdxTbl[kTitleSlots][kChapterSlots];
  int32_t ChapterNumNew[kTitleSlots];
  int32_t DC_AttCheck[kTitleSlots];
  int32_t DC_Aspect[kTitleSlots];
  int32_t DC_Resolution[kTitleSlots];
  int32_t DC_AudioData[kTitleSlots][3];
  int32_t DC_VtsiEnable[kTitleSlots];
  char DC_VtsiFName[kTitleSlots][kPathBytes];
  int32_t DC_PrgChainNo[kTitleSlots];
  int32_t DC_First_A[kTitleSlots];
  int32_t DC_First_C[kTitleSlots];
  uint8_t DC_A_Use[kTitleSlots][kAudioStreamSlots];
  uint8_t DC_C_Use[kTitleSlots][kSubpicStreamSlots];
  int32_t DC_A_Priority[kTitleSlots];
  int32_t DC_C_Priority[kTitleSlots];
  int32_t DC_FreeOp[kTitleSlots];
  int32_t DC_SkipIlv[kTitleSlots];
  int32_t DC_VobCellId[kTitleSlots];
  int32_t DC_VobuPointer[kTitleSlots];
  int32_t DC_Seamless[kTitleSlots];
  uint8_t SrcVtsiCopy[kTitleSlots][kSrcVtsiCopyBytes];

  // Per list.
  char DC_SrcFName[kListSlots][kPathBytes];
  int32_t DC_SrcFirstSector[kListSlots];  // the extent's first sector in its file
  FileIdentity DC_SrcId[kListSlots];       // the file as the scan found it
  int32_t DC_StartMarkNo[kListSlots];
  int32_t DC_EndMarkNo[kListSlots];
  int32_t DC_StartVobu[kListSlots];
  int32_t DC_EndVobu[kListSlots];
  double DC_TotalSize[kListSlots];

  // Output build tables, filled by the volume writers.
  int32_t PrgNum[kTitleSlots];
  uint8_t TotalTimeCode[kTitleSlots][4];  // "Total Time"
  double TotalSize[kTitleSlots];
  int32_t VtsInfoBlockLen[kTitleSlots];
  int32_t Time[kTitleSlots][kProgramRecordSlots][4];  // h, m, s, ms
  uint8_t PrgTimeCode[kTitleSlots][kProgramRecordSlots][4];
  int32_t StartIndex[kTitleSlots][kProgramRecordSlots];
  int32_t EndIndex[kTitleSlots][kProgramRecordSlots];
  int32_t PackEndIndex[kTitleSlots][kProgramRecordSlots];
  int32_t PrgTimeReset[kTitleSlots][kProgramRecordSlots];
  int32_t PrgChapterFlg[kTitleSlots][kProgramRecordSlots];

  // Group 5: shared buffers and flags. The I/O buffer starts on a 2 MiB
  // boundary so that large pages can back all of it.
  alignas(2u << 20) uint8_t IoBuffer[kIoBufferBytes];
  uint8_t VtsiBuffer[kVtsiBufferBytes];
  int32_t BusyFlag;
  int32_t StopRequest;
  int32_t InterleaveDetected;
  int32_t ChapterInterval;
  int32_t ExtendMode;

  // Play continue position (reset by every scan).
  int32_t PlayNextIndex;
};

// The instance of the run (allocated once, zero-filled, never freed).
TitleTables& Tables();

// Reset of the main window's set-up: every group to its empty state and the
// labels for an empty range.
void ResetTables(TitleTables& t);

// After a failed scan: no files, no entries, no flags, an empty list box.
void ClearTimeList(TitleTables& t);

// Appends entries s..e to title CurTitleIdx. 0 done (or busy), 1 refused
// with its message.
int AddRangeAsContent(TitleTables& t, Ui& ui, int32_t s, int32_t e);

// Removes title CurTitleIdx and its lists (nothing while busy).
void RemoveCurrentTitle(TitleTables& t);

// Byte offset in DC_SrcFName[list] of the list's first pack.
int64_t ListSourceOffset(const TitleTables& t, int list);

// Per-title attribute defaults, as the reset writes them.
void SetTitleAttributeDefaults(TitleTables& t, int title);

}  // namespace vm
