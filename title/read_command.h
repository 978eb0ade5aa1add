// "Read VOB files(&R)": checks the input folder and its information files,
// collects the source chapter points, finds the title VOB files and scans
// them into the time list.
#pragma once

#include "common/ui.h"
#include "title/tables.h"

namespace vm {

enum class ReadResult {
  Ignored,  // busy: nothing happened
  Refused,  // a check failed with its message; the tables are as the last
            // successful read left them (folder, files, time list)
  Scanned,  // the scan ran (TimeListNum > 0 when it succeeded; a failed
            // scan empties the time list): the shell refreshes the preview
            // and selects the first line as caret
};

// `inputFolderText` is the input-folder field's text (at most 259 bytes).
// `title` 0 reads a single-title volume's title set whole; N reads title N
// of the volume's title list (any volume) as its cells.
ReadResult ReadVobFiles(TitleTables& t, Ui& ui, const char* inputFolderText, int title = 0);

}  // namespace vm
