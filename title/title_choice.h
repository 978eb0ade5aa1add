// Reading one title of a volume that has several: the checks on the chosen
// title, its source chapter points from its own program map, and its
// extents (its program chain's cells, in play order, as runs of sectors
// of its title set's VOB files).
#pragma once

#include "common/ui.h"
#include "title/tables.h"

namespace vm {

constexpr int kMaxTitleExtents = kVobFileSlots - 1;

// Lists the volume's titles into t.Titles and checks title `title`
// (1-based): it must be there, readable, of one angle and not interleaved.
// On success SrcProgramSector holds its chapter points and `vts`, `pgc`
// its title set and program chain. 0 passed; 1 refused with its message.
int CheckChosenTitle(TitleTables& t, Ui& ui, int title, int& vts, int& pgc);

// Turns the whole-file extents of the chosen title's set (as FindVobFiles
// left them) into the cells of title `title`: adjacent cells that follow
// each other in one file make one extent. 0, or 1 with its message.
int BuildTitleExtents(TitleTables& t, Ui& ui, int title);

// The title count of the volume in `folder` (0 when it cannot be listed);
// t.Titles holds the list. Uses IoBuffer.
int ListVolumeTitles(TitleTables& t, const char* folder);

}  // namespace vm
