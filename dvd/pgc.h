// One program chain (PGC): its general information (PGC_GI), its command
// table (pre, post and cell commands, 8 bytes each), program map, cell
// playback table and cell position table. The four tables lie after the
// general information at offsets it gives; the model keeps their source
// order and the bytes between them, so an unchanged chain is written back
// as it was, and a chain whose tables grew is laid out again from the
// sizes.
#pragma once

#include <cstdint>

#include "dvd/ifo_status.h"
#include "dvd/ifo_view.h"
#include "dvd/kept_bytes.h"

namespace vm::dvd {

// PGC_GI, offsets from the start of the chain.
constexpr uint32_t kPgcReserved = 0x00;          // 2 bytes
constexpr uint32_t kPgcProgramCount = 0x02;
constexpr uint32_t kPgcCellCount = 0x03;
constexpr uint32_t kPgcPlaybackTime = 0x04;      // BCD hh mm ss ff
constexpr uint32_t kPgcProhibitedOps = 0x08;
constexpr uint32_t kPgcAudioControl = 0x0C;      // 8 x 2 bytes
constexpr uint32_t kPgcSubpControl = 0x1C;       // 32 x 4 bytes
constexpr uint32_t kPgcNextPgcn = 0x9C;
constexpr uint32_t kPgcPrevPgcn = 0x9E;
constexpr uint32_t kPgcGoUpPgcn = 0xA0;
constexpr uint32_t kPgcPlaybackMode = 0xA2;
constexpr uint32_t kPgcStillTime = 0xA3;
constexpr uint32_t kPgcPalette = 0xA4;           // 16 x 4 bytes
constexpr uint32_t kPgcCommandTable = 0xE4;      // offsets of the four tables, 0 = none
constexpr uint32_t kPgcProgramMap = 0xE6;
constexpr uint32_t kPgcCellPlayback = 0xE8;
constexpr uint32_t kPgcCellPosition = 0xEA;
constexpr uint32_t kPgcGiBytes = 0xEC;
static_assert(kPgcSubpControl == kPgcAudioControl + 8 * 2);
static_assert(kPgcNextPgcn == kPgcSubpControl + 32 * 4);
static_assert(kPgcCommandTable == kPgcPalette + 16 * 4);
static_assert(kPgcGiBytes == kPgcCellPosition + 2);

// PGC command table, from its start.
constexpr uint32_t kCmdPreCount = 0x00;
constexpr uint32_t kCmdPostCount = 0x02;
constexpr uint32_t kCmdCellCount = 0x04;
constexpr uint32_t kCmdLastByte = 0x06;
constexpr uint32_t kCmdFirst = 0x08;
constexpr uint32_t kCommandBytes = 8;

// C_PBI, one cell playback entry.
constexpr uint32_t kCellCategory = 0x00;         // 2 bytes: see kCell* bits
constexpr uint32_t kCellStillTime = 0x02;
constexpr uint32_t kCellCommandNr = 0x03;
constexpr uint32_t kCellPlaybackTime = 0x04;
constexpr uint32_t kCellFirstSector = 0x08;      // first VOBU start
constexpr uint32_t kCellFirstIlvuEnd = 0x0C;
constexpr uint32_t kCellLastVobuStart = 0x10;
constexpr uint32_t kCellLastSector = 0x14;       // last VOBU end
constexpr uint32_t kCellPlaybackBytes = 0x18;
static_assert(kCellPlaybackBytes == kCellLastSector + 4);

// First category byte.
constexpr uint8_t kCellBlockMode = 0xC0;
constexpr uint8_t kCellBlockType = 0x30;
constexpr uint8_t kCellSeamless = 0x08;
constexpr uint8_t kCellInterleaved = 0x04;
constexpr uint8_t kCellStcDiscontinuity = 0x02;
constexpr uint8_t kCellSeamlessAngle = 0x01;
// Second category byte.
constexpr uint8_t kCellPlaybackModeBit = 0x40;
constexpr uint8_t kCellRestricted = 0x20;
constexpr uint8_t kCellType = 0x1F;

// C_POSI, one cell position entry.
constexpr uint32_t kCellPosVobId = 0x00;
constexpr uint32_t kCellPosReserved = 0x02;
constexpr uint32_t kCellPosCellId = 0x03;
constexpr uint32_t kCellPositionBytes = 0x04;

constexpr int kMaxPgcCommands = 128;  // pre + post + cell
constexpr int kMaxPgcPrograms = 255;
constexpr int kMaxPgcCells = 255;

struct Command {
  uint8_t bytes[kCommandBytes];
};

struct CellPlayback {
  uint8_t category[2];
  uint8_t stillTime;
  uint8_t commandNr;
  uint8_t playbackTime[4];
  uint32_t firstSector;
  uint32_t firstIlvuEndSector;
  uint32_t lastVobuStartSector;
  uint32_t lastSector;
};

struct CellPosition {
  uint16_t vobId;
  uint8_t reserved;
  uint8_t cellId;
};

enum class PgcPart : uint8_t { kCommands, kProgramMap, kCellPlayback, kCellPosition };
constexpr int kPgcParts = 4;

struct Pgc {
  uint16_t reserved;
  uint8_t programCount;
  uint8_t cellCount;
  uint8_t playbackTime[4];
  uint32_t prohibitedOps;
  uint16_t audioControl[8];
  uint32_t subpControl[32];
  uint16_t nextPgcn, prevPgcn, goUpPgcn;
  uint8_t playbackMode;
  uint8_t stillTime;
  uint32_t palette[16];

  // Which of the four tables the chain has (a zero offset: none).
  bool has[kPgcParts];

  // Commands: pre first, then post, then cell; `commandTail` holds bytes the
  // table's end address covers after the last command.
  uint16_t preCount, postCount, cellCommandCount;
  Command commands[kMaxPgcCommands];
  Keep commandTail;

  uint8_t programMap[kMaxPgcPrograms];  // entry cell of each program, 1-based
  CellPlayback cells[kMaxPgcCells];
  CellPosition positions[kMaxPgcCells];

  // Source layout: the tables in the order they lay, each with the bytes
  // before it (from the end of the one before, or of PGC_GI). A table not
  // listed here (added by a caller) follows the listed ones.
  uint8_t partCount;
  PgcPart parts[kPgcParts];
  Keep gapBefore[kPgcParts];
  // The source laid a table, or the chain's end, on an odd byte: it is
  // written back as it was, with no pad byte added.
  bool oddLayout;
  // Bytes after the chain up to the next thing in its table.
  Keep after;

  const Command* Pre() const { return commands; }
  const Command* Post() const { return commands + preCount; }
  const Command* CellCommands() const { return commands + preCount + postCount; }
};

// A chain as a fresh one: no tables, no commands, nothing kept.
void ClearPgc(Pgc& p);

// Reads the chain at `at`; every table of it must end by `limit`. `where`
// names it in a cause ("VTS_PGCIT: PGC 3"). `end` is where its last table
// ends.
bool ReadPgc(const IfoView& v, uint64_t at, uint64_t limit, const char* where, Pgc& p,
             uint64_t& end, IfoStatus& st);

// Writes the chain at `at`; `end` is where it ends (its `after` bytes not
// included).
bool WritePgc(IfoOut& out, uint64_t at, const Pgc& p, const BytePool& pool, const char* where,
              uint64_t& end, IfoStatus& st);

}  // namespace vm::dvd
