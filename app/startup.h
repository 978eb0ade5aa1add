// Start-up and shutdown steps that need no window.
#pragma once

#include <cstdint>

#include "common/fixed_string.h"

namespace vm {

// VOBMARKS_HOME when set, else the folder of /proc/self/exe; ends in '/'.
bool FindProgramFolder(Path& folder);
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
