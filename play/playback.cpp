#include "play/playback.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/files.h"
#include "common/output_file.h"

namespace vm {

namespace {

constexpr int32_t kProgressSectors = 8192;  // above 16 MiB the progress window shows
constexpr int64_t kChunkBytes = static_cast<int64_t>(kIoBufferBytes);

const char kSizeError[] = "An error is occured in calculation of work file size.";
const char kTooLarge[] = "Specified range is too large (>1GB).";
const char kOpenError[] = "File open error.";
const char kSeekError[] = "Display position is invalid (Seek error).";
const char kWriteError[] = "An error is occured in work file writing.";

// The scanned bytes of VOB file f, or -1 when the table holds no sane size.
int64_t ScannedBytes(const TitleTables& t, int32_t f) {
  const double v = t.VobFileSize[f];
  if (!(v >= 0.0) || v > 1e15) return -1;
  return static_cast<int64_t>(v);
}

enum class CopyFailure { None, Open, Read, Write, Stopped };

// True when `path`, links followed, is one of the title's VOB files.
bool IsSourceFile(const TitleTables& t, const char* path) {
  struct stat out;
  if (stat(path, &out) != 0) return false;
  for (int32_t f = 0; f < t.VobFileNum && f < kVobFileSlots; ++f) {
    struct stat in;
    if (stat(t.VobFileName[f], &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
      return true;
  }
  return false;
}

// Where extent f of the title starts in its file.
int64_t ExtentBase(const TitleTables& t, int32_t f) {
  return int64_t{t.VobFileFirstSector[f]} * kSectorBytes;
}

// The copy reads each file front to back: the kernel may read ahead far.
int OpenSource(const TitleTables& t, int32_t f) {
  const int fd = open(t.VobFileName[f], O_RDONLY | O_CLOEXEC);
  if (fd >= 0) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return fd;
}

// The copy as one job: the source span, where the bytes go, and how the
// person is kept informed.
struct CopyJob {
  const PlaySpan& span;
  int outFd;
  bool interactive;  // the three buttons: pump between chunks
  bool progress;     // the progress window is open
  bool stoppable;    // a stop request ends the copy (the extract command)
  int64_t sectors;
  int64_t written;
  bool kernelRefused;
  int readError;    // errno of a failed source read, 0 when the source was fine
  int32_t file;     // the VOB file being copied
};

// Up to `len` bytes from `in` at `at` to the output's file position;
// returns the bytes moved, 0 at the end of the source, -1 on an error.
// Where the kernel refuses a file-to-file copy (another file system, a
// file system without it) the bytes go through IoBuffer from then on.
int64_t CopyChunk(TitleTables& t, CopyJob& job, int in, int64_t at, int64_t len) {
  if (!job.kernelRefused && !PlayCopySettings().plainCopy) {
    loff_t from = at;
    for (;;) {
      const ssize_t r = copy_file_range(in, &from, job.outFd, nullptr, static_cast<size_t>(len), 0);
      if (r > 0) return r;
      if (r == 0) break;  // the end of the source, or a call that did nothing: read to tell
      if (errno == EINTR) continue;
      // Any other failure is told apart (source or output) by the plain
      // copy below, which goes on from here.
      job.kernelRefused = true;
      break;
    }
  }
  for (;;) {
    const ssize_t r = pread(in, t.IoBuffer, static_cast<size_t>(len), at);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) job.readError = errno;
    if (r <= 0) return r;
    if (WriteFully(job.outFd, t.IoBuffer, static_cast<size_t>(r)) != static_cast<size_t>(r))
      return -1;
    return r;
  }
}

// Bytes [from, to) of the open source file, chunk by chunk. A source that
// ends early is a failure: the work file would be incomplete.
bool CopyFileSpan(TitleTables& t, Ui& ui, CopyJob& job, int in, int64_t from, int64_t to) {
  int64_t at = from;
  while (at < to) {
    if (job.interactive) PumpAndPoll(ui, t.StopRequest);
    if (job.stoppable && t.StopRequest == 1) return false;
    const int64_t end = std::min(to, at + kChunkBytes);
    while (at < end) {
      const int64_t n = CopyChunk(t, job, in, at, end - at);
      if (n <= 0) return false;
      at += n;
      job.written += n;
    }
    if (job.progress) ui.ProgressDraw(std::min(job.written / kSectorBytes, job.sectors), job.sectors);
  }
  return true;
}

// The copy loop over every file of the span; `first` is the open first file.
CopyFailure CopySpan(TitleTables& t, Ui& ui, CopyJob& job, int first) {
  const PlaySpan& s = job.span;
  int in = first;
  for (int32_t f = s.f0; f <= s.f1; ++f) {
    const int64_t from = f == s.f0 ? s.b0 : 0;
    const int64_t to = f == s.f1 ? s.b1 : ScannedBytes(t, f);
    if (f != s.f0) {
      if (from >= to) continue;  // the end lies at the start of this extent
      in = OpenSource(t, f);
      if (in < 0) return CopyFailure::Open;
    }
    job.file = f;
    const int64_t base = ExtentBase(t, f);
    const bool ok = CopyFileSpan(t, ui, job, in, base + from, base + to);
    close(in);
    if (!ok && job.stoppable && t.StopRequest == 1) return CopyFailure::Stopped;
    if (!ok) return job.readError != 0 ? CopyFailure::Read : CopyFailure::Write;
  }
  return CopyFailure::None;
}

// The copy of entries [first, end) into the first of
// `paths` that can be created. Returns the path index written, or -1 after
// the failure's message. The file is written through the output check and
// put in place only when complete: a failed or stopped copy leaves none.
int CopyEntries(TitleTables& t, Ui& ui, const PlaySpan& span, bool interactive, bool stoppable,
                const char* const* paths, int pathCount) {
  const int64_t sectors = span.size / kSectorBytes;
  const bool progress = interactive && sectors > kProgressSectors;
  if (interactive) {
    t.BusyFlag = 1;
    t.StopRequest = 0;
    if (progress) {
      ui.ProgressOpen("Display data creating");
      ui.SetWaitCursor(true);
    }
  }
  const char* failure = nullptr;
  MessageText text;
  int chosen = -1;
  int in = OpenSource(t, span.f0);
  struct stat st;
  if (in < 0) {
    failure = kOpenError;
  } else if (fstat(in, &st) != 0 || ExtentBase(t, span.f0) + span.b0 > st.st_size) {
    close(in);
    failure = kSeekError;
  } else {
    OutputFile out;
    OutputStatus opened = OutputStatus::CreateFailed;
    for (int i = 0; i < pathCount && opened != OutputStatus::Ok; ++i) {
      opened = IsSourceFile(t, paths[i]) ? OutputStatus::InputFile
                                         : out.Open(paths[i], t.InputFolder);
      if (opened == OutputStatus::Ok) chosen = i;
    }
    if (opened != OutputStatus::Ok) {
      close(in);
      if (ProtectsInput(opened))
        DescribeOutputStatus(opened, paths[pathCount - 1], out.Error(), text);
      else
        text.Format("Can't create a work file (%s).", paths[pathCount - 1]);
      failure = text.c_str();
    } else {
      CopyJob job{span, out.fd(), interactive, progress, stoppable, sectors, 0, false, 0, span.f0};
      const CopyFailure r = CopySpan(t, ui, job, in);
      if (r == CopyFailure::Open) {
        failure = kOpenError;
      } else if (r == CopyFailure::Read) {
        text.Format("%s can't be read: a read error (%s).", t.VobFileName[job.file],
                    std::strerror(job.readError));
        failure = text.c_str();
      } else if (r == CopyFailure::Stopped) {
        text.Format("The copy is stopped: nothing is written to %s.", paths[chosen]);
        failure = text.c_str();
      } else if (r != CopyFailure::None || job.written != span.size ||
                 out.Commit() != OutputStatus::Ok) {
        failure = kWriteError;
      }
      if (failure != nullptr) chosen = -1;
    }
  }
  if (interactive) {
    t.BusyFlag = 0;
    if (progress) {
      ui.ProgressClose();
      ui.SetWaitCursor(false);
    }
  }
  if (failure != nullptr) {
    ui.Error(failure);
    return -1;
  }
  return chosen;
}

}  // namespace

PlayCopyOptions& PlayCopySettings() {
  static PlayCopyOptions options;
  return options;
}

int32_t PlayVobuCount(int32_t playingTime) {
  if (playingTime < 0 || playingTime >= kPlayingTimeChoices) playingTime = kDefaultPlayingTime;
  if (playingTime == 0) return 1;
  if (playingTime <= 15) return 2 * playingTime;
  static constexpr int32_t kLong[] = {60, 120, 240, 360, 480, 600};  // 30 s to 300 s
  return kLong[playingTime - 16];
}

bool PlaySpanOf(const TitleTables& t, int32_t first, int32_t end, PlaySpan& span) {
  const int32_t n = t.TimeListNum;
  if (n <= 0 || n > kMaxTimeListEntries || first < 0 || first >= n || end <= first) return false;
  if (t.VobFileNum <= 0 || t.VobFileNum > kMaxVobFiles) return false;
  span.f0 = t.TimeListFileNo[first];
  span.b0 = int64_t{kSectorBytes} * t.TimeListSector[first];
  if (end < n) {
    span.f1 = t.TimeListFileNo[end];
    span.b1 = int64_t{kSectorBytes} * t.TimeListSector[end];
  } else {
    span.f1 = t.VobFileNum - 1;
    span.b1 = ScannedBytes(t, span.f1);
  }
  if (span.f0 >= t.VobFileNum || span.f1 >= t.VobFileNum || span.f1 < span.f0) return false;
  // Every part is checked against its file's scanned size, so that the sum
  // of the parts is the bytes the copy will move.
  const int64_t size0 = ScannedBytes(t, span.f0);
  const int64_t size1 = ScannedBytes(t, span.f1);
  if (size0 < 0 || size1 < 0 || span.b0 < 0 || span.b0 > size0 || span.b1 < 0 || span.b1 > size1)
    return false;
  if (span.f0 == span.f1) {
    span.size = span.b1 - span.b0;
  } else {
    span.size = (size0 - span.b0) + span.b1;
    for (int32_t f = span.f0 + 1; f < span.f1; ++f) {
      const int64_t bytes = ScannedBytes(t, f);
      if (bytes < 0) return false;
      span.size += bytes;
      if (span.size > kMaxPlayBytes) return false;
    }
  }
  return span.size >= 0 && span.size <= kMaxPlayBytes;
}

bool ChoosePlayRange(const TitleTables& t, Ui& ui, PlayMode mode, const PlaySelection& sel,
                     int32_t playingTime, PlayRange& range) {
  if (t.BusyFlag == 1) return false;
  const int32_t n = t.TimeListNum;
  if (n <= 0) {
    ui.Error("Input data is none.");
    return false;
  }
  // A list box without a caret reports line 0.
  const int32_t caret = std::clamp(sel.caret, 0, n - 1);
  range = PlayRange{mode, caret, caret + 1, false, caret};
  switch (mode) {
    case PlayMode::Play:
      range.end = caret + PlayVobuCount(playingTime);
      break;
    case PlayMode::Continue: {
      const int32_t s = std::max(t.PlayNextIndex, 0);
      if (s >= n) {
        ui.Error("End of file.");
        return false;
      }
      range.first = s;
      range.end = s + PlayVobuCount(playingTime);
      range.selectLines = true;
      range.selectLast = std::min(range.end, n) - 1;
      break;
    }
    case PlayMode::AtoB:
      if (sel.firstSelected < 0 || sel.firstSelected >= n) {
        ui.Error("Range is not specified.");
        return false;
      }
      range.first = sel.firstSelected;
      range.end = std::clamp(sel.lastSelected, sel.firstSelected, n - 1) + 1;
      break;
    case PlayMode::OneVobu:
      break;
  }
  return true;
}

PlayResult WritePlayFile(TitleTables& t, Ui& ui, const PlayRange& range,
                         const char* programFolder, Path& workFile) {
  workFile.clear();
  if (t.BusyFlag == 1) return PlayResult::Ignored;
  if (t.TimeListNum <= 0) {
    ui.Error("Input data is none.");
    return PlayResult::Ignored;
  }
  Path work[2];
  const bool named = work[0].Set(programFolder) && work[0].Append("TMP1.MPG") &&
                     work[1].Set(programFolder) && work[1].Append("TMP2.MPG");
  // Old work files go, but never a file the output check would refuse
  // (one of the input's, or a FIFO someone left under that name).
  for (int i = 0; named && i < 2; ++i)
    if (CheckOutputTarget(work[i].c_str(), t.InputFolder) == OutputStatus::Ok)
      unlink(work[i].c_str());
  PlaySpan span;
  if (!PlaySpanOf(t, range.first, range.end, span)) {
    ui.Error(range.mode == PlayMode::AtoB ? kTooLarge : kSizeError);
    return PlayResult::Ignored;
  }
  if (!named) {
    // A program folder too long for the work file names.
    MessageText text;
    text.Format("Can't create a work file (%sTMP2.MPG).", programFolder);
    ui.Error(text.c_str());
    return PlayResult::Failed;
  }
  const char* paths[2] = {work[0].c_str(), work[1].c_str()};
  const int chosen = CopyEntries(t, ui, span, range.mode != PlayMode::OneVobu, false, paths, 2);
  if (chosen < 0) return PlayResult::Failed;
  t.PlayNextIndex = std::min(range.end, t.TimeListNum);
  workFile = work[chosen];
  return PlayResult::Ready;
}

int CopyEntriesToFile(TitleTables& t, Ui& ui, int32_t first, int32_t end, const char* outPath) {
  if (t.BusyFlag == 1) return 1;
  if (t.TimeListNum <= 0) {
    ui.Error("Input data is none.");
    return 1;
  }
  PlaySpan span;
  if (!PlaySpanOf(t, first, end, span)) {
    const bool inList = first >= 0 && first < end && first < t.TimeListNum;
    ui.Error(inList ? kTooLarge : kSizeError);
    return 1;
  }
  const char* paths[1] = {outPath};
  return CopyEntries(t, ui, span, true, true, paths, 1) < 0 ? 1 : 0;
}

}  // namespace vm
