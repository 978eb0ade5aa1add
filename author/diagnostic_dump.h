// DEBUG.TXT: a text record of the content tables and of the cell table the
// writers produced, written after a normal end when the marker file
// VOBMARKS.OBJ is in the program folder.
#pragma once

#include "title/tables.h"

namespace vm {

// `programFolder` ends in '/'. Silent: no marker or no file, no dump.
void WriteDiagnosticDump(const TitleTables& t, const char* programFolder);

}  // namespace vm
