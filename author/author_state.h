// State of one volume creation: the driver's values, the VOB writer's
// per-title tables that the VOBU pointer update and the VTSI writer read,
// and the interleave and stream filters' state. One static instance
// (Author()); operations take it by reference.
#pragma once

#include <cstdint>

#include "common/fixed_string.h"

namespace vm {

constexpr int kOutVobuSlots = 131072;
constexpr int kOutTmapSlots = 65536;
constexpr int32_t kOutVobPackLimit = 524287;  // sectors per output VOB file

struct AuthorState {
  // Driver.
  char OutputFolder[kPathBytes];
  int32_t CreateTotalSectors;
  int32_t CreateDoneSectors;
  int32_t NgPackCount;
  int32_t NgPromptArmed;
  int32_t CurListIdx;

  // VOB writer; the first five are reset by the driver for every title.
  int32_t OutSector;
  int32_t OutVobuNum;
  int32_t OutTmapNum;
  int32_t OutVobNo;
  int32_t OutVobPacks;
  int32_t OutVobuSector[kOutVobuSlots];
  uint8_t OutVobuFileNo[kOutVobuSlots];
  uint8_t OutVobuCellNo[kOutVobuSlots];
  uint8_t OutVobuMark[kOutVobuSlots];  // bit 0 chapter, bit 1 after a dropped unit
  int32_t OutTmapEntry[kOutTmapSlots];
  int32_t OutLastNavSector;
  int32_t OutLastVideoVobu;
  int32_t OutPictureWidth;
  int32_t OutPictureHeight;
  uint32_t CellBaseScr;
  uint32_t CellBaseScrExt;
  int32_t CellBaseEltm;
  int32_t CellTime[4];  // h, m, s, ms

  // Interleave and stream filters.
  uint8_t KeepAudioStream[8];
  uint8_t KeepSubpicStream[32];
  int32_t OutIlvuSkipping;
  uint32_t OutIlvuLastUnitScr;
  int32_t StreamFilterOn;

  // The output VOB file being written (descriptor), or -1.
  int OutFd;
};

AuthorState& Author();

}  // namespace vm
