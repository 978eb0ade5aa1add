#include "dvd/pgc.h"

#include <cstring>

namespace vm::dvd {
namespace {

constexpr uint32_t kPartOffsetField[kPgcParts] = {kPgcCommandTable, kPgcProgramMap,
                                                  kPgcCellPlayback, kPgcCellPosition};
const char* const kPartName[kPgcParts] = {"command table", "program map", "cell table",
                                          "cell position table"};

uint64_t CommandTableBytes(const Pgc& p) {
  return kCmdFirst + uint64_t{kCommandBytes} * (p.preCount + p.postCount + p.cellCommandCount) +
         p.commandTail.len;
}

uint64_t PartBytes(const Pgc& p, PgcPart part) {
  switch (part) {
    case PgcPart::kCommands: return CommandTableBytes(p);
    case PgcPart::kProgramMap: return p.programCount;
    case PgcPart::kCellPlayback: return uint64_t{kCellPlaybackBytes} * p.cellCount;
    case PgcPart::kCellPosition: return uint64_t{kCellPositionBytes} * p.cellCount;
  }
  return 0;
}

bool ReadCommands(const IfoView& v, uint64_t at, uint64_t limit, const char* where, Pgc& p,
                  uint64_t& size, IfoStatus& st) {
  uint32_t pre, post, cell, last;
  if (!v.U16(at + kCmdPreCount, pre) || !v.U16(at + kCmdPostCount, post) ||
      !v.U16(at + kCmdCellCount, cell) || !v.U16(at + kCmdLastByte, last) ||
      at + kCmdFirst > limit)
    return st.Damaged("%s: command table past its end", where);
  if (pre + post + cell > static_cast<uint32_t>(kMaxPgcCommands))
    return st.TooLarge("%s: %u commands, more than %d", where, pre + post + cell,
                       kMaxPgcCommands);
  uint64_t used = kCmdFirst + uint64_t{kCommandBytes} * (pre + post + cell);
  size = uint64_t{last} + 1;
  if (size < used) return st.Damaged("%s: command table shorter than its commands", where);
  if (at + size > limit || !v.Has(at, size))
    return st.Damaged("%s: command table past its end", where);
  p.preCount = static_cast<uint16_t>(pre);
  p.postCount = static_cast<uint16_t>(post);
  p.cellCommandCount = static_cast<uint16_t>(cell);
  std::memcpy(p.commands, v.Bytes(at + kCmdFirst, used - kCmdFirst), used - kCmdFirst);
  p.commandTail = SourceRange(at + used, at + size);
  return true;
}

void ReadCell(const uint8_t* b, CellPlayback& c) {
  c.category[0] = b[kCellCategory];
  c.category[1] = b[kCellCategory + 1];
  c.stillTime = b[kCellStillTime];
  c.commandNr = b[kCellCommandNr];
  std::memcpy(c.playbackTime, b + kCellPlaybackTime, 4);
  c.firstSector = ReadBe32(b + kCellFirstSector);
  c.firstIlvuEndSector = ReadBe32(b + kCellFirstIlvuEnd);
  c.lastVobuStartSector = ReadBe32(b + kCellLastVobuStart);
  c.lastSector = ReadBe32(b + kCellLastSector);
}

void WriteCell(uint8_t* b, const CellPlayback& c) {
  b[kCellCategory] = c.category[0];
  b[kCellCategory + 1] = c.category[1];
  b[kCellStillTime] = c.stillTime;
  b[kCellCommandNr] = c.commandNr;
  std::memcpy(b + kCellPlaybackTime, c.playbackTime, 4);
  WriteBe32(b + kCellFirstSector, c.firstSector);
  WriteBe32(b + kCellFirstIlvuEnd, c.firstIlvuEndSector);
  WriteBe32(b + kCellLastVobuStart, c.lastVobuStartSector);
  WriteBe32(b + kCellLastSector, c.lastSector);
}

bool ReadPart(const IfoView& v, uint64_t at, uint64_t limit, const char* where, PgcPart part,
              Pgc& p, uint64_t& size, IfoStatus& st) {
  if (part == PgcPart::kCommands) return ReadCommands(v, at, limit, where, p, size, st);
  size = PartBytes(p, part);
  const uint8_t* b = v.Bytes(at, size);
  if (b == nullptr || at + size > limit)
    return st.Damaged("%s %s past its end", where, kPartName[static_cast<int>(part)]);
  if (part == PgcPart::kProgramMap) {
    std::memcpy(p.programMap, b, size);
  } else if (part == PgcPart::kCellPlayback) {
    for (int c = 0; c < p.cellCount; ++c) ReadCell(b + c * kCellPlaybackBytes, p.cells[c]);
  } else {
    for (int c = 0; c < p.cellCount; ++c) {
      const uint8_t* e = b + c * kCellPositionBytes;
      p.positions[c] = {ReadBe16(e + kCellPosVobId), e[kCellPosReserved], e[kCellPosCellId]};
    }
  }
  return true;
}

bool WritePart(IfoOut& out, uint64_t at, const Pgc& p, PgcPart part, const BytePool& pool) {
  if (part == PgcPart::kCommands) {
    int n = p.preCount + p.postCount + p.cellCommandCount;
    uint64_t size = CommandTableBytes(p);
    return out.U16(at + kCmdPreCount, p.preCount) && out.U16(at + kCmdPostCount, p.postCount) &&
           out.U16(at + kCmdCellCount, p.cellCommandCount) &&
           out.U16(at + kCmdLastByte, static_cast<uint32_t>(size - 1)) &&
           out.Bytes(at + kCmdFirst, p.commands[0].bytes, uint64_t{kCommandBytes} * n) &&
           PutKept(out, at + kCmdFirst + uint64_t{kCommandBytes} * n, pool, p.commandTail);
  }
  if (part == PgcPart::kProgramMap) return out.Bytes(at, p.programMap, p.programCount);
  if (part == PgcPart::kCellPlayback) {
    for (int c = 0; c < p.cellCount; ++c) {
      uint8_t b[kCellPlaybackBytes];
      WriteCell(b, p.cells[c]);
      if (!out.Bytes(at + uint64_t{kCellPlaybackBytes} * c, b, sizeof b)) return false;
    }
    return true;
  }
  for (int c = 0; c < p.cellCount; ++c) {
    uint64_t e = at + uint64_t{kCellPositionBytes} * c;
    if (!out.U16(e + kCellPosVobId, p.positions[c].vobId) ||
        !out.U8(e + kCellPosReserved, p.positions[c].reserved) ||
        !out.U8(e + kCellPosCellId, p.positions[c].cellId))
      return false;
  }
  return true;
}

}  // namespace

void ClearPgc(Pgc& p) { std::memset(static_cast<void*>(&p), 0, sizeof p); }

bool ReadPgc(const IfoView& v, uint64_t at, uint64_t limit, const char* where, Pgc& p,
             uint64_t& end, IfoStatus& st) {
  ClearPgc(p);
  const uint8_t* gi = v.Bytes(at, kPgcGiBytes);
  if (gi == nullptr || at + kPgcGiBytes > limit) return st.Damaged("%s past its end", where);
  p.reserved = ReadBe16(gi + kPgcReserved);
  p.programCount = gi[kPgcProgramCount];
  p.cellCount = gi[kPgcCellCount];
  std::memcpy(p.playbackTime, gi + kPgcPlaybackTime, 4);
  p.prohibitedOps = ReadBe32(gi + kPgcProhibitedOps);
  for (int i = 0; i < 8; ++i) p.audioControl[i] = ReadBe16(gi + kPgcAudioControl + 2 * i);
  for (int i = 0; i < 32; ++i) p.subpControl[i] = ReadBe32(gi + kPgcSubpControl + 4 * i);
  p.nextPgcn = ReadBe16(gi + kPgcNextPgcn);
  p.prevPgcn = ReadBe16(gi + kPgcPrevPgcn);
  p.goUpPgcn = ReadBe16(gi + kPgcGoUpPgcn);
  p.playbackMode = gi[kPgcPlaybackMode];
  p.stillTime = gi[kPgcStillTime];
  for (int i = 0; i < 16; ++i) p.palette[i] = ReadBe32(gi + kPgcPalette + 4 * i);

  // The tables in the order they lie (a stable sort of four).
  uint32_t offset[kPgcParts];
  for (int i = 0; i < kPgcParts; ++i) {
    offset[i] = ReadBe16(gi + kPartOffsetField[i]);
    p.has[i] = offset[i] != 0;
    if (p.has[i]) p.parts[p.partCount++] = static_cast<PgcPart>(i);
  }
  for (int i = 1; i < p.partCount; ++i)
    for (int j = i; j > 0 && offset[static_cast<int>(p.parts[j])] <
                                 offset[static_cast<int>(p.parts[j - 1])];
         --j) {
      PgcPart t = p.parts[j];
      p.parts[j] = p.parts[j - 1];
      p.parts[j - 1] = t;
    }

  uint64_t pos = at + kPgcGiBytes;
  for (int i = 0; i < p.partCount; ++i) {
    int k = static_cast<int>(p.parts[i]);
    uint64_t start = at + offset[k];
    if (start < pos)
      return st.Damaged("%s %s overlaps the table before it", where, kPartName[k]);
    uint64_t size = 0;
    if (!ReadPart(v, start, limit, where, p.parts[i], p, size, st)) return false;
    p.gapBefore[i] = SourceRange(pos, start);
    pos = start + size;
    if (((start - at) & 1) != 0) p.oddLayout = true;
  }
  if (((pos - at) & 1) != 0) p.oddLayout = true;
  end = pos;
  return true;
}

bool WritePgc(IfoOut& out, uint64_t at, const Pgc& p, const BytePool& pool, const char* where,
              uint64_t& end, IfoStatus& st) {
  // The recorded order first, then any table a caller added.
  PgcPart order[kPgcParts];
  Keep gap[kPgcParts] = {};
  int n = 0;
  bool listed[kPgcParts] = {};
  for (int i = 0; i < p.partCount && i < kPgcParts; ++i) {
    int k = static_cast<int>(p.parts[i]);
    if (k >= kPgcParts || !p.has[k] || listed[k]) continue;
    listed[k] = true;
    gap[n] = p.gapBefore[i];
    order[n++] = p.parts[i];
  }
  for (int k = 0; k < kPgcParts; ++k)
    if (p.has[k] && !listed[k]) order[n++] = static_cast<PgcPart>(k);

  uint32_t offset[kPgcParts] = {};
  uint64_t pos = at + kPgcGiBytes;
  for (int i = 0; i < n; ++i) {
    if (!PutKept(out, pos, pool, gap[i])) return st.NoRoom(where);
    pos += gap[i].len;
    // Every table, and so the next program chain, starts on an even byte:
    // players skip a program chain that starts on an odd one. A table that
    // grew by an odd count (one more program) gets the pad byte a source
    // keeps in its gap.
    if (!p.oddLayout && ((pos - at) & 1) != 0) {
      if (!out.U8(pos, 0)) return st.NoRoom(where);
      ++pos;
    }
    if (pos - at > 0xFFFF) return st.TooLarge("%s larger than 64 KiB", where);
    offset[static_cast<int>(order[i])] = static_cast<uint32_t>(pos - at);
    if (!WritePart(out, pos, p, order[i], pool)) return st.NoRoom(where);
    pos += PartBytes(p, order[i]);
  }

  bool ok = out.U16(at + kPgcReserved, p.reserved) &&
            out.U8(at + kPgcProgramCount, p.programCount) &&
            out.U8(at + kPgcCellCount, p.cellCount) &&
            out.Bytes(at + kPgcPlaybackTime, p.playbackTime, 4) &&
            out.U32(at + kPgcProhibitedOps, p.prohibitedOps);
  for (int i = 0; ok && i < 8; ++i) ok = out.U16(at + kPgcAudioControl + 2 * i, p.audioControl[i]);
  for (int i = 0; ok && i < 32; ++i) ok = out.U32(at + kPgcSubpControl + 4 * i, p.subpControl[i]);
  ok = ok && out.U16(at + kPgcNextPgcn, p.nextPgcn) && out.U16(at + kPgcPrevPgcn, p.prevPgcn) &&
       out.U16(at + kPgcGoUpPgcn, p.goUpPgcn) && out.U8(at + kPgcPlaybackMode, p.playbackMode) &&
       out.U8(at + kPgcStillTime, p.stillTime);
  for (int i = 0; ok && i < 16; ++i) ok = out.U32(at + kPgcPalette + 4 * i, p.palette[i]);
  for (int k = 0; ok && k < kPgcParts; ++k) ok = out.U16(at + kPartOffsetField[k], offset[k]);
  if (!ok) return st.NoRoom(where);
  if (!p.oddLayout && ((pos - at) & 1) != 0) {
    if (!out.U8(pos, 0)) return st.NoRoom(where);
    ++pos;
  }
  end = pos;
  return true;
}

}  // namespace vm::dvd
