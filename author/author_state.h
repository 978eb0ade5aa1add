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
constexpr int kChunkPackSlots = 8192;          // 2048-byte packs in IoBuffer
constexpr int kCellTickSlots = 256;            // 255 cells and the one refused

// Where each pack of the chunk in IoBuffer came from, so that unchanged
// packs can be copied file to file in the longest possible runs.
struct ChunkPackSources {
  int32_t fd[kChunkPackSlots];       // source descriptor, -1 = buffer only
  int64_t offset[kChunkPackSlots];   // byte offset in the source
  int32_t list[kChunkPackSlots];     // list index the pack was read from
  uint8_t changed[kChunkPackSlots];  // 1 = the buffer differs from the source
};

// The output file being put together: one pending run of packs to copy
// source file to output file in one go, and the packs inside it that differ
// from the source, written over the copy once it is made.
constexpr int kPatchSlots = 4096;
struct PackRun {
  int inFd, outFd;       // -1: no run pending
  int64_t in, out, len;  // byte offsets and length of the run
  int32_t patchNum;
  int64_t patchAt[kPatchSlots];  // output byte offset of each patch, rising
  uint8_t patch[kPatchSlots][2048];
  int32_t refused;  // the kernel refused copy_file_range for this title
  int32_t shared;   // the run's blocks can be shared with the source's
  int32_t inList;   // list index the run's source packs belong to
  // Why the last copy failed on the source's side (kSourceReadError or
  // kSourceEndedEarly, 0 when it did not), the source byte offset and errno.
  int32_t inFault;
  int64_t inFaultAt;
  int32_t inFaultErrno;
};

// What went wrong with a source file during volume creation.
enum SourceFault : int32_t {
  kSourceNoFault = 0,
  kSourceReadError = 1,   // a read failed (errno in SourceFaultErrno)
  kSourceEndedEarly = 2,  // the file ends before the bytes the read found
  kSourceChanged = 3,     // not the file (identity, size, time) the read found
  kSourceEncrypted = 4,   // a CSS-scrambled pack
};

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
  // Presentation time of each cell of the title in 90 kHz ticks: the sum of
  // VOBU_E_PTM - VOBU_S_PTM over its VOBUs.
  int64_t CellTicks[kCellTickSlots];
  bool TitlePal;  // the title's time codes count 25 frames a second

  // Interleave and stream filters.
  uint8_t KeepAudioStream[8];
  // The written logical stream that the packs of each audio coding (AC-3,
  // DTS, linear PCM, MPEG: kAudioClass*) and stream number belong to, -1
  // for packs that are dropped. Stream numbers count per coding, so an
  // AC-3 and an MPEG stream may share one.
  int8_t KeepAudioSlot[4][8];
  uint8_t KeepSubpicStream[32];
  int32_t OutIlvuSkipping;
  uint32_t OutIlvuLastUnitScr;
  int32_t StreamFilterOn;

  // The output VOB file being written (descriptor), or -1.
  int OutFd;

  // The source fault behind a kVobWriteSourceError (kSourceNoFault: the
  // file could not be opened), its list and the sector of its file.
  int32_t SourceFault;
  int32_t SourceFaultList;
  int64_t SourceFaultSector;
  int32_t SourceFaultErrno;

  // Chunk bookkeeping of the VOB writer.
  ChunkPackSources ChunkSrc;
  PackRun Run;

  // Knobs for tests; 0 keeps the product's values.
  int32_t ChunkBytesLimit;  // bytes read per chunk (0 = all of IoBuffer)
  int32_t SplitPacks;       // sectors per output file (0 = kOutVobPackLimit)
  int32_t ForcePlainWrite;  // 1 = always write(2) the buffer
  int32_t RefuseCopies;     // 1 = act as if the kernel refused copy_file_range
  int32_t AssumeShared;     // 1 = copy as on a filesystem that shares blocks
};

AuthorState& Author();

}  // namespace vm
