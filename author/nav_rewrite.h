// The navigation packs of the cells that re-chaptering in place changes,
// rewritten where they lie in the copied title VOB files: the cell id, both
// elapsed-time fields (PCI and DSI count from the start of the cell, so a
// later piece of a cut cell counts from the cut), and the search pointers
// that would lead past a new cell boundary.
#pragma once

#include <cstdint>

namespace vm {

constexpr int kMaxTitleVobFiles = 9;

// The title VOB files of one title set, in order, as one run of sectors.
struct TitleVobFiles {
  int count;
  int fd[kMaxTitleVobFiles];  // opened for reading and writing
  int64_t sectors[kMaxTitleVobFiles];
};

// One cell of the new cell address table whose packs change.
struct NavEdit {
  uint32_t first, last;    // its sectors
  uint8_t cellId;          // its new id
  uint8_t eltmOffset[4];   // the time code taken off both elapsed times (0 = none)
  bool clip;               // a cut bounds it: clip the search pointers to it
};

enum NavRewriteResult : int {
  kNavRewriteDone = 0,
  kNavRewriteIoError = 1,
  kNavRewriteNotNavPack = 2,  // a VOBU start that is not a navigation pack
};

// Applies `edits` (sorted by first sector) to the VOBUs that start in them;
// `vobus` are the title domain's VOBU start sectors, rising. `rewritten`
// counts the packs written.
int RewriteNavPacks(const TitleVobFiles& files, const uint32_t* vobus, int vobuCount,
                    const NavEdit* edits, int editCount, int& rewritten);

// One pack's rewrite, as RewriteNavPacks does it for the VOBU at `sector`.
void EditNavPack(uint8_t* pack, uint32_t sector, const NavEdit& edit);

// The elapsed time (DSI C_ELTM) of the navigation pack at `sector`; false
// when it cannot be read or is not a navigation pack.
bool ReadCellElapsed(const TitleVobFiles& files, uint32_t sector, uint8_t tc[4]);

}  // namespace vm
