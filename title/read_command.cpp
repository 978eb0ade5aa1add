#include "title/read_command.h"

#include <cstring>

#include "common/path.h"
#include "title/ifo_check.h"
#include "title/vob_files.h"
#include "title/vob_scan.h"
#include "title/vtsi_parse.h"

namespace vm {

namespace {

// What the checks before the scan change in the tables: the folder they
// read from and the source chapter points. A refused read puts them back,
// so that the title of the last successful read (its folder, files and
// time list) stays the one that creation, playback and the preview use.
struct LastRead {
  explicit LastRead(const TitleTables& t) : programNum(t.SrcProgramNum) {
    std::memcpy(folder, t.InputFolder, sizeof folder);
    std::memcpy(programSectors, t.SrcProgramSector, sizeof programSectors);
  }
  void Restore(TitleTables& t) const {
    std::memcpy(t.InputFolder, folder, sizeof folder);
    t.SrcProgramNum = programNum;
    std::memcpy(t.SrcProgramSector, programSectors, sizeof programSectors);
  }

  char folder[kPathBytes];
  int32_t programNum;
  int32_t programSectors[kSrcProgramSlots];
};

}  // namespace

ReadResult ReadVobFiles(TitleTables& t, Ui& ui, const char* inputFolderText) {
  if (t.BusyFlag == 1) return ReadResult::Ignored;
  if (!IsFullPath(inputFolderText)) {
    ui.Error("Input folder name must be specified with full path name (e.g. /home/user/VIDEO_TS1).");
    return ReadResult::Refused;
  }
  Path folder;
  if (!folder.Set(inputFolderText) || !AddTrailingSeparator(folder)) {
    ui.Error("Input folder name is too long (at most 259 characters with the final '/').");
    return ReadResult::Refused;
  }
  const LastRead last(t);
  CopyField(t.InputFolder, folder.c_str());

  // The file list changes only when VOB files were found, which is the
  // last check; the time list only in the scan.
  if (CheckVideoTsIfo(t, ui) != 0 || CheckVtsInterleave(t, ui) != 0 ||
      ParseVtsiPrograms(t, ui) != 0 || FindVobFiles(t, ui) != 0) {
    last.Restore(t);
    return ReadResult::Refused;
  }

  t.BusyFlag = 1;
  t.StopRequest = 0;
  ScanAllFiles(t, ui);
  t.BusyFlag = 0;
  return ReadResult::Scanned;
}

}  // namespace vm
