// "Create DVD Image(&G)": writes a new volume for the current range into
// the output folder.
#pragma once

#include "author/author_state.h"
#include "author/output_folder.h"
#include "common/ui.h"
#include "title/tables.h"

namespace vm {

enum class CreateResult {
  Ignored,    // busy
  Stopped,    // refused by a check (with its message) or a question declined
  Failed,     // the failure end: its message was shown, files may remain
  NormalEnd,  // "Normal End." or "Normal End (Number of NG PACKs=%d)."
};

// `outputFolderText` is the output-folder field's text; `programFolder`
// (ending in '/') holds the dump marker and DEBUG.TXT. The output folder is
// locked from its checks to the end; after a normal end the lock passes to
// `keepLock` when given (for work that reads the volume afterwards).
CreateResult CreateVolume(TitleTables& t, AuthorState& a, Ui& ui, const char* outputFolderText,
                          const char* programFolder, OutputFolderLock* keepLock = nullptr);

}  // namespace vm
