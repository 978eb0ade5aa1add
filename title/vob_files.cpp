#include "title/vob_files.h"

#include <cstdio>

#include "common/files.h"

namespace vm {

namespace {

// The title set number comes from characters 5 and 6 of "VTS_01_0.IFO".
constexpr char kVtsiName[] = "VTS_01_0.IFO";

bool FindVob(const TitleTables& t, int k, bool twoDigits, Path& found) {
  char name[32];
  std::snprintf(name, sizeof name, twoDigits ? "VTS_%c%c_%02u.VOB" : "VTS_%c%c_%u.VOB",
                kVtsiName[4], kVtsiName[5], static_cast<unsigned>(k));
  return FindFileNoCase(t.InputFolder, name, found);
}

// Numbers first..lastNumber, stopping at the first missing one; each name
// found goes to slot k - 1. Returns the last number found (first - 1 when
// none). A pass that finds nothing writes nothing, so a failed search
// leaves the previous file list as it was.
int FindRun(TitleTables& t, int first, int lastNumber, bool twoDigits) {
  int last = first - 1;
  for (int k = first; k <= lastNumber; ++k) {
    Path found;
    if (!FindVob(t, k, twoDigits, found)) break;
    CopyField(t.VobFileName[k - 1], found.c_str());
    last = k;
  }
  return last;
}

}  // namespace

int FindVobFiles(TitleTables& t, Ui& ui) {
  int last = FindRun(t, 1, 9, false);
  if (last == 0) last = FindRun(t, 1, 9, true);
  if (last == 9) last = FindRun(t, 10, kMaxVobFiles, true);
  if (last == 0) {
    ui.Error("VOB files are not found for the VTSI file.");
    return 1;
  }
  t.VobFileNum = last;
  return 0;
}

}  // namespace vm
