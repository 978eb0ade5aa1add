#include "author/vtsi_writer.h"

#include <algorithm>
#include <cstring>

#include "author/ifo_file.h"
#include "common/be.h"
#include "common/timecode.h"
#include "dvd/c_adt.h"
#include "dvd/pgc.h"
#include "dvd/vobu_admap.h"
#include "dvd/vts_pgcit.h"
#include "dvd/vts_ptt_srpt.h"
#include "dvd/vts_tmapt.h"
#include "dvd/vtsi_mat.h"

namespace vm {

namespace {

// VTSI_MAT.
constexpr size_t kMatId = dvd::kVtsiId;
constexpr size_t kMatVtsLastSector = dvd::kVtsiLastSector;
constexpr size_t kMatVtsiLastSector = dvd::kVtsiIfoLastSector;
constexpr size_t kMatVersion = dvd::kVtsiVersion;
constexpr size_t kMatLastByte = dvd::kVtsiMatLastByte;
constexpr size_t kMatVtsttVobs = dvd::kVtsiTitleVobs;
constexpr size_t kMatPttSrpt = dvd::kVtsiPttSrpt;
constexpr size_t kMatPgcit = dvd::kVtsiPgcit;
constexpr size_t kMatTmapti = dvd::kVtsiTmapt;
constexpr size_t kMatCadt = dvd::kVtsiTitleCadt;
constexpr size_t kMatVobuAdmap = dvd::kVtsiTitleVobuAdmap;
constexpr size_t kMatVtsmVatr = dvd::kVtsiMenuVideo;
constexpr size_t kMatVtsmSpstNs = dvd::kVtsiMenuSubpCount;
constexpr size_t kMatVtsVatr = dvd::kVtsiVideo;
constexpr size_t kMatVtsVatrRes = dvd::kVtsiVideo + 1;
constexpr size_t kMatVtsAstNs = dvd::kVtsiAudioCount;
constexpr size_t kMatVtsAstAtrt = dvd::kVtsiAudio;
constexpr size_t kAstEntryBytes = dvd::kAudioAttrBytes;
constexpr size_t kMatVtsSpstNs = dvd::kVtsiSubpCount;
constexpr size_t kMatVtsSpstAtrt = dvd::kVtsiSubp;
constexpr size_t kSpstEntryBytes = dvd::kSubpAttrBytes;
constexpr size_t kMatAttrStart = dvd::kVtsiMenuVideo;
constexpr uint8_t kVersion = 0x11;
constexpr uint32_t kMatLastByteValue = 0x7FF;
constexpr uint8_t kVatr43 = 0x43, kVatr169 = 0x4E;
static_assert(kMatAttrStart + kSrcVtsiAttrBytes == 0x300);
static_assert(kMatVtsSpstAtrt + 32 * kSpstEntryBytes <= kSectorBytes);

// VTS_PTT_SRPT.
constexpr size_t kPttCount = dvd::kPttSrptCount, kPttLastByte = dvd::kPttSrptLastByte,
                 kPttTitleOffset = dvd::kPttSrptOffsets, kPttEntries = kPttTitleOffset + 4;
constexpr size_t kPttEntryBytes = dvd::kPttBytes;

// VTS_PGCIT and its one PGC.
using dvd::kPgcitCount;
using dvd::kPgcitLastByte;
constexpr size_t kPgcitCategory = dvd::kPgcitSrps + dvd::kSrpCategory,
                 kPgcitPgcOffset = dvd::kPgcitSrps + dvd::kSrpPgcOffset;
constexpr size_t kPgcitPgc = dvd::kPgcitSrps + dvd::kSrpBytes;
constexpr uint8_t kEntryPgcOfTitle1 = 0x81;
constexpr size_t kPgcPrograms = dvd::kPgcProgramCount;
constexpr size_t kPgcCells = dvd::kPgcCellCount;
using dvd::kPgcPlaybackTime;
constexpr size_t kPgcAstCtl = dvd::kPgcAudioControl;
constexpr size_t kAstCtlBytes = 2;
constexpr size_t kPgcSpstCtl = dvd::kPgcSubpControl;
constexpr size_t kSpstCtlBytes = 4;
constexpr size_t kPgcLinks = dvd::kPgcNextPgcn;      // next, previous, go-up PGC, still time, mode
constexpr size_t kPgcLinksBytes = 8;
using dvd::kPgcPalette;
constexpr size_t kPgcCopyEnd = dvd::kPgcCommandTable;    // end of the bytes taken from the source
constexpr size_t kPgcCmdTblOffset = dvd::kPgcCommandTable;
constexpr size_t kPgcPrgMapOffset = dvd::kPgcProgramMap;
constexpr size_t kPgcCellPlayOffset = dvd::kPgcCellPlayback;
constexpr size_t kPgcCellPosOffset = dvd::kPgcCellPosition;
constexpr size_t kPgcCmdTbl = dvd::kPgcGiBytes;
constexpr size_t kPgcPostCmd = 0xF4;
constexpr size_t kPgcPrgMap = 0xFC;
constexpr size_t kCmdBytes = dvd::kCommandBytes;
constexpr size_t kCmdTblPostCount = dvd::kCmdPostCount, kCmdTblLastByte = dvd::kCmdLastByte;
constexpr uint32_t kPostOnlyCmdTblLastByte = 0x000F;  // header and one command
constexpr uint32_t kPaletteEntry = 0x00108080;  // black in Y Cr Cb
constexpr size_t kCellPlayBytes = dvd::kCellPlaybackBytes;
constexpr size_t kCellPosBytes = dvd::kCellPositionBytes;
static_assert(kPgcCopyEnd - kPgcAstCtl == kSrcVtsiCopyBytes - kSrcVtsiAttrBytes);

// Cell playback information.
constexpr size_t kCpCategory = dvd::kCellCategory, kCpTime = dvd::kCellPlaybackTime,
                 kCpFirstVobu = dvd::kCellFirstSector, kCpFirstIlvuEnd = dvd::kCellFirstIlvuEnd,
                 kCpLastVobuStart = dvd::kCellLastVobuStart, kCpLastVobuEnd = dvd::kCellLastSector;
constexpr uint8_t kCellStcDiscontinuity = dvd::kCellStcDiscontinuity,
                  kCellSeamless = dvd::kCellSeamless,
                  kCellSeamlessStc = kCellSeamless | kCellStcDiscontinuity;

// VTS_TMAPTI.
constexpr size_t kTmapCount = dvd::kTmaptCount, kTmapLastByte = dvd::kTmaptLastByte,
                 kTmapOffset = dvd::kTmaptOffsets, kTmapMap = kTmapOffset + 4;
constexpr size_t kTmapUnit = dvd::kTmapUnit, kTmapEntryCount = dvd::kTmapCount,
                 kTmapEntries = dvd::kTmapEntries;
constexpr uint8_t kTmapSeconds = 3;
constexpr int kMaxTmapEntries = 65535;  // the entry count is a 16-bit field

// VTS_C_ADT.
constexpr size_t kCadtCount = dvd::kCadtVobCount, kCadtLastByte = dvd::kCadtLastByte,
                 kCadtEntries = dvd::kCadtEntries, kCadtEntryBytes = dvd::kCadtEntryBytes;
constexpr size_t kCaVob = dvd::kCadtVobId, kCaCell = dvd::kCadtCellId,
                 kCaStart = dvd::kCadtStartSector, kCaEnd = dvd::kCadtLastSector;

// VTS_VOBU_ADMAP.
constexpr size_t kAdmapLastByte = dvd::kAdmapLastByte, kAdmapEntries = dvd::kAdmapEntries;

constexpr int kMaxCells = 255;  // cell and program counts are byte fields

const uint8_t kCmdExit[kCmdBytes] = {0x30, 0x01, 0, 0, 0, 0, 0, 0};
const uint8_t kCmdCallSequencer[kCmdBytes] = {0x30, 0x08, 0x00, 0x01, 0x01, 0xC0, 0, 0};
const uint8_t kCmdJumpChapter1[kCmdBytes] = {0x30, 0x05, 0x00, 0x01, 0x00, 0x01, 0, 0};

int Sectors(int64_t bytes) { return static_cast<int>((bytes + kSectorBytes - 1) / kSectorBytes); }

struct Layout {
  int P, G, E, M, V;
  int start[9];
  int total;
};

bool ComputeLayout(const TitleTables& t, const AuthorState& a, int title, Layout& l) {
  l.P = t.PrgNum[title];
  l.G = t.ChapterNumNew[title];
  l.M = std::min(a.OutTmapNum, kMaxTmapEntries);
  l.V = a.OutVobuNum;
  if (l.P < 0 || l.P > kMaxCells || l.G < 0 || l.G > l.P) return false;
  if (l.M < 0 || l.V < 0 || l.V > kOutVobuSlots) return false;
  l.E = (l.G + 1) / 2 * 2;
  const int size[9] = {1,
                       Sectors(12 + 4 * l.G),
                       Sectors(268 + l.E + 28 * l.P),
                       0,
                       Sectors(16 + 4 * static_cast<int64_t>(l.M)),
                       0,
                       0,
                       Sectors(8 + 12 * l.P),
                       Sectors(4 * (static_cast<int64_t>(l.V) + 1))};
  l.total = 0;
  for (int k = 0; k < 9; ++k) {
    l.start[k] = l.total;
    l.total += size[k];
  }
  return l.total <= kVtsiImageSectors;
}

static_assert(1 + 1 + (268 + 256 + 28 * 255 + 2047) / 2048 + (16 + 4 * 65535 + 2047) / 2048 +
                      (8 + 12 * 255 + 2047) / 2048 + (4 * (kOutVobuSlots + 1) + 2047) / 2048 <=
                  kVtsiImageSectors,
              "the image holds the largest VTSI the tables allow");

uint8_t* Sector(uint8_t* image, int sector) {
  return image + static_cast<size_t>(sector) * kSectorBytes;
}

void FillAudioDefaults(const TitleTables& t, int title, uint8_t* m, int& na) {
  na = 0;
  for (int w = 0; w < 3; ++w) {
    uint32_t word = static_cast<uint32_t>(t.DC_AudioData[title][w]);
    if ((word & 0x80) == 0) continue;
    uint8_t* e = m + kMatVtsAstAtrt + kAstEntryBytes * static_cast<size_t>(na);
    static const uint8_t kCoding[8][2] = {{0x84, 0x01}, {0x04, 0xC1}, {0x04, 0xC5}, {0xC4, 0xC5},
                                          {0x40, 0x01}, {0x40, 0x01}, {0x40, 0x01}, {0x40, 0x01}};
    e[0] = kCoding[(word >> 4) & 7][0];
    e[1] = kCoding[(word >> 4) & 7][1];
    bool japanese = (word & 0x0F) == 0;
    e[2] = japanese ? 'j' : 'e';
    e[3] = japanese ? 'a' : 'n';
    na += 1;
  }
  if (na == 0) {
    m[kMatVtsAstNs] = 1;
    m[kMatVtsAstAtrt + 1] = 0xC1;
  } else {
    m[kMatVtsAstNs] = static_cast<uint8_t>(na);
  }
}

uint8_t ResolutionByte(const TitleTables& t, const AuthorState& a, int title) {
  switch (t.DC_Resolution[title]) {
    case 0: return 0x00;
    case 1: return 0x10;
    default:
      if (a.OutPictureWidth > 360) return 0x00;
      return a.OutPictureHeight > 240 ? 0x10 : 0x18;
  }
}

void SwapBytes(uint8_t* x, uint8_t* y, size_t n) {
  for (size_t i = 0; i < n; ++i) std::swap(x[i], y[i]);
}

// A priority stream moved to entry 0 of an attribute table; returns the
// priority as it stands afterwards (0 when the table has fewer than 2).
int MovePriorityEntry(uint8_t* m, size_t countAt, size_t tableAt, size_t entryBytes, int pri) {
  int n = m[countAt];
  if (n < 2) return 0;
  int limit = static_cast<int>(entryBytes == kAstEntryBytes ? 8 : 32);
  if (pri >= n) pri = n - 1;
  if (pri >= limit) pri = limit - 1;
  SwapBytes(m + tableAt, m + tableAt + entryBytes * static_cast<size_t>(pri), entryBytes);
  return pri;
}

// Which of the source's streams the written title set declares: the ones
// the stream filter keeps, in the source's order, renumbered from 0. A
// dropped stream's entries leave the attribute table and the program
// chain's stream control, so that players offer only what the packs carry;
// the control entries of the kept ones keep their physical stream numbers.
struct StreamMap {
  bool any = false;           // some stream is dropped
  int count = 0;              // streams declared before the drop
  int kept = 0;
  int8_t to[32] = {};         // new logical number, -1 when dropped
};

StreamMap MapStreams(const uint8_t* use, int declared, int slots) {
  StreamMap m;
  m.count = std::clamp(declared, 0, slots);
  for (int i = 0; i < m.count; ++i) {
    if (use[i] == 1) {
      m.to[i] = static_cast<int8_t>(m.kept++);
    } else {
      m.to[i] = -1;
      m.any = true;
    }
  }
  return m;
}

// Moves the kept entries of a table of `slots` entries down over the dropped
// ones and zeroes the rest.
void CompactEntries(uint8_t* table, size_t entryBytes, int slots, const StreamMap& m) {
  for (int i = 0; i < m.count; ++i)
    if (m.to[i] >= 0 && m.to[i] != i)
      std::memmove(table + entryBytes * static_cast<size_t>(m.to[i]),
                   table + entryBytes * static_cast<size_t>(i), entryBytes);
  std::memset(table + entryBytes * static_cast<size_t>(m.kept), 0,
              entryBytes * static_cast<size_t>(slots - m.kept));
}

// A priority given in the source's numbering, in the written one (0 when
// its stream is dropped).
int MapPriority(int pri, const StreamMap& m) {
  if (!m.any || pri <= 0) return pri;
  return pri < m.count && m.to[pri] >= 0 ? m.to[pri] : 0;
}

struct StreamMaps {
  StreamMap audio, subpic;
};

// VTSI_MAT with the attribute steps; returns a and b (the stream priorities
// as used) and na through the references.
void FillMat(const TitleTables& t, const AuthorState& a, int title, const Layout& l, uint8_t* m,
             int& na, int& pa, int& pb, StreamMaps& maps) {
  std::memcpy(m + kMatId, "DVDVIDEO-VTS", 12);
  WriteBe32(m + kMatVtsLastSector,
            static_cast<uint32_t>(t.StartIndex[title][l.P] + 2 * l.total - 1));
  WriteBe32(m + kMatVtsiLastSector, static_cast<uint32_t>(l.total - 1));
  m[kMatVersion] = kVersion;
  WriteBe32(m + kMatLastByte, kMatLastByteValue);
  WriteBe32(m + kMatVtsttVobs, static_cast<uint32_t>(l.total));
  WriteBe32(m + kMatPttSrpt, static_cast<uint32_t>(l.start[1]));
  WriteBe32(m + kMatPgcit, static_cast<uint32_t>(l.start[2]));
  WriteBe32(m + kMatTmapti, static_cast<uint32_t>(l.start[4]));
  WriteBe32(m + kMatCadt, static_cast<uint32_t>(l.start[7]));
  WriteBe32(m + kMatVobuAdmap, static_cast<uint32_t>(l.start[8]));
  uint8_t vatr = t.DC_Aspect[title] == 0 ? kVatr43 : kVatr169;
  m[kMatVtsmVatr] = vatr;
  m[kMatVtsmSpstNs] = 1;
  m[kMatVtsVatr] = vatr;
  m[kMatVtsVatrRes] = ResolutionByte(t, a, title);
  FillAudioDefaults(t, title, m, na);

  bool fromSource = t.DC_VtsiEnable[title] == 1;
  if (fromSource) {
    std::memcpy(m + kMatAttrStart, t.SrcVtsiCopy[title], kSrcVtsiAttrBytes);
    maps.audio = MapStreams(t.DC_A_Use[title], m[kMatVtsAstNs], kAudioStreamSlots);
    maps.subpic = MapStreams(t.DC_C_Use[title], m[kMatVtsSpstNs], kSubpicStreamSlots);
    if (maps.audio.any) {
      CompactEntries(m + kMatVtsAstAtrt, kAstEntryBytes, kAudioStreamSlots, maps.audio);
      m[kMatVtsAstNs - 1] = 0;
      m[kMatVtsAstNs] = static_cast<uint8_t>(maps.audio.kept);
    }
    if (maps.subpic.any) {
      CompactEntries(m + kMatVtsSpstAtrt, kSpstEntryBytes, kSubpicStreamSlots, maps.subpic);
      m[kMatVtsSpstNs - 1] = 0;
      m[kMatVtsSpstNs] = static_cast<uint8_t>(maps.subpic.kept);
    }
  }
  pa = MapPriority(t.DC_A_Priority[title], maps.audio);
  if (pa != 0) {
    na = m[kMatVtsAstNs];
    pa = MovePriorityEntry(m, kMatVtsAstNs, kMatVtsAstAtrt, kAstEntryBytes, pa);
  }
  if (fromSource && t.DC_First_A[title] == 1 && m[kMatVtsAstNs] > 1) {
    m[kMatVtsAstNs] = 1;
    std::memset(m + kMatVtsAstAtrt + kAstEntryBytes, 0, 7 * kAstEntryBytes);
  }
  pb = MapPriority(t.DC_C_Priority[title], maps.subpic);
  if (pb != 0) pb = MovePriorityEntry(m, kMatVtsSpstNs, kMatVtsSpstAtrt, kSpstEntryBytes, pb);
  if (fromSource && t.DC_First_C[title] == 1 && m[kMatVtsSpstNs] > 1) {
    m[kMatVtsSpstNs] = 1;
    std::memset(m + kMatVtsSpstAtrt + kSpstEntryBytes, 0, 31 * kSpstEntryBytes);
  }
}

void FillPttSrpt(const Layout& l, uint8_t* s) {
  WriteBe16(s + kPttCount, 1);
  WriteBe32(s + kPttLastByte, static_cast<uint32_t>(11 + 4 * l.G));
  WriteBe32(s + kPttTitleOffset, kPttEntries);
  for (int k = 0; k < l.G; ++k) {
    uint8_t* e = s + kPttEntries + kPttEntryBytes * static_cast<size_t>(k);
    WriteBe16(e, 1);
    WriteBe16(e + 2, static_cast<uint32_t>(k + 1));
  }
}

const uint8_t* PostCommand(const TitleTables& t, int title) {
  switch (t.DC_TitleSeries) {
    case 0: return title >= t.DC_TitleNum - 1 ? kCmdExit : kCmdCallSequencer;
    case 1: return kCmdCallSequencer;
    case 2: return kCmdExit;
    default: return kCmdJumpChapter1;
  }
}

// VOB and cell numbers of every cell, as the navigation packs carry them.
void CellIds(const TitleTables& t, int title, int cells, int* vob, int* cell) {
  int mode = t.DC_VobCellId[title] & 3;
  for (int p = 0; p < cells; ++p) {
    if (mode == 0) {
      vob[p] = p + 1;
      cell[p] = 1;
    } else if (mode == 1) {
      vob[p] = 1;
      cell[p] = p + 1;
    } else if (p == 0) {
      vob[p] = 1;
      cell[p] = 1;
    } else if (t.PrgTimeReset[title][p] == 0) {
      vob[p] = vob[p - 1];
      cell[p] = cell[p - 1] + 1;
    } else {
      vob[p] = vob[p - 1] + 1;
      cell[p] = 1;
    }
  }
}

uint8_t CellCategory(const TitleTables& t, int title, int p) {
  if (p == 0) return kCellStcDiscontinuity;
  switch (t.PrgTimeReset[title][p]) {
    case 0: return kCellSeamless;
    case 1: return kCellSeamlessStc;
    case 2: return t.DC_Seamless[title] != 0 ? kCellSeamlessStc : kCellStcDiscontinuity;
    default: return 0;
  }
}

void AdjustPgc(const TitleTables& t, int title, uint8_t* g, int pa, int pb,
               const StreamMaps& maps) {
  bool fromSource = t.DC_VtsiEnable[title] == 1;
  if (fromSource) {
    std::memcpy(g + kPgcAstCtl, t.SrcVtsiCopy[title] + kSrcVtsiAttrBytes,
                kSrcVtsiCopyBytes - kSrcVtsiAttrBytes);
    std::memset(g + kPgcLinks, 0, kPgcLinksBytes);
    if (maps.audio.any) CompactEntries(g + kPgcAstCtl, kAstCtlBytes, kAudioStreamSlots, maps.audio);
    if (maps.subpic.any)
      CompactEntries(g + kPgcSpstCtl, kSpstCtlBytes, kSubpicStreamSlots, maps.subpic);
  }
  if (pa != 0) {
    uint8_t* e0 = g + kPgcAstCtl;
    SwapBytes(e0, e0 + kAstCtlBytes * static_cast<size_t>(pa), kAstCtlBytes);
    if (e0[0] == 0) e0[0] = static_cast<uint8_t>(pa);
    e0[0] |= 0x80;
  }
  if (fromSource && t.DC_First_A[title] == 1)
    std::memset(g + kPgcAstCtl + kAstCtlBytes, 0, 7 * kAstCtlBytes);
  if (pb != 0) {
    uint8_t* e0 = g + kPgcSpstCtl;
    SwapBytes(e0, e0 + kSpstCtlBytes * static_cast<size_t>(pb), kSpstCtlBytes);
    if (e0[0] == 0) e0[0] = static_cast<uint8_t>(pb);
    e0[0] |= 0x80;
  }
  if (fromSource && t.DC_First_C[title] == 1)
    std::memset(g + kPgcSpstCtl + kSpstCtlBytes, 0, 31 * kSpstCtlBytes);
}

void FillPgcit(const TitleTables& t, int title, const Layout& l, uint8_t* s, int na, int pa,
               int pb, const StreamMaps& maps) {
  WriteBe16(s + kPgcitCount, 1);
  WriteBe32(s + kPgcitLastByte, static_cast<uint32_t>(267 + l.E + 28 * l.P));
  s[kPgcitCategory] = kEntryPgcOfTitle1;
  WriteBe32(s + kPgcitPgcOffset, kPgcitPgc);
  uint8_t* g = s + kPgcitPgc;
  g[kPgcPrograms] = static_cast<uint8_t>(l.G);
  g[kPgcCells] = static_cast<uint8_t>(l.P);
  std::memcpy(g + kPgcPlaybackTime, t.TotalTimeCode[title], 4);
  if (na == 0) g[kPgcAstCtl] = 0x80;
  for (int k = 0; k < na && k < 8; ++k)
    g[kPgcAstCtl + kAstCtlBytes * static_cast<size_t>(k)] = static_cast<uint8_t>(0x80 + k);
  for (size_t k = 0; k < 16; ++k) WriteBe32(g + kPgcPalette + 4 * k, kPaletteEntry);
  size_t cellPlay = kPgcPrgMap + static_cast<size_t>(l.E);
  size_t cellPos = cellPlay + kCellPlayBytes * static_cast<size_t>(l.P);
  WriteBe16(g + kPgcCmdTblOffset, kPgcCmdTbl);
  WriteBe16(g + kPgcPrgMapOffset, kPgcPrgMap);
  WriteBe16(g + kPgcCellPlayOffset, static_cast<uint32_t>(cellPlay));
  WriteBe16(g + kPgcCellPosOffset, static_cast<uint32_t>(cellPos));
  // Command table header: no pre, one post, no cell commands.
  WriteBe16(g + kPgcCmdTbl + kCmdTblPostCount, 1);
  WriteBe16(g + kPgcCmdTbl + kCmdTblLastByte, kPostOnlyCmdTblLastByte);
  std::memcpy(g + kPgcPostCmd, PostCommand(t, title), kCmdBytes);

  int programs = 0;
  for (int p = 0; p < l.P && programs < l.G; ++p)
    if (t.PrgChapterFlg[title][p] != 0) g[kPgcPrgMap + programs++] = static_cast<uint8_t>(p + 1);

  int vob[kMaxCells], cell[kMaxCells];
  CellIds(t, title, l.P, vob, cell);
  for (int p = 0; p < l.P; ++p) {
    uint8_t* c = g + cellPlay + kCellPlayBytes * static_cast<size_t>(p);
    c[kCpCategory] = CellCategory(t, title, p);
    std::memcpy(c + kCpTime, t.PrgTimeCode[title][p], 4);
    WriteBe32(c + kCpFirstVobu, static_cast<uint32_t>(t.StartIndex[title][p]));
    WriteBe32(c + kCpFirstIlvuEnd, 0);
    WriteBe32(c + kCpLastVobuStart, static_cast<uint32_t>(t.EndIndex[title][p]));
    WriteBe32(c + kCpLastVobuEnd, static_cast<uint32_t>(t.PackEndIndex[title][p]));
    uint8_t* q = g + cellPos + kCellPosBytes * static_cast<size_t>(p);
    WriteBe16(q, static_cast<uint32_t>(vob[p]));
    q[3] = static_cast<uint8_t>(cell[p]);
  }
  AdjustPgc(t, title, g, pa, pb, maps);
}

void FillTmapti(const AuthorState& a, const Layout& l, uint8_t* s) {
  WriteBe16(s + kTmapCount, 1);
  WriteBe32(s + kTmapLastByte, static_cast<uint32_t>(4 * l.M + 15));
  WriteBe32(s + kTmapOffset, kTmapMap);
  uint8_t* map = s + kTmapMap;
  map[kTmapUnit] = kTmapSeconds;
  WriteBe16(map + kTmapEntryCount, static_cast<uint32_t>(l.M));
  for (int k = 0; k < l.M; ++k)
    WriteBe32(map + kTmapEntries + 4 * static_cast<size_t>(k),
              static_cast<uint32_t>(a.OutTmapEntry[k]));
}

void FillCadt(const TitleTables& t, int title, const Layout& l, uint8_t* s) {
  WriteBe16(s + kCadtCount, static_cast<uint32_t>(l.P));
  WriteBe32(s + kCadtLastByte, static_cast<uint32_t>(12 * l.P + 7));
  int vob[kMaxCells], cell[kMaxCells];
  CellIds(t, title, l.P, vob, cell);
  for (int p = 0; p < l.P; ++p) {
    uint8_t* e = s + kCadtEntries + kCadtEntryBytes * static_cast<size_t>(p);
    WriteBe16(e + kCaVob, static_cast<uint32_t>(vob[p]));
    e[kCaCell] = static_cast<uint8_t>(cell[p]);
    WriteBe32(e + kCaStart, static_cast<uint32_t>(t.StartIndex[title][p]));
    WriteBe32(e + kCaEnd, static_cast<uint32_t>(t.StartIndex[title][p + 1] - 1));
  }
}

void FillVobuAdmap(const AuthorState& a, const Layout& l, uint8_t* s) {
  WriteBe32(s + kAdmapLastByte, static_cast<uint32_t>(4 * l.V + 3));
  for (int k = 0; k < l.V; ++k)
    WriteBe32(s + kAdmapEntries + 4 * static_cast<size_t>(k),
              static_cast<uint32_t>(a.OutVobuSector[k]));
}

uint8_t* Image() {
  static uint8_t* image = new uint8_t[kVtsiImageBytes];
  return image;
}

}  // namespace

// Players add the cells' times up in whole milliseconds, each rounded to
// a frame and truncated: each cell's code is chosen so that this sum stays
// within half a frame of the presentation time at every cell's end, so the
// rounding of one cell is made good in the next rather than piling up over
// many chapters. The title's time is its presentation time rounded once.
void ComputeProgramTimeCodes(TitleTables& t, const AuthorState& a, int title) {
  const int cells = std::clamp(t.PrgNum[title], 0, kCellTickSlots);
  int64_t ticks = 0, readMs = 0;
  for (int p = 0; p < cells; ++p) {
    const int64_t cell = a.CellTicks[p];
    ticks += cell;
    int32_t* tm = t.Time[title][p];
    const int64_t ms = cell / 90;
    tm[0] = static_cast<int32_t>(ms / 3600000);
    tm[1] = static_cast<int32_t>(ms / 60000 % 60);
    tm[2] = static_cast<int32_t>(ms / 1000 % 60);
    tm[3] = static_cast<int32_t>(ms % 1000);
    uint8_t* tc = t.PrgTimeCode[title][p];
    TicksToTimeCode(ticks - readMs * 90, a.TitlePal, tc);
    readMs += TimeCodeMs(tc);
  }
  TicksToTimeCode(ticks, a.TitlePal, t.TotalTimeCode[title]);
}

int BuildVtsi(TitleTables& t, const AuthorState& a, int title, uint8_t* image) {
  if (title < 0 || title >= kTitleSlots) return kVtsiTooLarge;
  Layout l;
  if (!ComputeLayout(t, a, title, l)) return kVtsiTooLarge;
  std::memset(image, 0, kVtsiImageBytes);
  int na = 0, pa = 0, pb = 0;
  StreamMaps maps;
  FillMat(t, a, title, l, image, na, pa, pb, maps);
  FillPttSrpt(l, Sector(image, l.start[1]));
  FillPgcit(t, title, l, Sector(image, l.start[2]), na, pa, pb, maps);
  FillTmapti(a, l, Sector(image, l.start[4]));
  FillCadt(t, title, l, Sector(image, l.start[7]));
  FillVobuAdmap(a, l, Sector(image, l.start[8]));
  t.VtsInfoBlockLen[title] = l.total;
  return kVtsiDone;
}

int WriteVtsi(TitleTables& t, const AuthorState& a, int title) {
  uint8_t* image = Image();
  if (int r = BuildVtsi(t, a, title, image); r != kVtsiDone) return r;
  size_t bytes = static_cast<size_t>(t.VtsInfoBlockLen[title]) * kSectorBytes;
  for (const char* ext : {"IFO", "BUP"}) {
    Path path;
    if (!path.Format("%sVTS_%02d_0.%s", a.OutputFolder, title + 1, ext)) return kVtsiFileError;
    if (!WriteIfoFile(path.c_str(), t.InputFolder, image, bytes)) return kVtsiFileError;
  }
  return kVtsiDone;
}

}  // namespace vm
