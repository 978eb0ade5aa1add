// The two refusals before a title is read: VIDEO_TS.IFO must describe one
// title of one angle, and no cell of VTS_01_0.IFO may be interleaved.
#pragma once

#include "common/ui.h"
#include "title/tables.h"

namespace vm {

// Both read the file (found without regard to case in InputFolder) into
// IoBuffer. 0 passed; 1 refused with its message shown.
int CheckVideoTsIfo(TitleTables& t, Ui& ui);
int CheckVtsInterleave(TitleTables& t, Ui& ui);

// Reads up to IoBuffer's size of InputFolder + `name` into IoBuffer. Shows
// "%s is not found." or "%s is invalid (size)." and returns -1, else the
// byte count (at least 4096).
int64_t ReadIfoIntoIoBuffer(TitleTables& t, Ui& ui, const char* name);

}  // namespace vm
