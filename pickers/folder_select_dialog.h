// The folder picker: walks the roots and their folders with single clicks
// and returns the folder shown.
#pragma once

#include "common/fixed_string.h"

class QWidget;

namespace vm {

// `path` in: the folder field's text ("" opens at the root that holds
// `programFolder`); out, on "&Select": the folder shown, ending in '/'.
// True on "&Select"; on "&Cancel", Esc or the close box `path` is left as
// it was.
bool RunFolderSelect(QWidget* owner, const char* caption, const char* programFolder, Path& path);

}  // namespace vm
