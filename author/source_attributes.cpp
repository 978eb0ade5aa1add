#include "author/source_attributes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "common/be.h"
#include "common/files.h"
#include "dvd/pgc.h"
#include "dvd/vmgi_mat.h"
#include "dvd/vts_pgcit.h"
#include "dvd/vtsi_mat.h"

namespace vm {

namespace {

constexpr char kVtsiName[] = "VTS_%02d_0.IFO";
constexpr char kVtsiId[] = "DVDVIDEO-VTS";
constexpr size_t kVtsiIdBytes = dvd::kIdBytes;
constexpr size_t kPgcitSectorLowByte = dvd::kVtsiPgcit + 3;  // its low byte
using dvd::kPgcitCount;
constexpr size_t kPgcitFirstOffsetLow = dvd::kPgcitSrps + dvd::kSrpPgcOffset + 2;  // low half of the first PGC's offset
constexpr size_t kPgcitSrpBytes = dvd::kSrpBytes;
constexpr size_t kPgcitHeaderBytes = 16;
constexpr size_t kAttrStart = dvd::kVtsiMenuVideo;  // VTSM_V_ATR .. end of VTS_SPST_ATRT
constexpr size_t kPgcCopyStart = dvd::kPgcAudioControl;  // PGC_AST_CTL .. end of PGC_CLUT
constexpr size_t kPgcCopyBytes = kSrcVtsiCopyBytes - kSrcVtsiAttrBytes;
static_assert(kPgcCopyBytes == 216);
static_assert(kAttrStart + kSrcVtsiAttrBytes <= kVtsiBufferBytes);

constexpr size_t kVtsVatrInCopy = dvd::kVtsiVideo - kAttrStart;  // VTS_V_ATR in SrcVtsiCopy
constexpr uint8_t kVideoStandardMask = 0x30, kVideoStandard625 = 0x10;
constexpr char kVmgiName[] = "VIDEO_TS.IFO";
constexpr char kVmgiId[] = "DVDVIDEO-VMG";
constexpr size_t kVmgiRegionMask = dvd::kVmgiCategory + 1;

constexpr char kOpenError[] = "VTSI file open error.";
constexpr char kInvalid[] = "VTSI file format is invalid.";
constexpr char kBadPgcNo[] = "Invalid Program Chain No (Range: 1\u301C%d).";

constexpr size_t kPgcitSector = dvd::kVtsiPgcit;  // all 32 bits
constexpr size_t kPgcitSrpOffset = dvd::kPgcitSrps + dvd::kSrpPgcOffset;  // of pointer i: + 8 * i

bool ReadAt(int fd, uint8_t* dst, size_t n, uint64_t at) {
  return pread(fd, dst, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n);
}

// A chosen title's program chain, found with the tables' full-width fields
// (it may lie past the first 64 KiB): the bytes from PGC_AST_CTL to the end
// of PGC_CLUT into `dst`. 0 copied, 1 not there, 2 fewer PGCs than `pgc`
// (their count in `pgcs`).
int ReadChosenPgc(const char* path, int pgc, uint8_t* dst, int& pgcs) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 1;
  uint8_t b[4];
  int r = 1;
  if (ReadAt(fd, b, 4, kPgcitSector)) {
    const uint64_t p = uint64_t{kSectorBytes} * ReadBe32(b);
    if (ReadAt(fd, b, 2, p + kPgcitCount)) {
      pgcs = ReadBe16(b);
      if (pgcs < pgc) {
        r = 2;
      } else if (ReadAt(fd, b, 4, p + kPgcitSrpOffset + kPgcitSrpBytes * (pgc - 1u))) {
        r = ReadAt(fd, dst, kPgcCopyBytes, p + ReadBe32(b) + kPgcCopyStart) ? 0 : 1;
      }
    }
  }
  close(fd);
  return r;
}

int MarkRead(TitleTables& t, int title, const Path& path) {
  CopyField(t.DC_VtsiFName[title], path.c_str());
  t.DC_PrgChainNo[title] = 1;
  t.DC_VtsiEnable[title] = 1;
  t.DC_AttCheck[title] = 1;
  return 0;
}

}  // namespace

