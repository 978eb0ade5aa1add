// The file picker: the folder picker's roots and folders plus the list of
// the executable files of the folder shown; returns the folder and the
// selected file.
#pragma once

#include "common/fixed_string.h"

class QWidget;

namespace vm {

// `file` in: the current file path; the picker opens at its folder ("" or
// a bare name opens at the root that holds `programFolder`). Out, on
// "&Select": the folder shown followed by the selected file, or the folder
// alone when the file list is empty. True on "&Select"; otherwise `file` is
// left as it was.
bool RunFileSelect(QWidget* owner, const char* caption, const char* programFolder, Path& file);

}  // namespace vm
