#include "author/nav_rewrite.h"

#include <algorithm>

#include "dvd/nav_pack.h"
#include "common/be.h"
#include "common/files.h"
#include "common/timecode.h"

namespace vm {

namespace {

using namespace dvd;  // the navigation pack's offsets

constexpr uint32_t kValid = 0x80000000u;
constexpr uint32_t kDistance = 0x3FFFFFFFu;
constexpr uint32_t kNone = 0x3FFFFFFF;
constexpr uint32_t kNoneVideo = 0xBFFFFFFF;
constexpr int kSriSteps = 19;

// The file and byte offset of title-domain sector `sector`.
bool Locate(const TitleVobFiles& f, uint32_t sector, int& fd, int64_t& at) {
  int64_t s = sector;
  for (int i = 0; i < f.count && i < kMaxTitleVobFiles; ++i) {
    if (s < f.sectors[i]) {
      fd = f.fd[i];
      at = s * kPackBytes;
      return true;
    }
    s -= f.sectors[i];
  }
  return false;
}

void Subtract(uint8_t* field, const uint8_t offset[4]) {
  uint8_t out[4];
  CodeFromFrames(CodeFrames(field) - CodeFrames(offset), field[3], out);
  for (int i = 0; i < 4; ++i) field[i] = out[i];
}

// A forward pointer that leads past `last`, or a backward one before
// `first`, now ends at the cell boundary.
void ClipPointer(uint8_t* p, uint32_t sector, int dir, uint32_t first, uint32_t last,
                 uint32_t none) {
  const uint32_t v = ReadBe32(p);
  if ((v & kValid) == 0) return;
  const uint32_t d = v & kDistance;
  const bool outside = dir > 0 ? static_cast<uint64_t>(sector) + d > last : d > sector - first;
  if (outside) WriteBe32(p, none);
}

}  // namespace

void EditNavPack(uint8_t* pack, uint32_t sector, const NavEdit& e) {
  pack[kNavCellIdn] = e.cellId;
  if (CodeFrames(e.eltmOffset) > 0) {
    Subtract(pack + kNavPciEltm, e.eltmOffset);
    Subtract(pack + kNavDsiCEltm, e.eltmOffset);
  }
  if (!e.clip) return;
  for (int i = 0; i < kSriSteps; ++i) {
    ClipPointer(pack + kSriForward + 4 * i, sector, +1, e.first, e.last, kNone);
    ClipPointer(pack + kSriBackward + 4 * i, sector, -1, e.first, e.last, kNone);
  }
  ClipPointer(pack + kSriNext, sector, +1, e.first, e.last, kNone);
  ClipPointer(pack + kSriNextVideo, sector, +1, e.first, e.last, kNoneVideo);
  ClipPointer(pack + kSriPrev, sector, -1, e.first, e.last, kNone);
  ClipPointer(pack + kSriPrevVideo, sector, -1, e.first, e.last, kNoneVideo);
}

bool ReadCellElapsed(const TitleVobFiles& files, uint32_t sector, uint8_t tc[4]) {
  int fd = -1;
  int64_t at = 0;
  uint8_t pack[kPackBytes];
  if (!Locate(files, sector, fd, at) || PreadFully(fd, pack, kPackBytes, at) != kPackBytes ||
      !IsNavPack(pack))
    return false;
  for (int i = 0; i < 4; ++i) tc[i] = pack[kNavDsiCEltm + i];
  return true;
}

int RewriteNavPacks(const TitleVobFiles& files, const uint32_t* vobus, int vobuCount,
                    const NavEdit* edits, int editCount, int& rewritten) {
  rewritten = 0;
  uint8_t pack[kPackBytes];
  for (int k = 0; k < editCount; ++k) {
    const NavEdit& e = edits[k];
    const uint32_t* v = std::lower_bound(vobus, vobus + vobuCount, e.first);
    for (; v != vobus + vobuCount && *v <= e.last; ++v) {
      int fd = -1;
      int64_t at = 0;
      if (!Locate(files, *v, fd, at) || PreadFully(fd, pack, kPackBytes, at) != kPackBytes)
        return kNavRewriteIoError;
      if (!IsNavPack(pack)) return kNavRewriteNotNavPack;
      EditNavPack(pack, *v, e);
      if (!PwriteFully(fd, pack, kPackBytes, at)) return kNavRewriteIoError;
      rewritten += 1;
    }
  }
  return kNavRewriteDone;
}

}  // namespace vm