int ReadSourceAttributes(TitleTables& t, Ui& ui, int title) {
  if (title < 0 || title >= kTitleSlots) return 1;
  // The title set and program chain of the title read.
  const int vts = t.TitleVts >= 1 && t.TitleVts <= 99 ? t.TitleVts : 1;
  const int pgc = t.TitlePgc >= 1 ? t.TitlePgc : 1;
  char name[16];
  std::snprintf(name, sizeof name, kVtsiName, vts);
  Path path;
  if (!path.Set(t.InputFolder) || !path.Append(name)) {
    ui.Error(kOpenError);
    return 1;
  }
  // The reader found the file without regard to case; do the same here.
  Path found;
  if (FindFileNoCase(t.InputFolder, name, found)) path = found;

  uint8_t* v = t.VtsiBuffer;
  std::memset(v, 0, kVtsiBufferBytes);
  int64_t got = ReadFileHead(path.c_str(), v, kVtsiBufferBytes);
  if (got < 0) {
    ui.Error(kOpenError);
    return 1;
  }
  size_t n = static_cast<size_t>(got);
  if (n < kVtsiIdBytes || std::memcmp(v, kVtsiId, kVtsiIdBytes) != 0) {
    ui.Error(kInvalid);
    return 1;
  }
  if (t.ChosenTitle > 0) {
    int pgcs = 0;
    const int r = ReadChosenPgc(path.c_str(), pgc, t.SrcVtsiCopy[title] + kSrcVtsiAttrBytes, pgcs);
    if (r != 0) {
      MessageText text;
      text.Format(kBadPgcNo, pgcs);
      ui.Error(r == 2 ? text.c_str() : kInvalid);
      return 1;
    }
    std::memcpy(t.SrcVtsiCopy[title], v + kAttrStart, kSrcVtsiAttrBytes);
    return MarkRead(t, title, path);
  }
  size_t p = static_cast<size_t>(v[kPgcitSectorLowByte]) * kSectorBytes;
  if (p + kPgcitHeaderBytes > n) {
    ui.Error(kInvalid);
    return 1;
  }
  int pgcs = ReadBe16(v + p + kPgcitCount);
  if (pgcs < pgc) {
    MessageText text;
    text.Format(kBadPgcNo, pgcs);
    ui.Error(text.c_str());
    return 1;
  }
  const size_t srp = p + kPgcitSrpBytes * static_cast<size_t>(pgc - 1) + kPgcitFirstOffsetLow;
  if (srp + 2 > n) {
    ui.Error(kInvalid);
    return 1;
  }
  size_t g = p + ReadBe16(v + srp);
  if (g + kPgcCopyStart + kPgcCopyBytes > n) {
    ui.Error(kInvalid);
    return 1;
  }
  // Bytes past the end of a short file read as the buffer's zeros.
  std::memcpy(t.SrcVtsiCopy[title], v + kAttrStart, kSrcVtsiAttrBytes);
  std::memcpy(t.SrcVtsiCopy[title] + kSrcVtsiAttrBytes, v + g + kPgcCopyStart, kPgcCopyBytes);
  return MarkRead(t, title, path);
}

bool TitleIsPal(const TitleTables& t, int title) {
  if (title < 0 || title >= kTitleSlots || t.DC_VtsiEnable[title] != 1) return false;
  return (t.SrcVtsiCopy[title][kVtsVatrInCopy] & kVideoStandardMask) == kVideoStandard625;
}

void ReadSourceRegion(TitleTables& t) {
  t.SrcRegionMask = -1;
  Path path;
  if (!FindFileNoCase(t.InputFolder, kVmgiName, path)) return;
  uint8_t head[kVmgiRegionMask + 1] = {};
  if (ReadFileHead(path.c_str(), head, sizeof head) != static_cast<int64_t>(sizeof head)) return;
  if (std::memcmp(head, kVmgiId, sizeof kVmgiId - 1) != 0) return;
  t.SrcRegionMask = head[kVmgiRegionMask];
}

}  // namespace vm
