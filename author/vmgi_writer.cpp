#include "author/vmgi_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "author/ifo_file.h"
#include "common/be.h"
#include "common/files.h"
#include "dvd/pgc.h"
#include "dvd/pgci_ut.h"
#include "dvd/tt_srpt.h"
#include "dvd/vmgi_mat.h"
#include "dvd/vts_atrt.h"
#include "dvd/vtsi_mat.h"

namespace vm {

namespace {

// VMGI_MAT.
constexpr size_t kMatId = dvd::kVmgiId;
constexpr size_t kMatVmgLastSector = dvd::kVmgiLastSector;
constexpr size_t kMatVmgiLastSector = dvd::kVmgiIfoLastSector;
constexpr size_t kMatVersion = dvd::kVmgiVersion;
constexpr size_t kMatRegionMask = dvd::kVmgiCategory + 1;
constexpr size_t kMatVolumes = dvd::kVmgiVolumes;
constexpr size_t kMatVolumeNo = dvd::kVmgiVolumeNumber;
constexpr size_t kMatSide = dvd::kVmgiSide;
constexpr size_t kMatTitleSets = dvd::kVmgiTitleSets;
constexpr size_t kMatProviderId = dvd::kVmgiProviderId;
constexpr size_t kProviderIdBytes = 16;
constexpr size_t kMatLastByte = dvd::kVmgiMatLastByte;
constexpr size_t kMatFirstPlayPgc = dvd::kVmgiFirstPlayPgc;
constexpr size_t kMatTtSrpt = dvd::kVmgiTtSrpt;
constexpr size_t kMatPgciUt = dvd::kVmgiMenuPgciUt;
constexpr size_t kMatVtsAtrt = dvd::kVmgiVtsAtrt;
constexpr size_t kMatVmgmVatr = dvd::kVmgiMenuVideo;
constexpr size_t kMatVmgmAstNs = dvd::kVmgiMenuAudioCount;
constexpr size_t kMatVmgmAst0Coding = dvd::kVmgiMenuAudio + 1;
constexpr size_t kMatVmgmSpstNs = dvd::kVmgiMenuSubpCount;
constexpr uint8_t kVersion = 0x10;
constexpr uint8_t kRegion2Only = 0xFD, kAllRegions = 0x00;
constexpr uint32_t kMatLastByteBare = 0x3FF, kMatLastByteWithFirstPlay = 0x4FB;

// PGC fields used by the two command-only PGCs.
constexpr size_t kPgcPlaybackFrames = dvd::kPgcPlaybackTime + 3;
constexpr size_t kPgcProhibitedOps = dvd::kPgcProhibitedOps;
constexpr size_t kPgcCmdTblOffset = dvd::kPgcCommandTable;
constexpr size_t kPgcCmdTbl = dvd::kPgcGiBytes;
constexpr size_t kCmdTblPreCount = dvd::kCmdPreCount, kCmdTblLastByte = dvd::kCmdLastByte,
                 kCmdTblCommands = dvd::kCmdFirst;
constexpr size_t kCmdBytes = dvd::kCommandBytes;
constexpr uint8_t kZeroTime30 = 0xC0;

constexpr size_t kFirstPlayPgc = 0x400;
constexpr uint32_t kFirstPlayProhibited = 0x01FFFFEF;

// TT_SRPT.
constexpr size_t kTtSrpt = 0x800;
constexpr size_t kTtCount = dvd::kTtSrptCount, kTtLastByte = dvd::kTtSrptLastByte,
                 kTtEntries = dvd::kTtSrptEntries, kTtEntryBytes = dvd::kTtEntryBytes;
constexpr size_t kTtType = dvd::kTtPlaybackType, kTtAngles = dvd::kTtAngles,
                 kTtChapters = dvd::kTtChapters, kTtParental = dvd::kTtParentalMask,
                 kTtVtsNo = dvd::kTtVtsNumber, kTtVtsTitleNo = dvd::kTtVtsTitle,
                 kTtVtsStart = dvd::kTtVtsSector;
constexpr uint8_t kTitleType = 0x14;

// VMGM_PGCI_UT with one language unit of one PGC.
constexpr size_t kPgciUt = 0x1000;
constexpr size_t kUtLus = dvd::kUtLuCount, kUtLastByte = dvd::kUtLastByte,
                 kUtLang = dvd::kUtLuSrps + dvd::kLuSrpLanguage,
                 kUtLuOffset = dvd::kUtLuSrps + dvd::kLuSrpOffset;
constexpr size_t kLu = 0x10;
constexpr size_t kLuPgcs = dvd::kPgcitCount, kLuLastByte = dvd::kPgcitLastByte,
                 kLuCategory = dvd::kPgcitSrps + dvd::kSrpCategory,
                 kLuPgcOffset = dvd::kPgcitSrps + dvd::kSrpPgcOffset;
constexpr size_t kLuPgc = 0x10;
constexpr size_t kSequencerBase = 0x10C;  // unit, language unit and PGC headers with one command
static_assert(kPgciUt + kLu + kLuPgc == 0x1020);

// VMG_VTS_ATRT.
constexpr size_t kAtrtCount = dvd::kAtrtCount, kAtrtLastByte = dvd::kAtrtLastByte,
                 kAtrtOffsets = dvd::kAtrtOffsets;
using dvd::kAtrAttributeBytes;
using dvd::kAtrAttributes;
using dvd::kAtrCategory;
using dvd::kAtrLastByte;
constexpr size_t kAtrRecordBytes = kAtrAttributes + kAtrAttributeBytes;
constexpr off_t kVtsiAttributesAt = dvd::kVtsiMenuVideo;
static_assert(kAtrAttributes + kAtrAttributeBytes == kAtrRecordBytes);
static_assert(3 * kSectorBytes + kAtrtOffsets + (4 + kAtrRecordBytes) * kTitleSlots <=
              kVmgiImageBytes);

const uint8_t kCmdJumpTitle1[kCmdBytes] = {0x30, 0x02, 0, 0, 0, 0x01, 0, 0};
const uint8_t kCmdGprm0FromSprm4[kCmdBytes] = {0x61, 0x00, 0, 0, 0, 0x84, 0, 0};

int TitleCount(const TitleTables& t) { return std::clamp(t.DC_TitleNum, 0, kTitleSlots); }

bool HasMenuUnit(const TitleTables& t) { return t.DC_TitleSeries != 3; }

}  // namespace

uint8_t VmgiRegionMask(const TitleTables& t) {
  if (t.RegionMask >= 0 && t.RegionMask <= 0xFF) return static_cast<uint8_t>(t.RegionMask);
  if (t.SrcRegionMask >= 0 && t.SrcRegionMask <= 0xFF) return static_cast<uint8_t>(t.SrcRegionMask);
  return t.DC_Region == 0 ? kRegion2Only : kAllRegions;
}

namespace {

void FillMat(const TitleTables& t, int n, int sectors, uint8_t* m) {
  std::memcpy(m + kMatId, "DVDVIDEO-VMG", 12);
  WriteBe32(m + kMatVmgLastSector, static_cast<uint32_t>(2 * sectors - 1));
  WriteBe32(m + kMatVmgiLastSector, static_cast<uint32_t>(sectors - 1));
  m[kMatVersion] = kVersion;
  m[kMatRegionMask] = VmgiRegionMask(t);
  WriteBe16(m + kMatVolumes, 1);
  WriteBe16(m + kMatVolumeNo, 1);
  m[kMatSide] = 1;
  WriteBe16(m + kMatTitleSets, static_cast<uint32_t>(n));
  std::memset(m + kMatProviderId, ' ', kProviderIdBytes);
  bool firstPlay = t.DC_FirstPlayPgc == 1;
  WriteBe32(m + kMatLastByte, firstPlay ? kMatLastByteWithFirstPlay : kMatLastByteBare);
  WriteBe32(m + kMatFirstPlayPgc, firstPlay ? kFirstPlayPgc : 0);
  WriteBe32(m + kMatTtSrpt, 1);
  WriteBe32(m + kMatPgciUt, HasMenuUnit(t) ? 2 : 0);
  uint32_t atrt = t.DC_VtsAtr == 1 ? (HasMenuUnit(t) ? 3 : 2) : 0;
  WriteBe32(m + kMatVtsAtrt, atrt);
  m[kMatVmgmVatr] = 0x43;
  m[kMatVmgmAstNs] = 1;
  m[kMatVmgmAst0Coding] = 0xC1;
  m[kMatVmgmSpstNs] = 1;
}

// A PGC without programs or cells whose command table holds `count` pre
// commands (filled by the caller).
uint8_t* CommandPgc(uint8_t* pgc, int count) {
  WriteBe16(pgc + kPgcCmdTblOffset, kPgcCmdTbl);
  uint8_t* tbl = pgc + kPgcCmdTbl;
  WriteBe16(tbl + kCmdTblPreCount, static_cast<uint32_t>(count));
  WriteBe16(tbl + kCmdTblLastByte, static_cast<uint32_t>((count + 1) * kCmdBytes - 1));
  return tbl + kCmdTblCommands;
}

void FillFirstPlay(uint8_t* image) {
  uint8_t* pgc = image + kFirstPlayPgc;
  WriteBe32(pgc + kPgcProhibitedOps, kFirstPlayProhibited);
  std::memcpy(CommandPgc(pgc, 1), kCmdJumpTitle1, kCmdBytes);
}

void FillTtSrpt(const TitleTables& t, int n, int sectors, uint8_t* s) {
  WriteBe16(s + kTtCount, static_cast<uint32_t>(n));
  WriteBe32(s + kTtLastByte, static_cast<uint32_t>(12 * n + 7));
  int64_t start = 2 * sectors;
  for (int i = 0; i < n; ++i) {
    uint8_t* e = s + kTtEntries + kTtEntryBytes * static_cast<size_t>(i);
    e[kTtType] = kTitleType;
    e[kTtAngles] = 1;
    WriteBe16(e + kTtChapters, static_cast<uint32_t>(t.ChapterNumNew[i]));
    WriteBe16(e + kTtParental, 0);
    e[kTtVtsNo] = static_cast<uint8_t>(i + 1);
    e[kTtVtsTitleNo] = 1;
    WriteBe32(e + kTtVtsStart, static_cast<uint32_t>(start));
    start += static_cast<int64_t>(t.TotalSize[i] / kSectorBytes + 0.5) +
             2 * static_cast<int64_t>(t.VtsInfoBlockLen[i]);
  }
}

void FillSequencer(int n, uint8_t* u) {
  size_t unitBytes = 8 * (2 * static_cast<size_t>(n) + 1) + kSequencerBase;
  WriteBe16(u + kUtLus, 1);
  WriteBe32(u + kUtLastByte, static_cast<uint32_t>(unitBytes - 1));
  u[kUtLang] = 'j';
  u[kUtLang + 1] = 'a';
  WriteBe32(u + kUtLuOffset, kLu);
  uint8_t* lu = u + kLu;
  WriteBe16(lu + kLuPgcs, 1);
  WriteBe32(lu + kLuLastByte, static_cast<uint32_t>(unitBytes - 0x11));
  WriteBe32(lu + kLuCategory, 0);
  WriteBe32(lu + kLuPgcOffset, kLuPgc);
  uint8_t* pgc = lu + kLuPgc;
  pgc[kPgcPlaybackFrames] = kZeroTime30;
  uint8_t* cmd = CommandPgc(pgc, 2 * n);
  std::memcpy(cmd, kCmdGprm0FromSprm4, kCmdBytes);
  cmd += kCmdBytes;
  for (int i = 0; i + 1 < n; ++i) {
    const uint8_t setGprm1[kCmdBytes] = {0x71, 0x00, 0x00, 0x01, 0x00,
                                         static_cast<uint8_t>(i + 1), 0, 0};
    const uint8_t jumpIfEqual[kCmdBytes] = {0x30, 0x22, 0x00, 0x00, 0x00,
                                            static_cast<uint8_t>(i + 2), 0x00, 0x01};
    std::memcpy(cmd, setGprm1, kCmdBytes);
    std::memcpy(cmd + kCmdBytes, jumpIfEqual, kCmdBytes);
    cmd += 2 * kCmdBytes;
  }
  std::memcpy(cmd, kCmdJumpTitle1, kCmdBytes);
}

void FillAtrtHeader(int n, uint8_t* s) {
  WriteBe16(s + kAtrtCount, static_cast<uint32_t>(n));
  WriteBe32(s + kAtrtLastByte, static_cast<uint32_t>(0x30C * n + 7));
  for (int i = 0; i < n; ++i) {
    size_t offset = 4 * static_cast<size_t>(n) + kAtrRecordBytes * static_cast<size_t>(i) + 8;
    WriteBe32(s + kAtrtOffsets + 4 * static_cast<size_t>(i), static_cast<uint32_t>(offset));
    uint8_t* r = s + offset;
    WriteBe32(r + kAtrLastByte, kAtrRecordBytes - 1);
    WriteBe32(r + kAtrCategory, 0);
  }
}

bool ReadAttributes(const AuthorState& a, int i, uint8_t* dst) {
  Path path;
  if (!path.Format("%sVTS_%02u_0.IFO", a.OutputFolder, static_cast<unsigned>(i + 1))) return false;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = lseek(fd, kVtsiAttributesAt, SEEK_SET) == kVtsiAttributesAt;
  // A file shorter than the attribute area leaves the rest zero.
  if (ok) ReadFully(fd, dst, kAtrAttributeBytes);
  close(fd);
  return ok;
}

uint8_t* Image() {
  static uint8_t* image = new uint8_t[kVmgiImageBytes];
  return image;
}

}  // namespace

int VmgiSectors(const TitleTables& t) {
  int n = TitleCount(t);
  int sectors = HasMenuUnit(t) ? 3 : 2;
  if (t.DC_VtsAtr == 1) sectors += (0x30C * n + 8 + kSectorBytes - 1) / kSectorBytes;
  return sectors;
}

int BuildVmgi(const TitleTables& t, uint8_t* image) {
  int n = TitleCount(t);
  int sectors = VmgiSectors(t);
  std::memset(image, 0, kVmgiImageBytes);
  FillMat(t, n, sectors, image);
  if (t.DC_FirstPlayPgc == 1) FillFirstPlay(image);
  FillTtSrpt(t, n, sectors, image + kTtSrpt);
  if (HasMenuUnit(t)) FillSequencer(n, image + kPgciUt);
  if (t.DC_VtsAtr == 1) FillAtrtHeader(n, image + (HasMenuUnit(t) ? 3 : 2) * kSectorBytes);
  return sectors;
}

int WriteVmgi(const TitleTables& t, const AuthorState& a) {
  uint8_t* image = Image();
  int sectors = BuildVmgi(t, image);
  if (t.DC_VtsAtr == 1) {
    int n = TitleCount(t);
    uint8_t* s = image + (HasMenuUnit(t) ? 3 : 2) * kSectorBytes;
    for (int i = 0; i < n; ++i) {
      size_t offset = ReadBe32(s + kAtrtOffsets + 4 * static_cast<size_t>(i));
      if (!ReadAttributes(a, i, s + offset + kAtrAttributes)) return kVmgiFileError;
    }
  }
  size_t bytes = static_cast<size_t>(sectors) * kSectorBytes;
  for (const char* name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP"}) {
    Path path;
    if (!path.Set(a.OutputFolder) || !path.Append(name)) return kVmgiFileError;
    if (!WriteIfoFile(path.c_str(), t.InputFolder, image, bytes)) return kVmgiFileError;
  }
  return kVmgiDone;
}

}  // namespace vm
