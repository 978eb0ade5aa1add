#include "author/vobu_pointers.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "author/vob_writer.h"
#include "common/be.h"
#include "common/scr.h"
#include "dvd/nav_pack.h"

namespace vm {

using namespace dvd;  // the navigation pack's offsets

namespace {

constexpr int kRingSlots = 960;
constexpr int kRingHalf = 480;
constexpr int kSteps = 19;
constexpr int kHandleSlots = 10;  // output files 1 to 9
constexpr int32_t kSriStepTable[kSteps] = {
    45000,  90000,  135000, 180000, 225000, 270000, 315000,  360000,  405000,   450000,
    495000, 540000, 585000, 630000, 675000, 900000, 2700000, 5400000, 10800000};
constexpr uint32_t kValid = 0x80000000u;
constexpr uint32_t kBetween = 0x40000000u;
constexpr uint32_t kNone = 0x3FFFFFFF;
constexpr uint32_t kNoneVideo = 0xBFFFFFFF;

struct Cursor {
  int file = 0;  // 0 = none yet
  int64_t base = 0;
  int index = 0;
};

struct Pass {
  const AuthorState& a;
  Ui& ui;
  int title;
  uint8_t* ring;
  int fds[kHandleSlots];
  Cursor reader, writer;
};

uint8_t* Slot(Pass& p, int s) { return p.ring + static_cast<size_t>(s) * kPackBytes; }

void CloseHandle(Pass& p, int n) {
  if (p.fds[n] >= 0) close(p.fds[n]);
  p.fds[n] = -1;
}

bool ReadVobu(Pass& p, int j) {
  int n = p.a.OutVobuFileNo[j];
  if (n < 1 || n >= kHandleSlots) return false;
  if (n != p.reader.file) {
    p.reader.base = p.reader.file == 0 ? 0 : p.reader.base + kOutVobPackLimit;
    p.reader.file = n;
    Path path;
    if (!OutputVobPath(p.a, p.title, n, path)) return false;
    if (p.fds[n] < 0) p.fds[n] = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (p.fds[n] < 0) return false;
  }
  off_t at = static_cast<off_t>(p.a.OutVobuSector[j] - p.reader.base) * kPackBytes;
  ssize_t r = at < 0 ? -1 : pread(p.fds[n], Slot(p, p.reader.index), kPackBytes, at);
  if (r != kPackBytes) {
    CloseHandle(p, n);
    return false;
  }
  p.reader.index = (p.reader.index + 1) % kRingSlots;
  return true;
}

bool WriteVobu(Pass& p, int k) {
  int n = p.a.OutVobuFileNo[k];
  if (n < 1 || n >= kHandleSlots) return false;
  if (n != p.writer.file) {
    if (p.writer.file != 0) {
      CloseHandle(p, p.writer.file);
      p.writer.base += kOutVobPackLimit;
    } else {
      p.writer.base = 0;
    }
    p.writer.file = n;
  }
  off_t at = static_cast<off_t>(p.a.OutVobuSector[k] - p.writer.base) * kPackBytes;
  ssize_t r = (at < 0 || p.fds[n] < 0) ? -1
                                       : pwrite(p.fds[n], Slot(p, p.writer.index), kPackBytes, at);
  if (r != kPackBytes) {
    CloseHandle(p, n);
    return false;
  }
  p.writer.index = (p.writer.index + 1) % kRingSlots;
  return true;
}

// One direction of the step entries. dir = +1 forward, -1 backward.
void StepEntries(Pass& p, int j, int dir, uint32_t out[kSteps]) {
  const AuthorState& a = p.a;
  int s0 = j % kRingSlots;
  int cj = a.OutVobuCellNo[j];
  uint32_t scr0 = PackScr(Slot(p, s0));
  int i = 0, count = 0, s = s0, v = j;
  while (i < kSteps) {
    if (dir > 0) {
      s = (s + 1) % kRingSlots;
      if (s == p.reader.index) break;
      v += 1;
      if (v >= a.OutVobuNum) break;
    } else {
      if (s == p.writer.index) break;
      s = (s + kRingSlots - 1) % kRingSlots;
      v -= 1;
      if (v < 0) break;
    }
    if (a.OutVobuCellNo[v] != cj) break;
    uint32_t scr = PackScr(Slot(p, s));
    int32_t d = static_cast<int32_t>(dir > 0 ? scr - scr0 : scr0 - scr);
    if (d <= kSriStepTable[i]) {
      count += 1;
      continue;
    }
    while (i < kSteps && d > kSriStepTable[i]) {
      if (i == 0) count -= 1;
      int target = v - dir;
      uint32_t dist = static_cast<uint32_t>(dir > 0 ? a.OutVobuSector[target] - a.OutVobuSector[j]
                                                    : a.OutVobuSector[j] - a.OutVobuSector[target]);
      out[i] = dist | kValid | (count > 0 ? kBetween : 0);
      i += 1;
      count = 0;
    }
  }
  if (i < kSteps) {
    out[i] = kNone | (count > 0 ? kBetween : 0);
    for (int k = i + 1; k < kSteps; ++k) out[k] = kNone;
  }
}

void UpdateVobu(Pass& p, int j) {
  const AuthorState& a = p.a;
  uint8_t* nav = Slot(p, j % kRingSlots);
  uint32_t fwd[kSteps], back[kSteps];
  StepEntries(p, j, +1, fwd);
  StepEntries(p, j, -1, back);
  for (int i = 0; i < kSteps; ++i) {
    WriteBe32(nav + kSriForward + 4 * (18 - i), fwd[i]);
    WriteBe32(nav + kSriBackward + 4 * i, back[i]);
  }
  int cj = a.OutVobuCellNo[j];
  int lastVideo = a.OutLastVideoVobu;
  uint32_t next = kNone, nextVideo = kNoneVideo;
  if (j < a.OutVobuNum - 1 && a.OutVobuCellNo[j + 1] == cj) {
    next = static_cast<uint32_t>(a.OutVobuSector[j + 1] - a.OutVobuSector[j]) | kValid;
    nextVideo = j + 1 <= lastVideo ? next : kNoneVideo;
  }
  uint32_t prev = kNone, prevVideo = kNoneVideo;
  if (j > 0 && a.OutVobuCellNo[j - 1] == cj) {
    prev = static_cast<uint32_t>(a.OutVobuSector[j] - a.OutVobuSector[j - 1]) | kValid;
    if (j - 1 <= lastVideo) {
      prevVideo = prev;
    } else if (lastVideo >= 0) {
      prevVideo =
          static_cast<uint32_t>(a.OutVobuSector[j] - a.OutVobuSector[lastVideo]) | kValid;
    }
  }
  WriteBe32(nav + kSriNext, next);
  WriteBe32(nav + kSriNextVideo, nextVideo);
  WriteBe32(nav + kSriPrev, prev);
  WriteBe32(nav + kSriPrevVideo, prevVideo);
}

int Run(Pass& p) {
  int v = p.a.OutVobuNum;
  if (v > kOutVobuSlots) return 1;
  for (int i = 0; i < kRingSlots && i < v; ++i) {
    if (!ReadVobu(p, i)) return 1;
    p.ui.ProgressDraw(i + 1, v, BarColour::Cyan);
  }
  int written = 0;
  for (int j = 0; j < v; ++j) {
    UpdateVobu(p, j);
    if (j >= kRingHalf) {
      if (!WriteVobu(p, j - kRingHalf)) return 1;
      written = j - kRingHalf + 1;
      if (j + kRingHalf < v) {
        if (!ReadVobu(p, j + kRingHalf)) return 1;
        p.ui.ProgressDraw(j + kRingHalf + 1, v, BarColour::Cyan);
      }
    }
  }
  for (int k = written; k < v; ++k) {
    if (!WriteVobu(p, k)) return 1;
  }
  return 0;
}

}  // namespace

int UpdateVobuPointers(const TitleTables& t, AuthorState& a, Ui& ui, int title) {
  // The ring lies over IoBuffer, which no other operation uses meanwhile.
  Pass p{a, ui, title, const_cast<uint8_t*>(t.IoBuffer), {}, {}, {}};
  for (int& fd : p.fds) fd = -1;
  int r = Run(p);
  for (int n = 0; n < kHandleSlots; ++n) CloseHandle(p, n);
  return r;
}

}  // namespace vm
