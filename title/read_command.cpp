#include "title/read_command.h"

#include <cstring>

#include "common/path.h"
#include "title/ifo_check.h"
#include "title/title_choice.h"
#include "title/vob_files.h"
#include "title/vob_scan.h"
#include "title/vtsi_parse.h"

namespace vm {

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
  CopyField(t.InputFolder, folder.c_str());

  if (title > 0) {
    int vts = 1, pgc = 1;
    if (CheckChosenTitle(t, ui, title, vts, pgc) != 0 || FindVobFiles(t, ui, vts) != 0 ||
        BuildTitleExtents(t, ui, title) != 0)
      return ReadResult::Refused;
    t.ChosenTitle = title;
    t.TitleVts = vts;
    t.TitlePgc = pgc;
  } else {
    if (CheckVideoTsIfo(t, ui) != 0 || CheckVtsInterleave(t, ui) != 0 ||
        ParseVtsiPrograms(t, ui) != 0 || FindVobFiles(t, ui) != 0) {
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
