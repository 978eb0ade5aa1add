#include "title/vob_files.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "common/files.h"

namespace vm {

namespace {

bool FindVob(const TitleTables& t, int vts, int k, bool twoDigits, Path& found) {
  char name[32];
  std::snprintf(name, sizeof name, twoDigits ? "VTS_%02d_%02u.VOB" : "VTS_%02d_%u.VOB", vts,
                static_cast<unsigned>(k));
  return FindFileNoCase(t.InputFolder, name, found);
}

// Numbers first..lastNumber, stopping at the first missing one; each name
// found goes to slot k - 1. Returns the last number found (first - 1 when
// none). A pass that finds nothing writes nothing, so a failed search
// leaves the previous file list as it was.
int FindRun(TitleTables& t, int vts, int first, int lastNumber, bool twoDigits) {
  int last = first - 1;
  for (int k = first; k <= lastNumber; ++k) {
    Path found;
    if (!FindVob(t, vts, k, twoDigits, found)) break;
    CopyField(t.VobFileName[k - 1], found.c_str());
    last = k;
  }
  return last;
}

}  // namespace

int FindVobFiles(TitleTables& t, Ui& ui, int vts) {
  if (vts < 1 || vts > 99) vts = 1;
  int last = FindRun(t, vts, 1, 9, false);
  if (last == 0) last = FindRun(t, vts, 1, 9, true);
  if (last == 9) last = FindRun(t, vts, 10, kMaxVobFiles, true);
  if (last == 0) {
    ui.Error("VOB files are not found for the VTSI file.");
    return 1;
  }
  // Whole files, one extent each, numbered on from one another as the
  // title set's cells count their sectors.
  int64_t at = 0;
  for (int k = 0; k < last; ++k) {
    const int64_t size = FileSizeOf(t.VobFileName[k]);
    const int64_t sectors = size > 0 ? size / kSectorBytes : 0;
    t.VobFileFirstSector[k] = 0;
    t.VobFileSectors[k] = static_cast<int32_t>(std::min<int64_t>(sectors, INT32_MAX));
    t.VobFileVtsSector[k] = static_cast<int32_t>(std::min<int64_t>(at, INT32_MAX));
    at += sectors;
  }
  t.VobFileNum = last;
  return 0;
}

}  // namespace vm
