// Finding the title VOB files of title set `vts` (01 below):
// VTS_01_1.VOB .. VTS_01_9.VOB, or VTS_01_01.VOB .. VTS_01_09.VOB, then
// VTS_01_10.VOB .. VTS_01_99.VOB after nine; the first missing number ends the list. Names are matched
// without regard to case and kept as they are on disk.
#pragma once

#include "common/ui.h"
#include "title/tables.h"

namespace vm {

// On success VobFileName and VobFileNum describe the files found, each a
// whole-file extent; when none
// is found both are left as they were and the message is shown. 0 or 1.
int FindVobFiles(TitleTables& t, Ui& ui, int vts = 1);

}  // namespace vm
