// Start-up and shutdown steps that need no window.
#pragma once

#include <cstdint>

#include "common/fixed_string.h"

namespace vm {

// The folder that holds the history file, the work files and the user's own
// files; ends in '/'. VOBMARKS_HOME when set; else, when the program is
// installed, the per-user folder $XDG_DATA_HOME/vobmarks/ (or
// $HOME/.local/share/vobmarks/), created with mode 0700 when missing; else
// the executable's folder.
bool FindProgramFolder(Path& folder);
// The same for an executable at `exePath`.
bool ProgramFolderFor(const char* exePath, Path& folder);

// True when `exePath` lies in <prefix>/bin/ and <prefix>/share/vobmarks/ is a
// folder; `dataFolder` is then that share folder, ending in '/'.
bool InstalledDataFolder(const char* exePath, Path& dataFolder);

// A file that is read but never written (LOGO.BMP, usage.txt): the
// program folder's own copy when there is one, else the installed copy in
// <prefix>/share/vobmarks/ when there is one, else the program folder's
// path (which then does not exist).
bool FindReadOnlyFile(const char* programFolder, const char* name, Path& out);
bool ReadOnlyFileFor(const char* exePath, const char* programFolder, const char* name, Path& out);
// The running executable's file name (for the history path).
bool FindExecutableName(Path& name);

// 1 when an argument after the program name is "-E" in any case; every
// other argument is ignored.
int32_t ParseExtendMode(int argc, const char* const* argv);

// Deletes TMP1.VOB, TMP2.VOB, TMP1.MPG and TMP2.MPG in the program folder;
// failures are ignored.
void DeleteWorkFiles(const char* programFolder);

// The splash picture: 320 x 200 pixels of 8-bit palette indices.
constexpr int kSplashWidth = 320;
constexpr int kSplashHeight = 200;

struct SplashImage {
  bool Loaded;
  uint32_t Palette[256];  // 0x00RRGGBB
  uint8_t Pixels[kSplashWidth * kSplashHeight];  // rows as stored (bottom-up)
};

// Loads a "BM" bitmap with compression 0 or 1 and its palette; pixel rows
// beyond the 320 x 200 buffer are not read. False (nothing loaded) when the
// file is missing or not such a bitmap.
bool LoadLogoBmp(const char* path, SplashImage& image);

}  // namespace vm
