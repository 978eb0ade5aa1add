#include "title/vob_scan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/be.h"
#include "common/files.h"
#include "common/scr.h"
#include "common/timecode.h"
#include "dvd/nav_pack.h"
#include "dvd/scrambling.h"
#include "title/time_list_text.h"

namespace vm {

namespace {

using dvd::kIlvuAnyBits;
using dvd::kIlvuUnitStart;
using dvd::kNavPciEltm;
using dvd::kNavSmlPbi;
using dvd::kNavVobuEa;
using dvd::kPackStartCode;
using dvd::kPackStreamIdOffset;
using dvd::kSystemHeaderCode;
constexpr int32_t kInterleaveWindowMs = 1200;
constexpr int kPciVobuSPtm = dvd::kNavVobuSPtm;
constexpr int kPciVobuEPtm = dvd::kNavVobuEPtm;
constexpr uint32_t kMaxVobuTicks = 60 * 90000;  // longer is no VOBU's time

constexpr int64_t kSweepSectors = 2048;   // the tail that is read in bulk
constexpr int64_t kChunkSectors = static_cast<int64_t>(kIoBufferBytes) / kSectorBytes;
constexpr int64_t kMaxVobBytes = int64_t{1} << 31;
constexpr int kPumpEvery = 10;

class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() {
    if (fd_ >= 0) close(fd_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool IsSourceProgram(const ScanState& s, int32_t address) {
  return std::binary_search(s.ProgramSectors, s.ProgramSectors + s.ProgramCount, address);
}

char InterleaveMark(ScanState& s, uint8_t cat, uint32_t scr, char cellMark) {
  if (!s.IlvuActive) {
    if (!(cat & kIlvuUnitStart)) return cellMark;
    int32_t d = static_cast<int32_t>(scr - s.IlvuLastUnitScr) / 90;
    if (-kInterleaveWindowMs < d && d < kInterleaveWindowMs) {
      s.IlvuActive = 1;
      s.IlvuFound = 1;
      return 'X';
    }
    s.IlvuLastUnitScr = scr;
    return cellMark;
  }
  if (!(cat & kIlvuUnitStart) && (cat & kIlvuAnyBits)) return 'X';
  s.IlvuActive = 0;
  s.IlvuLastUnitScr = (cat & kIlvuUnitStart) ? scr : 0x7FFFFFFFu;
  return cellMark;
}

void Advance(TitleTables& t, ScanState& s, int i, int64_t& pos, int64_t sectors) {
  pos += sectors;
  s.ScanSector += static_cast<int32_t>(sectors);
  s.ScanDoneSectors += sectors;
  t.VobFileSize[i] += 2048.0 * static_cast<double>(sectors);
}

// A read of `count` sectors from `at` (a byte offset) failed: finds the
// first sector that cannot be read, for the message. kScanReadError.
int ReadFailure(TitleTables& t, ScanState& s, int fd, int64_t at, int64_t count) {
  s.ReadErrorNumber = errno;
  s.ReadErrorSector = at / kSectorBytes;
  for (int64_t k = 0; k < count; ++k) {
    if (PreadFully(fd, t.IoBuffer, kSectorBytes, at + k * kSectorBytes) < 0) {
      s.ReadErrorNumber = errno;
      s.ReadErrorSector = at / kSectorBytes + k;
      break;
    }
  }
  return kScanReadError;
}

// Finds the first NAV pack in the first 16 MiB; every sector before it
// must be a pack. Sets pos (0 when the chunk holds none).
int Synchronise(TitleTables& t, ScanState& s, int fd, int64_t base, int64_t sectors,
                int64_t& pos) {
  const int64_t head = std::min(static_cast<int64_t>(kIoBufferBytes), sectors * kSectorBytes);
  int64_t got = PreadFully(fd, t.IoBuffer, static_cast<size_t>(head), base);
  if (got < 0) return ReadFailure(t, s, fd, base, head / kSectorBytes);
  pos = 0;
  const int64_t whole = got / kSectorBytes;
  int64_t k = 0;
  for (; k < whole; ++k) {
    const uint8_t* sector = t.IoBuffer + k * kSectorBytes;
    if (!HasPackStartCode(sector)) return kScanNoPackHeader;
    if (IsScrambledPack(sector)) return kScanEncrypted;
    if (HasSystemHeader(sector)) {
      pos = k;
      break;
    }
  }
  // The rest of the chunk is read anyway: a scrambled pack in it refuses
  // the title here, before any entry is made of it.
  for (; k < whole; ++k)
    if (IsScrambledPack(t.IoBuffer + k * kSectorBytes)) return kScanEncrypted;
  return kScanDone;
}

// One VOBU: read its NAV pack, record it, jump to the next.
int JumpStep(TitleTables& t, ScanState& s, int fd, int64_t base, int i, int64_t sectors,
             int64_t& pos) {
  uint8_t* nav = t.IoBuffer;
  const int64_t got = PreadFully(fd, nav, kSectorBytes, base + pos * kSectorBytes);
  if (got < 0) return ReadFailure(t, s, fd, base + pos * kSectorBytes, 1);
  if (got != kSectorBytes) return kScanSeekError;
  if (!HasPackStartCode(nav)) return kScanNoPackHeader;
  if (!HasSystemHeader(nav)) return kScanNoVobuHeader;
  int r = RecordEntry(t, s, nav, i, static_cast<int32_t>(pos));
  if (r != kScanDone) return r;
  int64_t k = int64_t{ReadBe32(nav + kNavVobuEa)} + 1;
  // A VOBU that claims to run past the end of the file would count bytes
  // that are not there; it is refused like a seek outside the file.
  if (k > sectors - pos) return kScanSeekError;
  Advance(t, s, i, pos, k);
  return kScanDone;
}

// One chunk of the tail, sector by sector. `full` is false at the end.
int SweepStep(TitleTables& t, ScanState& s, int fd, int64_t base, int i, int64_t sectors,
              int64_t& pos, bool& full) {
  int64_t want = std::min(kChunkSectors, sectors - pos);
  if (want <= 0) {
    full = false;
    return kScanDone;
  }
  const int64_t bytes = want * kSectorBytes;
  int64_t got = PreadFully(fd, t.IoBuffer, static_cast<size_t>(bytes), base + pos * kSectorBytes);
  if (got < 0) return ReadFailure(t, s, fd, base + pos * kSectorBytes, want);
  full = got == bytes;
  for (int64_t k = 0; k < got / kSectorBytes; ++k) {
    const uint8_t* sector = t.IoBuffer + k * kSectorBytes;
    if (!HasPackStartCode(sector)) return kScanNoPackHeader;
    if (IsScrambledPack(sector)) return kScanEncrypted;
    if (HasSystemHeader(sector)) {
      int r = RecordEntry(t, s, sector, i, static_cast<int32_t>(pos));
      if (r != kScanDone) return r;
    }
    Advance(t, s, i, pos, 1);
  }
  if (pos >= sectors) full = false;
  return kScanDone;
}

}  // namespace

bool HasPackStartCode(const uint8_t* sector) { return ReadBe32(sector) == kPackStartCode; }

bool HasSystemHeader(const uint8_t* sector) {
  return ReadBe32(sector + kPackStreamIdOffset) == kSystemHeaderCode;
}

// The VOBU's presentation time from its PTMs; a VOBU whose PTMs do not
// serve takes the step of the system clock to the next NAV pack, as the
// VOB writer counts it.
void RecordPresentationTime(TitleTables& t, ScanState& s, const uint8_t* nav, int32_t j,
                            uint32_t scr) {
  if (s.PtmPendingEntry >= 0 && s.PtmPendingEntry < kTimeListSlots) {
    const uint32_t step = scr - s.PtmPendingScr;
    t.TimeListPtmTicks[s.PtmPendingEntry] =
        static_cast<int32_t>(step) > 0 && step <= kMaxVobuTicks ? step : 0;
    s.PtmPendingEntry = -1;
  }
  const uint32_t start = ReadBe32(nav + kPciVobuSPtm), end = ReadBe32(nav + kPciVobuEPtm);
  if (end > start && end - start <= kMaxVobuTicks) {
    t.TimeListPtmTicks[j] = end - start;
  } else {
    t.TimeListPtmTicks[j] = 0;
    s.PtmPendingEntry = j;
    s.PtmPendingScr = scr;
  }
}

int RecordEntry(TitleTables& t, ScanState& s, const uint8_t* nav, int i, int32_t pos) {
  uint32_t scr = PackScr(nav);
  int z = TimeCodeToFrames(nav + kNavPciEltm);
  int32_t j = t.TimeListNum;
  RecordPresentationTime(t, s, nav, j, scr);
  t.TimeListFileNo[j] = static_cast<uint8_t>(i);
  t.TimeListSector[j] = pos;
  uint8_t flags = 0;
  char cellMark = ' ';
  if (z == 0) {
    cellMark = '*';
    flags |= TL_CELL_START;
  }
  char chapterMark = ' ';
  if (IsSourceProgram(s, s.ScanSector)) {
    chapterMark = '>';
    flags |= TL_CHAPTER;
  }
  t.TimeListFlags[j] = flags;
  cellMark = InterleaveMark(s, nav[kNavSmlPbi], scr, cellMark);
  t.TimeListNum = j + 1;
  char line[kLineBytes];
  FormatTimeListLine(line, chapterMark, cellMark, t.TimeListNum, scr);
  AppendListLine(t, line);
  return t.TimeListNum >= kTimeListSlots ? kScanListFull : kScanDone;
}

int ScanOneFile(TitleTables& t, Ui& ui, ScanState& s, int i) {
  // Never left waiting on something that is not a file (a FIFO put in
  // its place since it was listed): the type is checked before any read.
  FileHandle file(open(t.VobFileName[i], O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat st;
  if (file.get() < 0 || fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return kScanOpenError;
  if (!IdentityOf(file.get(), t.VobFileId[i])) return kScanOpenError;
  // The extent's sectors of the file; a file that has shrunk since it was
  // listed gives what is there.
  const int64_t first = t.VobFileFirstSector[i];
  const int64_t base = first * kSectorBytes;
  const int64_t sectors =
      std::max<int64_t>(0, std::min<int64_t>(t.VobFileSectors[i],
                                             static_cast<int64_t>(st.st_size) / kSectorBytes - first));
  s.ScanSector = t.VobFileVtsSector[i];
  int64_t pos = 0;
  int r = Synchronise(t, s, file.get(), base, sectors, pos);
  if (r != kScanDone) return r;
  int64_t lead = pos;  // the packs before the first NAV pack still count
  pos = 0;
  Advance(t, s, i, pos, lead);
  for (int n = 0;; ++n) {
    // Input is let through every few steps; a stop already asked for is
    // seen at every step, so that a slow disc still stops at once.
    if (n % kPumpEvery == 0) PumpAndPoll(ui, t.StopRequest);
    else if (ui.StopRequested()) t.StopRequest = 1;
    if (t.StopRequest == 1) return kScanStopped;
    bool full = true;
    if (pos < sectors - kSweepSectors) {
      r = JumpStep(t, s, file.get(), base, i, sectors, pos);
    } else {
      r = SweepStep(t, s, file.get(), base, i, sectors, pos, full);
    }
    if (r != kScanDone) return r;
    if (t.StopRequest == 1) return kScanStopped;
    if (n % kPumpEvery == 0) ui.ProgressDraw(s.ScanDoneSectors, s.ScanTotalSectors);
    if (!full) return kScanDone;
  }
}

namespace {

void ShowFileMessage(Ui& ui, const char* format, const char* path) {
  MessageText msg;
  if (!msg.Format(format, path)) msg.Format(format, "VOB file");
  ui.Error(msg.c_str());
}

// The directory sizes: whole sectors, below 2 GiB. 0, or kScanBadFileSize
// with the message shown.
int CheckFileSizes(TitleTables& t, Ui& ui, ScanState& s) {
  for (int i = 0; i < t.VobFileNum; ++i) {
    int64_t size = FileSizeOf(t.VobFileName[i]);
    if (size < 0) {
      ShowFileMessage(ui, "%s open error.", t.VobFileName[i]);
      return kScanBadFileSize;
    }
    if (size % kSectorBytes != 0) {
      ShowFileMessage(ui, "%s file size is not 2KB * n.\nAbnormal DVD video format.",
                      t.VobFileName[i]);
      return kScanBadFileSize;
    }
    if (size >= kMaxVobBytes) {
      ShowFileMessage(ui, "%s file size >= 2GB.\nAbnormal DVD video format.", t.VobFileName[i]);
      return kScanBadFileSize;
    }
    s.ScanTotalSectors += std::max<int64_t>(
        0, std::min<int64_t>(t.VobFileSectors[i], size / kSectorBytes - t.VobFileFirstSector[i]));
  }
  return 0;
}

void ShowScanFailure(Ui& ui, int result, const char* path, const ScanState& s) {
  switch (result) {
    case kScanReadError: {
      MessageText msg;
      if (!msg.Format("%s can't be read at sector %lld (%s).", path,
                      static_cast<long long>(s.ReadErrorSector), std::strerror(s.ReadErrorNumber)))
        msg.Format("A VOB file can't be read at sector %lld (%s).",
                   static_cast<long long>(s.ReadErrorSector), std::strerror(s.ReadErrorNumber));
      ui.Error(msg.c_str());
      break;
    }
    case kScanOpenError: ShowFileMessage(ui, "%s open error.", path); break;
    case kScanNoPackHeader: ShowFileMessage(ui, "%s is invalid (PACK header not found).", path); break;
    case kScanSeekError: ShowFileMessage(ui, "%s is invalid (Seek error).", path); break;
    case kScanNoVobuHeader: ShowFileMessage(ui, "%s is invalid (VOBU header not found).", path); break;
    case kScanEncrypted:
      ShowFileMessage(ui,
                      "%s is encrypted (CSS-scrambled packs).\n"
                      "The title must be decrypted before it is read.",
                      path);
      break;
    case kScanListFull: ui.Error("Input data size is too big.\nAbnormal DVD video format."); break;
    default: break;  // stopped by the user: no message
  }
}

int32_t RoundHalfUp(double v) { return static_cast<int32_t>(v + 0.5); }

void FinishScan(TitleTables& t, double totalBytes) {
  int32_t n = t.TimeListNum;
  int last = t.VobFileNum - 1;
  t.TimeListFileNo[n] = static_cast<uint8_t>(t.VobFileNum);
  t.TimeListSector[n] = last >= 0 ? RoundHalfUp(t.VobFileSize[last] / kSectorBytes) : 0;
  t.RangeStart = 0;
  t.RangeEnd = n - 1;
  SetRangeLabels(t);
  SetSizeLabel(t, RoundHalfUp(totalBytes * 1000.0 / 1073741824.0));
}

}  // namespace

int ScanAllFiles(TitleTables& t, Ui& ui) {
  std::memset(t.TimeListFlags, 0, sizeof t.TimeListFlags);
  EmptyListBox(t);
  ui.ProgressOpen("VOB files reading");
  ui.SetWaitCursor(true);
  ScanState s;
  t.PlayNextIndex = 0;
  s.ProgramCount = std::clamp(t.SrcProgramNum, 0, kMaxSrcPrograms);
  std::memcpy(s.ProgramSectors, t.SrcProgramSector, sizeof(int32_t) * s.ProgramCount);
  std::sort(s.ProgramSectors, s.ProgramSectors + s.ProgramCount);

  int result = CheckFileSizes(t, ui, s);
  t.TimeListNum = 0;
  t.TimeListPtmKept = 0;
  double total = 0.0;
  for (int i = 0; result == 0 && i < t.VobFileNum; ++i) {
    t.VobFileSize[i] = 0;
    result = ScanOneFile(t, ui, s, i);
    if (result == 0) total += t.VobFileSize[i];
    else ShowScanFailure(ui, result, t.VobFileName[i], s);
  }
  if (result != 0) {
    ClearTimeList(t);
    ui.ProgressClose();
    ui.SetWaitCursor(false);
    return result;
  }
  FinishScan(t, total);
  t.TimeListPtmKept = 1;
  ui.ProgressClose();
  ui.SetWaitCursor(false);
  if (s.IlvuFound) {
    t.InterleaveDetected = 1;
    ui.Information("Interleave is detected. \"X\" is marked on the time list.");
  } else if (t.DC_TitleNum == 0) {
    t.InterleaveDetected = 0;
  }
  return 0;
}

}  // namespace vm
