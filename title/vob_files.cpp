#include "title/vob_files.h"

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
// found goes to slot k - 1 of `names`. Returns the last number found
// (first - 1 when none).
int FindRun(const TitleTables& t, int vts, Path* names, int first, int lastNumber,
            bool twoDigits) {
  int last = first - 1;
  for (int k = first; k <= lastNumber; ++k) {
    if (!FindVob(t, vts, k, twoDigits, names[k - 1])) break;
    last = k;
  }
  return last;
}

}  // namespace

int FindVobFiles(TitleTables& t, Ui& ui, int vts) {
  if (vts < 1 || vts > 99) vts = 1;
  // The names are collected apart, so a failed search leaves the previous
  // file list as it was.
  static Path names[kMaxVobFiles];
  int last = FindRun(t, vts, names, 1, 9, false);
  if (last == 0) last = FindRun(t, vts, names, 1, 9, true);
  if (last == 9) last = FindRun(t, vts, names, 10, kMaxVobFiles, true);
  if (last == 0) {
    ui.Error("VOB files are not found for the VTSI file.");
    return 1;
  }
  // Whole files, one extent each, numbered on from one another as the
  // title set's cells count their sectors.
  int64_t at = 0;
  for (int k = 0; k < last; ++k) {
    CopyField(t.VobFileName[k], names[k].c_str());
    const int64_t size = FileSizeOf(names[k].c_str());
    const int64_t sectors = size > 0 ? size / kSectorBytes : 0;
    t.VobFileFirstSector[k] = 0;
    t.VobFileSectors[k] = static_cast<int32_t>(sectors < INT32_MAX ? sectors : INT32_MAX);
    t.VobFileVtsSector[k] = static_cast<int32_t>(at < INT32_MAX ? at : INT32_MAX);
    at += sectors;
  }
  t.VobFileNum = last;
  return 0;
}

}  // namespace vm
