#include "title/read_command.h"

#include <cstring>

#include "common/path.h"
#include "title/ifo_check.h"
#include "title/vob_files.h"
#include "title/vob_scan.h"
#include "title/vtsi_parse.h"

namespace vm {

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
  CopyField(t.InputFolder, folder.c_str());

  if (CheckVideoTsIfo(t, ui) != 0 || CheckVtsInterleave(t, ui) != 0 ||
      ParseVtsiPrograms(t, ui) != 0 || FindVobFiles(t, ui) != 0) {
    return ReadResult::Refused;
  }

  t.BusyFlag = 1;
  t.StopRequest = 0;
  ScanAllFiles(t, ui);
  t.BusyFlag = 0;
  return ReadResult::Scanned;
}

}  // namespace vm
