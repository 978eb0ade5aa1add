#include "title/read_command.h"

#include <cstring>

#include "common/path.h"
#include "title/ifo_check.h"
#include "title/title_choice.h"
#include "title/title_set_check.h"
#include "title/vob_files.h"
#include "title/vob_scan.h"
#include "title/vtsi_parse.h"

namespace vm {

namespace {

// What the checks before the scan change in the tables: the folder they
// read from, the source chapter points and the file list (a chosen title's
// files are found before its extents are built, and the extents may still
// be refused). A refused read puts them back, so that the title of the last
// successful read (its folder, files and time list) stays the one that
// creation, playback and the preview use.
struct LastRead {
  explicit LastRead(const TitleTables& t)
      : programNum(t.SrcProgramNum), fileNum(t.VobFileNum) {
    std::memcpy(folder, t.InputFolder, sizeof folder);
    std::memcpy(programSectors, t.SrcProgramSector, sizeof programSectors);
    std::memcpy(fileName, t.VobFileName, sizeof fileName);
    std::memcpy(fileSize, t.VobFileSize, sizeof fileSize);
    std::memcpy(fileFirst, t.VobFileFirstSector, sizeof fileFirst);
    std::memcpy(fileSectors, t.VobFileSectors, sizeof fileSectors);
    std::memcpy(fileVtsSector, t.VobFileVtsSector, sizeof fileVtsSector);
    std::memcpy(fileId, t.VobFileId, sizeof fileId);
  }
  void Restore(TitleTables& t) const {
    std::memcpy(t.InputFolder, folder, sizeof folder);
    t.SrcProgramNum = programNum;
    std::memcpy(t.SrcProgramSector, programSectors, sizeof programSectors);
    t.VobFileNum = fileNum;
    std::memcpy(t.VobFileName, fileName, sizeof fileName);
    std::memcpy(t.VobFileSize, fileSize, sizeof fileSize);
    std::memcpy(t.VobFileFirstSector, fileFirst, sizeof fileFirst);
    std::memcpy(t.VobFileSectors, fileSectors, sizeof fileSectors);
    std::memcpy(t.VobFileVtsSector, fileVtsSector, sizeof fileVtsSector);
    std::memcpy(t.VobFileId, fileId, sizeof fileId);
  }

  char folder[kPathBytes];
  int32_t programNum;
  int32_t programSectors[kSrcProgramSlots];
  int32_t fileNum;
  char fileName[kVobFileSlots][kPathBytes];
  double fileSize[kVobFileSlots];
  int32_t fileFirst[kVobFileSlots];
  int32_t fileSectors[kVobFileSlots];
  int32_t fileVtsSector[kVobFileSlots];
  FileIdentity fileId[kVobFileSlots];
};

}  // namespace

ReadResult ReadVobFiles(TitleTables& t, Ui& ui, const char* inputFolderText, int title) {
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

  // A refusal at any step puts back what the checks changed; the time
  // list changes only in the scan.
  if (title > 0) {
    int vts = 1, pgc = 1;
    if (CheckChosenTitle(t, ui, title, vts, pgc) != 0 || FindVobFiles(t, ui, vts) != 0 ||
        CheckTitleSetFiles(t, ui, vts) != 0 || BuildTitleExtents(t, ui, title) != 0) {
      last.Restore(t);
      return ReadResult::Refused;
    }
    t.ChosenTitle = title;
    t.TitleVts = vts;
    t.TitlePgc = pgc;
  } else {
    if (CheckVideoTsIfo(t, ui) != 0 || CheckVtsInterleave(t, ui) != 0 ||
        ParseVtsiPrograms(t, ui) != 0 || FindVobFiles(t, ui) != 0 ||
        CheckTitleSetFiles(t, ui, 1) != 0) {
      last.Restore(t);
      return ReadResult::Refused;
    }
    t.ChosenTitle = 0;
    t.TitleVts = 1;
    t.TitlePgc = 1;
  }

  t.BusyFlag = 1;
  t.StopRequest = 0;
  ScanAllFiles(t, ui);
  t.BusyFlag = 0;
  return ReadResult::Scanned;
}

}  // namespace vm
