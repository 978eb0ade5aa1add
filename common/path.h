// Folder and file path helpers on the fixed 260-byte path type.
#pragma once

#include "common/fixed_string.h"

namespace vm {

// A folder path ends in '/'; an empty path becomes "/". False when the
// separator would not fit.
bool AddTrailingSeparator(Path& path);

// A full path is an absolute one.
inline bool IsFullPath(const char* text) { return text[0] == '/'; }

// The folder part of a file path, with its trailing '/' ("/a/b/c.VOB" ->
// "/a/b/"); a name without a separator gives an empty folder.
void FolderOf(const char* file, Path& folder);

// The extension of a file name including its dot, or "" when it has none.
const char* ExtensionOf(const char* name);

// Case-insensitive compare of ASCII letters, as DVD file names are matched.
bool EqualsNoCase(const char* a, const char* b);

}  // namespace vm
