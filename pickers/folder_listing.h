// What the folder and file pickers show, without a window: the roots that
// stand in for drives, the folder and file lists of a folder, and the path
// steps of a click (into a folder, one level up, a file in the folder).
// Every path is a fixed 260-byte buffer; a step whose result would not fit
// is refused and leaves the path as it was.
#pragma once

#include <string>
#include <vector>

#include "common/fixed_string.h"

namespace vm {

// The roots: "/", the home folder, then the mount points of real file
// systems under /media, /run/media and /mnt in the order of the mounts
// table. Each ends in '/'. Roots beyond the capacity are left out.
constexpr int kMaxRoots = 32;
struct RootList {
  int count = 0;
  Path roots[kMaxRoots];
};
void ReadRoots(const char* homeFolder, const char* mountsPath, RootList& out);
// The same for this process: $HOME and /proc/self/mounts.
void ReadSystemRoots(RootList& out);

// The root that holds `path` (the longest root that is a prefix of it), or
// -1 when none does (a relative path).
int RootIndexOf(const RootList& roots, const char* path);

// The root that holds `folder`, or "/" when none does.
void RootOf(const RootList& roots, const char* folder, Path& out);

// The last folder shown under each root in this run, so that choosing a
// root again enters it where the user left it.
void RememberShownFolder(const char* root, const char* folder);
bool LastShownFolder(const char* root, Path& out);

enum class ListKind {
  Folders,      // directories (also through symbolic links), ".." first
  Executables,  // regular files with an execute bit (also through links)
};

// The names of one kind in `folder` (which ends in '/'), hidden ones
// included, sorted without regard to case; ".." only where a parent exists
// (not in "/"), never ".". A folder that cannot be read, or a relative
// path, gives an empty list.
void ListFolder(const char* folder, ListKind kind, std::vector<std::string>& names);

// Whether `folder` can be listed (it exists and may be read).
bool FolderReadable(const char* folder);

// The folder a picker opens at for the text of a field: the text with a
// trailing '/', or `fallback` when the text is empty or the '/' would not fit.
void StartFolder(const char* text, const char* fallback, Path& out);

// One click in the folder list: ".." cuts after the second-to-last '/'
// (a path with a single '/' stays as it is); any other name is appended
// with a '/'. False, and `path` unchanged, when the result would not fit.
bool StepInto(Path& path, const char* name);

// folder + name; false when it would not fit.
bool JoinFile(const char* folder, const char* name, Path& out);

}  // namespace vm
