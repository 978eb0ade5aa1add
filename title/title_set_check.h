// What a title set's own tables say about its title VOB files and its
// streams, held against what the folder has before the files are scanned:
// stream counts a title set cannot have, and VOB files that end before the
// last sector its cells, cell addresses or VOBU address map name.
#pragma once

#include <cstdint>

#include "common/ui.h"
#include "dvd/ifo_view.h"
#include "title/tables.h"

namespace vm {

enum class TitleSetFault : uint8_t {
  None = 0,
  AudioStreams,   // VTS_AST_Ns above 8
  SubpicStreams,  // VTS_SPST_Ns above 32
};

struct TitleSetNeeds {
  TitleSetFault fault;
  uint32_t count;     // the count at fault
  uint64_t sectors;   // sectors the title VOB files must hold together
  const char* table;  // the table that names the last of them ("" when none)
};

// The checks over a VTSI read into memory. A table whose pointer is 0 or
// that lies outside the bytes read adds nothing; a table cut short by the
// end of the bytes read counts the entries that are there.
TitleSetNeeds TitleSetTableNeeds(const IfoView& vtsi);

// Reads VTS_vv_0.IFO of InputFolder into IoBuffer and holds it against
// VobFileName[0 .. VobFileNum - 1], the whole files FindVobFiles found.
// 0 passed; 1 refused with its message shown (naming the field and its
// limit, or the last VOB file found).
int CheckTitleSetFiles(TitleTables& t, Ui& ui, int vts);

}  // namespace vm
