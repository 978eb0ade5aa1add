// Re-reads the attribute bytes of the source title set (VTS_01_0.IFO in the
// input folder, or the chosen title's own title set and program chain) into
// the title's SrcVtsiCopy before a volume is written.
#pragma once

#include "common/ui.h"
#include "title/tables.h"

namespace vm {

// 0 copied; 1 after its "Error" message (file missing, not a VTSI, tables
// out of the file, no program chain).
int ReadSourceAttributes(TitleTables& t, Ui& ui, int title);

// True when the video attributes the title set is written with say 625/50
// (25 frames a second); false for 525/60 (30000/1001), the written default.
bool TitleIsPal(const TitleTables& t, int title);

// The source VIDEO_TS.IFO's region mask (byte 0x23) into SrcRegionMask, or
// -1 there when the file cannot be read.
void ReadSourceRegion(TitleTables& t);

}  // namespace vm
