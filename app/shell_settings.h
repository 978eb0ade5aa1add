// The desktop program's own choices kept from one run to the next beside
// the history file: the output options of "Create DVD Image" and the last
// places used. A small "key=value" text file, so that a choice added later
// leaves older files readable and the history file's fixed block as it is.
#pragma once

#include <cstdint>

#include "common/fixed_string.h"

namespace vm {

constexpr int kVolumeIdBytes = 33;  // 1 to 32 characters and the terminator

// Which region mask is written: the source's, every region, or the ones
// listed.
enum RegionChoice : int32_t { kRegionOfSource = 0, kRegionAll = 1, kRegionListed = 2 };

struct ShellSettings {
  // Output options; the defaults write what is written without them.
  int32_t WriteImage = 0;
  char ImagePath[kPathBytes] = {};
  char VolumeId[kVolumeIdBytes] = "DVD_VIDEO";
  int32_t Region = kRegionOfSource;  // a RegionChoice
  uint32_t RegionsPlaying = 0;  // bit r-1: region r plays (kRegionListed)
  uint32_t DropAudio = 0;       // bit n: audio stream n (0-based) left out
  uint32_t DropSubpicture = 0;  // bit n: subpicture stream n left out
  int32_t Verify = 0;
  int32_t WholeDisc = 0;
  // Places: the title last read from a volume of several, and the folder
  // of the last chapter file imported or exported.
  char LastTitleFolder[kPathBytes] = {};
  int32_t LastTitle = 0;
  char ChapterFolder[kPathBytes] = {};
};

// ProgramFolder + the executable's file name + ".ini".
bool MakeSettingsPath(const char* programFolder, const char* exeName, Path& out);

// Defaults, then every line of the file that names a known key with a
// value it can take; other lines are skipped. A missing or unreadable file
// leaves the defaults. Never a message.
void LoadShellSettings(ShellSettings& s, const char* path);

// Written under a temporary name and renamed into place, so a failed write
// leaves the old file. False when it could not be written.
bool SaveShellSettings(const ShellSettings& s, const char* path);

// The region mask written into VIDEO_TS.IFO for these choices, or -1 for
// the source's own.
int32_t RegionMaskOf(const ShellSettings& s);

}  // namespace vm
