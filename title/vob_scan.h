// The VOB scan: every title VOB file walked from NAV pack to NAV pack (one
// sector read per VOBU, the VOBU end address giving the next), its last
// 2048 sectors swept sector by sector, into the time list with one entry
// and one list line per VOBU.
#pragma once

#include <cstdint>

#include "common/ui.h"
#include "title/tables.h"

namespace vm {

// Results of one file's pass.
enum ScanResult : int {
  kScanDone = 0,
  kScanOpenError = 1,
  kScanNoPackHeader = 2,
  kScanSeekError = 3,
  kScanNoVobuHeader = 4,
  kScanReadError = 5,  // the file system failed a read (ScanState says where)
  kScanEncrypted = 6,  // a CSS-scrambled video or audio pack
  kScanStopped = 10,
  kScanListFull = 20,
  kScanBadFileSize = 30,  // refused by the size check before any file pass
};

// Scan state, reset once per scan (not per file).
struct ScanState {
  int64_t ScanTotalSectors = 0;
  int64_t ScanDoneSectors = 0;
  int32_t ScanSector = 0;      // address over all files, as the VTSI cells count
  int32_t IlvuActive = 0;
  uint32_t IlvuLastUnitScr = 0x7FFFFFFF;
  int32_t IlvuFound = 0;
  // SrcProgramSector sorted, for a cheap lookup per entry.
  int32_t ProgramSectors[kSrcProgramSlots] = {};
  int32_t ProgramCount = 0;
  // The sector (of its file) and errno of a failed read.
  int64_t ReadErrorSector = 0;
  int ReadErrorNumber = 0;
  // The entry whose presentation time waits for the next NAV pack's SCR
  // (its PTMs did not serve), or -1, and that entry's SCR.
  int32_t PtmPendingEntry = -1;
  uint32_t PtmPendingScr = 0;
};

// Scans VobFileName[0 .. VobFileNum - 1] into the time list, shows the
// messages, labels and the interleave notice. On any failure the time list
// is left empty (labels and range kept). Returns the failing result or 0.
int ScanAllFiles(TitleTables& t, Ui& ui);

// One file's pass (index i). Entries are appended to the time list.
int ScanOneFile(TitleTables& t, Ui& ui, ScanState& s, int i);

// Records the NAV pack `nav` at sector `pos` of file i (s.ScanSector is its
// address). kScanDone, or kScanListFull once the list holds 131072 entries.
int RecordEntry(TitleTables& t, ScanState& s, const uint8_t* nav, int i, int32_t pos);

// Pack tests on one sector. HasSystemHeader looks at the system header
// start code alone; the scan tests the pack start code first, so the two
// together are the navigation pack test.
bool HasPackStartCode(const uint8_t* sector);
bool HasSystemHeader(const uint8_t* sector);

}  // namespace vm
