#include "title/title_list.h"

#include <cstdio>
#include <cstring>

#include "common/files.h"
#include "common/fixed_string.h"
#include "dvd/pgc.h"
#include "dvd/tt_srpt.h"
#include "dvd/vmgi_mat.h"
#include "dvd/vts_pgcit.h"
#include "dvd/vts_ptt_srpt.h"
#include "dvd/vtsi_mat.h"

namespace vm {

namespace {

// Offsets of the tables this list reads, from the format layer.
using dvd::kAudioAttrBytes;
using dvd::kCellFirstIlvuEnd;
using dvd::kCellFirstSector;
using dvd::kCellLastSector;
using dvd::kCellPlaybackBytes;
using dvd::kCellPositionBytes;
using dvd::kIdBytes;
using dvd::kPgcCellCount;
using dvd::kPgcCellPlayback;
using dvd::kPgcCellPosition;
using dvd::kPgcGiBytes;
using dvd::kPgcitCount;
using dvd::kPgcitSrps;
using dvd::kPgcPlaybackTime;
using dvd::kPgcProgramCount;
using dvd::kPgcProgramMap;
using dvd::kPttBytes;
using dvd::kPttSrptCount;
using dvd::kPttSrptLastByte;
using dvd::kPttSrptOffsets;
using dvd::kSrpBytes;
using dvd::kSrpPgcOffset;
using dvd::kSubpAttrBytes;
using dvd::kTtAngles;
using dvd::kTtChapters;
using dvd::kTtEntryBytes;
using dvd::kTtSrptCount;
using dvd::kTtSrptEntries;
using dvd::kTtVtsNumber;
using dvd::kTtVtsTitle;
using dvd::kVmgiTtSrpt;
using dvd::kVtsiAudio;
using dvd::kVtsiAudioCount;
using dvd::kVtsiPgcit;
using dvd::kVtsiPttSrpt;
using dvd::kVtsiSubp;
using dvd::kVtsiSubpCount;

constexpr size_t kSector = dvd::kIfoSectorBytes;
constexpr char kVmgId[] = "DVDVIDEO-VMG";
constexpr char kVtsId[] = "DVDVIDEO-VTS";
constexpr size_t kAttrLanguage = 2;  // in an audio or subpicture attribute entry

int Bcd(uint32_t b) { return static_cast<int>((b >> 4) * 10 + (b & 0x0F)); }

int32_t PlaybackMs(const uint8_t* tc) {
  const int fps = (tc[3] >> 6) == 1 ? 25 : 30;
  const int frames = Bcd(tc[3] & 0x3F);
  return Bcd(tc[0]) * 3600000 + Bcd(tc[1]) * 60000 + Bcd(tc[2]) * 1000 + frames * 1000 / fps;
}

void Language(const uint8_t* attr, bool given, char (&out)[3]) {
  out[0] = out[1] = out[2] = '\0';
  if (!given) return;
  for (int k = 0; k < 2; ++k) {
    const uint8_t c = attr[kAttrLanguage + k];
    out[k] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ? static_cast<char>(c) : '\0';
  }
  if (out[0] == '\0' || out[1] == '\0') out[0] = out[1] = '\0';
}

// The streams of one kind: a count at `countAt`, then `attrBytes` per
// stream whose first byte holds the language type at bit `typeShift`.
template <int N>
int32_t ReadLanguages(const IfoView& v, size_t countAt, size_t attrAt, size_t attrBytes,
                      int typeShift, char (&lang)[N][3]) {
  uint32_t n = 0;
  if (!v.U8(countAt, n)) return 0;
  const int count = static_cast<int>(n > N ? N : n);
  for (int i = 0; i < count; ++i) {
    const uint8_t* a = v.Bytes(attrAt + attrBytes * i, attrBytes);
    if (a == nullptr) return i;
    Language(a, ((a[0] >> typeShift) & 3) == 1, lang[i]);
  }
  return count;
}

void ReadStreams(const IfoView& v, TitleEntry& e) {
  e.audioNum = ReadLanguages(v, kVtsiAudioCount, kVtsiAudio, kAudioAttrBytes, 2, e.audioLang);
  e.subpicNum =
      ReadLanguages(v, kVtsiSubpCount, kVtsiSubp, kSubpAttrBytes, 0, e.subpicLang);
}

// The title's program chain from its part-of-title entries: every chapter
// must lie in the same one.
TitleFault FindPgc(const IfoView& v, uint64_t ptt, TitleEntry& e) {
  uint32_t titles = 0, lastByte = 0, at = 0;
  if (!v.U16(ptt + kPttSrptCount, titles) || !v.U32(ptt + kPttSrptLastByte, lastByte)) return TitleFault::NoPtt;
  if (e.ttn < 1 || static_cast<uint32_t>(e.ttn) > titles) return TitleFault::NoPtt;
  if (!v.U32(ptt + kPttSrptOffsets + 4u * (e.ttn - 1), at)) return TitleFault::NoPtt;
  uint64_t end = uint64_t{lastByte} + 1;
  uint32_t next = 0;
  if (static_cast<uint32_t>(e.ttn) < titles && v.U32(ptt + kPttSrptOffsets + 4u * e.ttn, next)) end = next;
  if (end <= at) return TitleFault::NoPtt;
  const uint64_t entries = (end - at) / kPttBytes;
  uint32_t pgcn = 0;
  for (uint64_t k = 0; k < entries; ++k) {
    uint32_t p = 0;
    if (!v.U16(ptt + at + kPttBytes * k, p)) {
      if (k == 0) return TitleFault::NoPtt;
      break;  // the entries that are there decide
    }
    if (k == 0) pgcn = p;
    else if (p != pgcn) return TitleFault::SeveralPgcs;
  }
  if (pgcn == 0) return TitleFault::NoPgc;
  e.pgcn = static_cast<int32_t>(pgcn);
  return TitleFault::None;
}

TitleFault ReadPgc(const IfoView& v, uint64_t pgci, TitleEntry& e) {
  uint32_t pgcs = 0, offset = 0;
  if (!v.U16(pgci + kPgcitCount, pgcs)) return TitleFault::BadVtsi;
  if (e.pgcn < 1 || static_cast<uint32_t>(e.pgcn) > pgcs) return TitleFault::NoPgc;
  if (!v.U32(pgci + kPgcitSrps + kSrpBytes * (e.pgcn - 1) + kSrpPgcOffset, offset))
    return TitleFault::NoPgc;
  const uint64_t g = pgci + offset;
  const uint8_t* pgc = v.Bytes(g, kPgcGiBytes);
  if (pgc == nullptr) return TitleFault::BadPgc;
  const uint32_t programs = pgc[kPgcProgramCount];
  const uint32_t cells = pgc[kPgcCellCount];
  e.lengthMs = PlaybackMs(pgc + kPgcPlaybackTime);
  if (cells == 0) return TitleFault::NoCells;
  const uint64_t m = g + ReadBe16(pgc + kPgcProgramMap);
  const uint64_t k = g + ReadBe16(pgc + kPgcCellPlayback);
  const uint64_t l = g + ReadBe16(pgc + kPgcCellPosition);
  if (!v.Has(m, programs) || !v.Has(k, uint64_t{kCellPlaybackBytes} * cells) ||
      !v.Has(l, uint64_t{kCellPositionBytes} * cells))
    return TitleFault::BadPgc;
  e.cells = static_cast<int32_t>(cells);
  e.programs = 0;
  for (uint32_t p = 0; p < programs; ++p) {
    uint32_t cell = 0;
    if (!v.U8(m + p, cell)) return TitleFault::BadPgc;
    if (cell == 0 || cell > cells) return TitleFault::BadPgc;
    e.programCell[e.programs++] = static_cast<uint8_t>(cell);
  }
  for (uint32_t c = 0; c < cells; ++c) {
    const uint64_t at = k + kCellPlaybackBytes * c;
    TitleCell& cell = e.cell[c];
    if (!v.U32(at + kCellFirstSector, cell.first) || !v.U32(at + kCellFirstIlvuEnd, cell.ilvuEnd) ||
        !v.U32(at + kCellLastSector, cell.last))
      return TitleFault::BadPgc;
    if (cell.ilvuEnd != 0) e.interleaved = 1;
    if (cell.last < cell.first) return TitleFault::BadPgc;
  }
  return TitleFault::None;
}

void ParseTitle(const IfoView& v, TitleEntry& e) {
  uint32_t pttSector = 0, pgciSector = 0;
  const uint8_t* ident = v.Bytes(0, kIdBytes);
  if (ident == nullptr || std::memcmp(ident, kVtsId, kIdBytes) != 0 ||
      !v.U32(kVtsiPttSrpt, pttSector) || !v.U32(kVtsiPgcit, pgciSector)) {
    e.fault = TitleFault::BadVtsi;
    return;
  }
  ReadStreams(v, e);
  e.fault = FindPgc(v, uint64_t{kSector} * pttSector, e);
  if (e.fault == TitleFault::None) e.fault = ReadPgc(v, uint64_t{kSector} * pgciSector, e);
  if (e.fault != TitleFault::None) e.cells = 0;
}

}  // namespace

const char* TitleFaultText(TitleFault fault) {
  switch (fault) {
    case TitleFault::None: return "";
    case TitleFault::NoVtsi: return "its title set information file is missing or too short";
    case TitleFault::BadVtsi: return "its title set information file is invalid";
    case TitleFault::NoPtt: return "its part-of-title table is missing or damaged";
    case TitleFault::SeveralPgcs: return "its chapters lie in several program chains";
    case TitleFault::NoPgc: return "its program chain is missing";
    case TitleFault::BadPgc: return "its program chain is damaged";
    case TitleFault::NoCells: return "its program chain has no cell";
  }
  return "";
}

int ParseTtSrpt(const IfoView& vmg, TitleList& list) {
  list.count = 0;
  list.longest = -1;
  const uint8_t* ident = vmg.Bytes(0, kIdBytes);
  uint32_t sector = 0, titles = 0;
  if (ident == nullptr || std::memcmp(ident, kVmgId, kIdBytes) != 0 ||
      !vmg.U32(kVmgiTtSrpt, sector) || !vmg.U16(uint64_t{kSector} * sector + kTtSrptCount, titles))
    return 2;
  const uint64_t table = uint64_t{kSector} * sector;
  for (uint32_t i = 0; i < titles && list.count < kMaxListedTitles; ++i) {
    const uint8_t* p = vmg.Bytes(table + kTtSrptEntries + kTtEntryBytes * i, kTtEntryBytes);
    if (p == nullptr) break;  // the entries that are there are listed
    TitleEntry& e = list.title[list.count++];
    std::memset(&e, 0, sizeof e);
    e.angles = p[kTtAngles];
    e.chapters = ReadBe16(p + kTtChapters);
    e.vts = p[kTtVtsNumber];
    e.ttn = p[kTtVtsTitle];
    e.fault = e.vts >= 1 && e.vts <= 99 ? TitleFault::None : TitleFault::NoVtsi;
  }
  return 0;
}

void ParseTitleSet(const IfoView* vts, int vtsNo, TitleList& list) {
  for (int i = 0; i < list.count; ++i) {
    TitleEntry& e = list.title[i];
    if (e.vts != vtsNo || e.fault != TitleFault::None) continue;
    if (vts == nullptr) e.fault = TitleFault::NoVtsi;
    else ParseTitle(*vts, e);
  }
}

void FindLongestTitle(TitleList& list) {
  list.longest = -1;
  for (int i = 0; i < list.count; ++i) {
    const TitleEntry& e = list.title[i];
    if (e.fault != TitleFault::None) continue;
    if (list.longest < 0 || e.lengthMs > list.title[list.longest].lengthMs) list.longest = i;
  }
}

int ReadTitleList(const char* folder, uint8_t* buffer, size_t bufferBytes, TitleList& list) {
  list.count = 0;
  list.longest = -1;
  Path path;
  if (!FindFileNoCase(folder, "VIDEO_TS.IFO", path)) return 1;
  const int64_t n = ReadFileHead(path.c_str(), buffer, bufferBytes);
  if (n < 0) return 1;
  if (ParseTtSrpt(IfoView(buffer, static_cast<size_t>(n)), list) != 0) return 2;
  bool done[100] = {};
  for (int i = 0; i < list.count; ++i) {
    const int v = list.title[i].vts;
    if (v < 1 || v > 99 || done[v]) continue;
    done[v] = true;
    char name[16];
    std::snprintf(name, sizeof name, "VTS_%02d_0.IFO", v);
    int64_t got = -1;
    if (FindFileNoCase(folder, name, path)) got = ReadFileHead(path.c_str(), buffer, bufferBytes);
    if (got < static_cast<int64_t>(kSector)) {
      ParseTitleSet(nullptr, v, list);
    } else {
      const IfoView view(buffer, static_cast<size_t>(got));
      ParseTitleSet(&view, v, list);
    }
  }
  FindLongestTitle(list);
  return 0;
}

void FormatTitleLength(int32_t ms, char (&out)[16]) {
  if (ms < 0) ms = 0;
  const int s = ms / 1000;
  std::snprintf(out, sizeof out, "%d:%02d:%02d", s / 3600, (s / 60) % 60, s % 60);
}

}  // namespace vm
