#include "title/vtsi_parse.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "common/be.h"
#include "common/files.h"
#include "dvd/pgc.h"
#include "dvd/vts_pgcit.h"
#include "dvd/vtsi_mat.h"

namespace vm {

namespace {

constexpr char kVtsiIdentifier[] = "DVDVIDEO-VTS";
constexpr size_t kVtsiIdentifierBytes = dvd::kIdBytes;
// The walk takes only the low byte of the VTS_PGCI start sector and the low
// 16 bits of each PGC offset.
constexpr size_t kVtsPgciSectorLowByte = dvd::kVtsiPgcit + 3;
constexpr size_t kPgciSrpPgcOffsetLow = dvd::kPgcitSrps + dvd::kSrpPgcOffset + 2;  // of pointer i: + 8 * i
constexpr size_t kPgciSrpBytes = dvd::kSrpBytes;
constexpr size_t kPgciMinBytes = 16;
using dvd::kCellPlaybackBytes;
using dvd::kPgcCellPlayback;
using dvd::kPgcCellPosition;
using dvd::kPgcGiBytes;
using dvd::kPgcProgramMap;
constexpr size_t kCellFirstVobuSector = dvd::kCellFirstSector;

// Fields past the buffer read as zero, like the bytes past the data read.
uint32_t Be16At(const uint8_t* b, size_t off) {
  return off + 2 <= kVtsiBufferBytes ? ReadBe16(b + off) : 0;
}
uint32_t Be32At(const uint8_t* b, size_t off) {
  return off + 4 <= kVtsiBufferBytes ? ReadBe32(b + off) : 0;
}

}  // namespace

int WalkVtsiPrograms(TitleTables& t, size_t n) {
  const uint8_t* b = t.VtsiBuffer;
  t.SrcProgramNum = 0;
  if (n < kVtsiIdentifierBytes || std::memcmp(b, kVtsiIdentifier, kVtsiIdentifierBytes) != 0)
    return 1;
  size_t p = size_t{kSectorBytes} * b[kVtsPgciSectorLowByte];
  if (p + kPgciMinBytes > n) return 1;
  uint32_t pgcs = Be16At(b, p);
  for (uint32_t i = 0; i < pgcs; ++i) {
    size_t srp = p + kPgciSrpBytes * i + kPgciSrpPgcOffsetLow;
    // A search pointer outside the data read cannot lead to a PGC.
    if (srp + 2 > n) return 1;
    size_t g = p + Be16At(b, srp);
    if (g + kPgcGiBytes > n) return 1;
    size_t m = g + Be16At(b, g + kPgcProgramMap);
    size_t k = g + Be16At(b, g + kPgcCellPlayback);
    size_t l = g + Be16At(b, g + kPgcCellPosition);
    if (m > n || k > n || l > n) return 1;
    if (k <= m) return 1;
    for (size_t at = m; at < k; ++at) {
      uint8_t cell = b[at];
      if (cell == 0) continue;  // padding of an odd program count
      if (t.SrcProgramNum >= kMaxSrcPrograms) break;
      size_t entry = k + kCellPlaybackBytes * (cell - 1u) + kCellFirstVobuSector;
      t.SrcProgramSector[t.SrcProgramNum++] = static_cast<int32_t>(Be32At(b, entry));
    }
  }
  return 0;
}

int ParseVtsiPrograms(TitleTables& t, Ui& ui) {
  t.SrcProgramNum = 0;
  Path path;
  if (!FindFileNoCase(t.InputFolder, "VTS_01_0.IFO", path)) {
    ui.Error("VTS_01_0.IFO is not found.");
    return 1;
  }
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    ui.Error("VTSI file open error.");
    return 1;
  }
  std::memset(t.VtsiBuffer, 0, kVtsiBufferBytes);
  size_t n = ReadFully(fd, t.VtsiBuffer, kVtsiBufferBytes);
  close(fd);
  if (WalkVtsiPrograms(t, n) != 0) {
    ui.Error("VTSI file format is invalid.");
    return 1;
  }
  return 0;
}

}  // namespace vm
