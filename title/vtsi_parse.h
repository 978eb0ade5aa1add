// The PGC walk of VTS_01_0.IFO that collects the source chapter points
// (SrcProgramSector: the first VOBU sector of every program's entry cell).
#pragma once

#include "common/ui.h"
#include "title/tables.h"

namespace vm {

// Reads up to 64 KiB of VTS_01_0.IFO into the zeroed VtsiBuffer and walks
// every PGC. 0 done; 1 refused with its message shown.
int ParseVtsiPrograms(TitleTables& t, Ui& ui);

// The walk alone over the first `n` bytes of VtsiBuffer (the rest zero).
// 0 done, 1 the layout is broken ("VTSI file format is invalid.").
int WalkVtsiPrograms(TitleTables& t, size_t n);

}  // namespace vm
