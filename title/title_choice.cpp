#include "title/title_choice.h"

#include <algorithm>
#include <cstring>

#include "title/ifo_check.h"

namespace vm {

namespace {

struct Extent {
  int32_t file;
  int32_t first;
  int32_t sectors;
  int32_t vtsSector;
};

void TitleError(Ui& ui, const char* format, int title) {
  MessageText text;
  text.Format(format, title);
  ui.Error(text.c_str());
}

}  // namespace

int ListVolumeTitles(TitleTables& t, const char* folder) {
  if (ReadTitleList(folder, t.IoBuffer, kIoBufferBytes, t.Titles) != 0) return 0;
  return t.Titles.count;
}

int CheckChosenTitle(TitleTables& t, Ui& ui, int title, int& vts, int& pgc) {
  if (ReadIfoIntoIoBuffer(t, ui, "VIDEO_TS.IFO") < 0) return 1;
  if (ReadTitleList(t.InputFolder, t.IoBuffer, kIoBufferBytes, t.Titles) != 0) {
    ui.Error("VIDEO_TS.IFO is invalid (title table).");
    return 1;
  }
  const TitleList& list = t.Titles;
  if (title < 1 || title > list.count) {
    MessageText text;
    text.Format("Title %d is not on this volume (titles 1 to %d).", title, list.count);
    ui.Error(text.c_str());
    return 1;
  }
  const TitleEntry& e = list.title[title - 1];
  if (e.fault != TitleFault::None) {
    MessageText text;
    text.Format("Title %d cannot be read: %s.", title, TitleFaultText(e.fault));
    ui.Error(text.c_str());
    return 1;
  }
  if (e.angles > 1) {
    ui.Error("Multi angle is included (Multi angle not supported).");
    return 1;
  }
  if (e.interleaved) {
    ui.Error("Interleave is included (Interleave not supported).");
    return 1;
  }
  t.SrcProgramNum = 0;
  for (int p = 0; p < e.programs && t.SrcProgramNum < kMaxSrcPrograms; ++p)
    t.SrcProgramSector[t.SrcProgramNum++] = static_cast<int32_t>(e.cell[e.programCell[p] - 1].first);
  vts = e.vts;
  pgc = e.pgcn;
  return 0;
}

int BuildTitleExtents(TitleTables& t, Ui& ui, int title) {
  const TitleEntry& e = t.Titles.title[title - 1];
  // The whole files, kept apart: cells out of storage order may take a
  // file's slot before its name has been copied.
  Path names[kMaxVobFiles];
  Extent files[kMaxVobFiles];
  const int fileNum = std::min(t.VobFileNum, kMaxVobFiles);
  for (int f = 0; f < fileNum; ++f) {
    names[f].Set(t.VobFileName[f]);
    files[f] = {f, 0, t.VobFileSectors[f], t.VobFileVtsSector[f]};
  }
  Extent out[kMaxTitleExtents];
  int n = 0;
  for (int c = 0; c < e.cells; ++c) {
    const int64_t a = e.cell[c].first, b = int64_t{e.cell[c].last} + 1;
    int64_t covered = 0;
    for (int f = 0; f < fileNum; ++f) {
      const int64_t fs = files[f].vtsSector, fe = fs + files[f].sectors;
      const int64_t lo = std::max(a, fs), hi = std::min(b, fe);
      if (lo >= hi) continue;
      covered += hi - lo;
      const int32_t first = static_cast<int32_t>(lo - fs);
      Extent* last = n > 0 ? &out[n - 1] : nullptr;
      if (last != nullptr && last->file == f && int64_t{last->first} + last->sectors == first) {
        last->sectors += static_cast<int32_t>(hi - lo);
        continue;
      }
      if (n >= kMaxTitleExtents) {
        TitleError(ui, "Title %d is in too many pieces of its VOB files (at most 127).", title);
        return 1;
      }
      out[n++] = {f, first, static_cast<int32_t>(hi - lo), static_cast<int32_t>(lo)};
    }
    if (covered != b - a) {
      TitleError(ui, "Title %d: its cells lie outside its VOB files.", title);
      return 1;
    }
  }
  for (int k = 0; k < n; ++k) {
    CopyField(t.VobFileName[k], names[out[k].file].c_str());
    t.VobFileFirstSector[k] = out[k].first;
    t.VobFileSectors[k] = out[k].sectors;
    t.VobFileVtsSector[k] = out[k].vtsSector;
  }
  t.VobFileNum = n;
  return 0;
}

}  // namespace vm
