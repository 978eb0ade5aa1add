// The history file: the user's folders and player settings from one run to
// the next, one fixed 1316-byte block behind a 15-byte header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/fixed_string.h"

namespace vm {

constexpr size_t kHistoryHeaderBytes = 15;
constexpr size_t kHistoryBlockBytes = 1316;
constexpr size_t kHistoryFileBytes = kHistoryHeaderBytes + kHistoryBlockBytes;
constexpr uint32_t kHistoryVersion = 0x110;

// Block offsets; integers are little-endian.
constexpr size_t kHistReserved0 = 0;
constexpr size_t kHistInputFolder = 4;
constexpr size_t kHistInputFolderText = 264;
constexpr size_t kHistOutputFolderText = 524;
constexpr size_t kHistPlayerPath = 784;
constexpr size_t kHistPlayingTime = 1044;
constexpr size_t kHistPreviewEnable = 1048;
constexpr size_t kHistReserved1052 = 1052;
constexpr size_t kHistReserved1312 = 1312;
static_assert(kHistReserved1312 + 4 == kHistoryBlockBytes);

struct HistoryBlock {
  uint32_t Reserved0;
  char InputFolder[kPathBytes];
  char InputFolderText[kPathBytes];
  char OutputFolderText[kPathBytes];
  char PlayerPath[kPathBytes];
  int32_t PlayingTime;    // index into the playing-time choices, 10 = "10" s
  int32_t PreviewEnable;  // 1 enabled, 0 disabled
  uint8_t Reserved1052[kPathBytes];
  uint32_t Reserved1312;
};

// The process-wide block of the run.
HistoryBlock& History();

// Defaults: $HOME/VIDEO_TS1/, $HOME/VIDEO_TS/, /usr/bin/xdg-open, 10, 1.
void SetHistoryDefaults(HistoryBlock& h, const char* homeFolder);

// The block as stored, and back.
void EncodeHistoryBlock(const HistoryBlock& h, uint8_t out[kHistoryBlockBytes]);
void DecodeHistoryBlock(const uint8_t in[kHistoryBlockBytes], HistoryBlock& h);

// "VOBMARKS0110HST".
void HistoryHeader(char out[kHistoryHeaderBytes + 1]);

// Sets the defaults, then reads the file over them. A file with another
// header or a short block is deleted and the defaults stay. Never a message.
void LoadHistory(HistoryBlock& h, const char* historyPath, const char* homeFolder);

enum class HistoryRead { Missing, Loaded, Unusable };

// The same reading without touching the file: another program (the
// command line) takes the desktop program's settings this way. An unusable
// file leaves the defaults in `h` and stays where it is.
HistoryRead ReadHistory(HistoryBlock& h, const char* historyPath, const char* homeFolder);

// Writes the file; a short write deletes it. Never a message.
void SaveHistory(const HistoryBlock& h, const char* historyPath);

// ProgramFolder + the executable's file name + ".DAT": never the executable.
bool MakeHistoryPath(const char* programFolder, const char* exeName, Path& out);

}  // namespace vm
