#include "title/vob_files.h"

#include <dirent.h>
#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

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

// The number k of a directory entry named VTS_vv_k.VOB (any case, one or
// two digits), or 0 when the name is not one of the title set's title VOBs.
int TitleVobNumber(const char* name, int vts) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "VTS_%02d_", vts);
  const size_t p = std::strlen(prefix);
  if (strncasecmp(name, prefix, p) != 0) return 0;
  const char* digits = name + p;
  int k = 0, n = 0;
  for (; digits[n] >= '0' && digits[n] <= '9' && n < 3; ++n) k = k * 10 + (digits[n] - '0');
  if (n == 0 || n > 2 || strcasecmp(digits + n, ".VOB") != 0) return 0;
  return k;
}

// A part numbered after `last` that is there in any form (even one that
// does not count as a file: a folder, a FIFO, a dangling link) means a
// part is missing from the middle: `later` gets its name, smallest first.
bool LaterPartThere(const char* folder, int vts, int last, char (&later)[kPathBytes]) {
  DIR* dir = opendir(folder[0] ? folder : "/");
  if (dir == nullptr) return false;
  int best = 0;
  while (dirent* e = readdir(dir)) {
    const int k = TitleVobNumber(e->d_name, vts);
    if (k <= last + 1 || (best != 0 && k >= best)) continue;
    best = k;
    CopyField(later, e->d_name);
  }
  closedir(dir);
  return best != 0;
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
  // The first missing number ends the list; a part after it would be left
  // out of the title without a word, so the read is refused instead.
  char later[kPathBytes] = {};
  if (LaterPartThere(t.InputFolder, vts, last, later)) {
    MessageText msg;
    msg.Format("%sVTS_%02d_%d.VOB is missing or not a regular file, but %s follows it.",
               t.InputFolder, vts, last + 1, later);
    ui.Error(msg.c_str());
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
