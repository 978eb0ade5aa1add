#include "author/vob_writer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <cstring>

#include "author/pack_copy.h"
#include "author/source_attributes.h"
#include "author/stream_filters.h"
#include "common/be.h"
#include "common/files.h"
#include "common/scr.h"
#include "common/timecode.h"
#include "dvd/nav_pack.h"

namespace vm {

using namespace dvd;  // the navigation pack's offsets

bool OutputVobPath(const AuthorState& a, int title, int vobNo, Path& out) {
  return out.Format("%sVTS_%02d_%1d.VOB", a.OutputFolder, title + 1, vobNo);
}

namespace {

constexpr uint32_t kNoScr = 0x7FFFFFFF;
constexpr int kMaxCells = 255;
// A VOBU lasts about half a second; a span of PTM or SCR above this is taken
// for damage rather than time.
constexpr int64_t kMaxVobuTicks = 60 * kTicksPerSecond;
constexpr int64_t kTmapStepTicks = 3 * kTicksPerSecond;
constexpr const char* kDamagedPackPrompt =
    "PACK header is invalid (Data is broken: PACK No.=%08Xh).\nContinue or not ? (If data "
    "damage is little, DVD player will play it normally.)";

struct Writer {
  TitleTables& t;
  AuthorState& a;
  Ui& ui;
  int title;
  uint8_t* buf;
  int32_t chunkBytes;
  int32_t splitPacks;
  // Per call state.
  bool forceCell = false;
  uint32_t prevScr = kNoScr;
  uint32_t lastPackScr = 0;  // of the last undamaged pack, whatever its list
  int vobCounter = 0;
  int cellCounter = 0;
  int32_t carry = 0;
  int lastList = -1;  // list of the previous processed pack
  int lastPermille = -1;
  bool mapped = false;  // source pages are mapped over the buffer
  // The VOBU whose presentation time is not yet counted: its end is known
  // for certain only at the next navigation pack, where the time list's
  // SCR step stands in for damaged PTMs.
  bool pending = false;
  int32_t pendSector = 0;
  int pendCell = 0;
  uint32_t pendScr = 0, pendSPtm = 0, pendEPtm = 0;
  int64_t titleTicks = 0;  // presentation time of the VOBUs counted
  int64_t mapStep = 1;     // the time map's next entry is for mapStep * 3 s
  int lastMapCell = 0;
  // The list being read.
  int fd = -1;
  int retiredFd = -1;  // previous list's file, open until its packs are written
  int64_t pos = 0;
  double remaining = 0;
  int local = 0;
};

// The pending run may still read the sources: it is copied first.
bool CloseSources(Writer& w) {
  const bool ok = FlushPackCopies(w.a);
  if (w.fd >= 0) close(w.fd);
  if (w.retiredFd >= 0) close(w.retiredFd);
  w.fd = w.retiredFd = -1;
  return ok;
}

int OpenList(Writer& w) {
  int l = w.a.CurListIdx;
  w.fd = open(w.t.DC_SrcFName[l], O_RDONLY | O_CLOEXEC);
  if (w.fd < 0) return kVobWriteSourceError;
  // The list's place in its file comes from the title's extent table.
  w.pos = ListSourceOffset(w.t, l);
  if (w.pos != 0 || w.t.DC_StartVobu[l] != -1) {
    if (w.t.DC_StartVobu[l] < -1 || lseek(w.fd, w.pos, SEEK_SET) < 0) {
      CloseSources(w);
      return kVobWriteSourceError;
    }
  }
  w.remaining = w.t.DC_TotalSize[l];
  return kVobWriteDone;
}

// Puts `len` bytes of the buffer from `p` on back to memory of its own,
// large pages preferred again.
void UnmapBuffer(uint8_t* p, size_t len) {
  mmap(p, len, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
  PreferLargePages(p, len);
}

// Maps up to `want` bytes of the current list over buf+at instead of
// copying them there, where both the buffer position and the file offset
// fall on page boundaries: the packs are then read straight from the page
// cache, and only the pages the writer changes (the navigation packs)
// become copies of their own. Only bytes the file holds are mapped, so no
// page past its end is touched. -1 where it cannot; the caller reads.
int64_t MapList(Writer& w, size_t at, int64_t want) {
  static const long page = sysconf(_SC_PAGESIZE);
  if (w.a.ReadByCopy != 0 || page <= 0 || want < page || at % page != 0 || w.pos % page != 0)
    return -1;
  struct stat st;
  if (fstat(w.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size - w.pos < page) return -1;
  const int64_t len = std::min<int64_t>(want, st.st_size - w.pos);
  if (mmap(w.buf + at, static_cast<size_t>(len), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED,
           w.fd, w.pos) == MAP_FAILED) {
    UnmapBuffer(w.buf + at, static_cast<size_t>(len));
    return -1;
  }
  w.mapped = true;
  return len;
}

// Reads up to `want` bytes of the current list to buf+at; -1 on a read error.
int64_t ReadList(Writer& w, size_t at, int64_t want) {
  if (int64_t mapped = MapList(w, at, want); mapped >= 0) return mapped;
  return PreadFully(w.fd, w.buf + at, static_cast<size_t>(want), w.pos);
}

int64_t Capped(int64_t want, double remaining) {
  if (static_cast<double>(want) >= remaining) want = static_cast<int64_t>(remaining + 0.5);
  return want < 0 ? 0 : want;
}

// One chunk: got and want as the reading loop tests them; packs noted in the
// source map. A chunk may hold the end of one list and the start of the next.
int ReadChunk(Writer& w, int64_t& got, bool& ended) {
  int64_t want = 0;
  want = Capped(w.chunkBytes - w.carry, w.remaining);
  got = ReadList(w, w.carry, want);
  if (got < 0) return kVobWriteSourceError;
  int64_t firstGot = got;
  if (got < want && w.local + 1 < w.t.DC_ListNum[w.title]) {
    // The next list starts on a pack boundary: a partial pack at the end
    // of a file is left out rather than shifting every later pack.
    firstGot = got / kPackBytes * kPackBytes;
    NoteChunkPacks(w.a.ChunkSrc, w.carry / kPackBytes, static_cast<int>(firstGot / kPackBytes),
                   w.fd, w.pos, w.a.CurListIdx);
    w.remaining -= got;
    if (w.a.CurListIdx + 1 >= kListSlots) return kVobWriteSourceError;
    w.retiredFd = w.fd;
    w.fd = -1;
    w.a.CurListIdx += 1;
    w.local += 1;
    if (int r = OpenList(w); r != kVobWriteDone) return r;
    int64_t want2 = Capped(w.chunkBytes - firstGot - w.carry, w.remaining);
    int64_t got2 = ReadList(w, w.carry + firstGot, want2);
    if (got2 < 0) return kVobWriteSourceError;
    NoteChunkPacks(w.a.ChunkSrc, static_cast<int>((w.carry + firstGot) / kPackBytes),
                   static_cast<int>(got2 / kPackBytes), w.fd, w.pos, w.a.CurListIdx);
    w.pos += got2;
    w.remaining -= got2;
    got = firstGot + got2;
    ended = got2 < want2;
    return kVobWriteDone;
  }
  NoteChunkPacks(w.a.ChunkSrc, w.carry / kPackBytes, static_cast<int>(got / kPackBytes), w.fd,
                 w.pos, w.a.CurListIdx);
  w.pos += got;
  w.remaining -= got;
  ended = got < want;
  return kVobWriteDone;
}

void PictureSizeSearch(Writer& w, int packs) {
  for (int i = 0; i < packs && w.a.OutPictureWidth == 0; ++i) {
    const uint8_t* p = w.buf + static_cast<size_t>(i) * kPackBytes;
    if (!HasStreamId(p, 0xE0)) continue;
    for (int k = 18; k <= 511; ++k) {
      if (p[k] == 0 && p[k + 1] == 0 && p[k + 2] == 1 && p[k + 3] == 0xB3) {
        w.a.OutPictureWidth = (p[k + 4] << 4) + (p[k + 5] >> 4);
        w.a.OutPictureHeight = ((p[k + 5] & 0x0F) << 8) + p[k + 6];
        break;
      }
    }
  }
}

void DrawProgress(Writer& w) {
  AuthorState& a = w.a;
  int64_t total = a.CreateTotalSectors > 0 ? a.CreateTotalSectors : 1;
  int permille = static_cast<int>(static_cast<int64_t>(a.CreateDoneSectors) * 1000 / total);
  if (permille == w.lastPermille) return;
  w.lastPermille = permille;
  w.ui.ProgressDraw(a.CreateDoneSectors, a.CreateTotalSectors, BarColour::Blue);
}

// Ticks from SCR `from` to `to`, or -1 when that is no plausible VOBU span.
int64_t ScrSpan(uint32_t from, uint32_t to) {
  const int64_t d = static_cast<int32_t>(to - from);
  return d > 0 && d <= kMaxVobuTicks ? d : -1;
}

// Counts the pending VOBU's presentation time into its cell and the title,
// and makes the time map entries for the times it presents: entry k names
// the VOBU that presents 3(k+1) s of the title. `nextScr` is the SCR of the
// next navigation pack when there is one.
int FinishVobu(Writer& w, bool haveNext, uint32_t nextScr) {
  if (!w.pending) return kVobWriteDone;
  w.pending = false;
  AuthorState& a = w.a;
  int64_t d = w.pendEPtm > w.pendSPtm ? static_cast<int64_t>(w.pendEPtm - w.pendSPtm) : -1;
  if (d > kMaxVobuTicks) d = -1;
  if (d < 0) {
    // Zero or backward PTMs: the step the time list shows for the VOBU.
    a.NgPackCount += 1;
    d = haveNext ? ScrSpan(w.pendScr, nextScr) : -1;
    if (d < 0) d = ScrSpan(w.pendScr, w.lastPackScr);
    if (d < 0) d = 0;
  }
  if (w.pendCell >= 1 && w.pendCell <= kCellTickSlots) a.CellTicks[w.pendCell - 1] += d;
  const int64_t end = w.titleTicks + d;
  while (w.mapStep * kTmapStepTicks < end) {
    // The time map has no room for more: refuse rather than write a map
    // that stops short of the title's end.
    if (a.OutTmapNum >= kOutTmapSlots) return kVobWriteTooManyVobus;
    uint32_t e = static_cast<uint32_t>(w.pendSector);
    if (a.OutTmapNum > 0 && w.pendCell != w.lastMapCell) e |= 0x80000000u;
    a.OutTmapEntry[a.OutTmapNum] = static_cast<int32_t>(e);
    a.OutTmapNum += 1;
    w.lastMapCell = w.pendCell;
    w.mapStep += 1;
  }
  w.titleTicks = end;
  return kVobWriteDone;
}

void CloseRecord(Writer& w, int p) {
  TitleTables& t = w.t;
  t.EndIndex[w.title][p] = w.a.OutLastNavSector;
  t.PackEndIndex[w.title][p] = w.a.OutSector - 1;
}

int StartCell(Writer& w, uint8_t* p, uint32_t scr, uint32_t ext, int x) {
  TitleTables& t = w.t;
  AuthorState& a = w.a;
  int n = w.title;
  int prg = t.PrgNum[n];
  if (prg > 0) CloseRecord(w, prg - 1);
  t.StartIndex[n][prg] = a.OutSector;
  t.PrgChapterFlg[n][prg] = a.OutVobuMark[x] & 1;
  int reset = w.forceCell ? 2 : (scr == 0 && ext == 0 ? 1 : 0);
  t.PrgTimeReset[n][prg] = reset;
  if (reset == 2) {
    p[kNavCellMarker] = 0x5A;
    p[kNavCellMarker + 1] = 0xA5;
  }
  if (reset != 0) {
    w.vobCounter += 1;
    w.cellCounter = 1;
  } else {
    w.cellCounter += 1;
  }
  t.PrgNum[n] = prg + 1;
  if (t.PrgNum[n] > kMaxCells) return kVobWriteTooManyCells;
  a.CellTicks[prg] = 0;
  w.forceCell = false;
  return kVobWriteDone;
}

void RewriteNav(Writer& w, uint8_t* p) {
  TitleTables& t = w.t;
  AuthorState& a = w.a;
  int n = w.title;
  WriteBe32(p + kNavPciLbn, static_cast<uint32_t>(a.OutSector));
  WriteBe32(p + kNavDsiLbn, static_cast<uint32_t>(a.OutSector));
  if (t.DC_FreeOp[n] == 1) WriteBe32(p + kNavVobuUopCtl, 0);
  int mode = t.DC_VobCellId[n];
  if (mode & 4) {
    switch (mode & 3) {
      case 0:
        WriteBe16(p + kNavVobIdn, static_cast<uint32_t>(t.PrgNum[n]));
        p[kNavCellIdnHigh] = 0;
        p[kNavCellIdn] = 1;
        break;
      case 1:
        WriteBe16(p + kNavVobIdn, 1);
        WriteBe16(p + kNavCellIdnHigh, static_cast<uint32_t>(t.PrgNum[n]));
        break;
      default:
        WriteBe16(p + kNavVobIdn, static_cast<uint32_t>(w.vobCounter));
        WriteBe16(p + kNavCellIdnHigh, static_cast<uint32_t>(w.cellCounter));
        break;
    }
  }
  // The cell elapsed time: what the cell's VOBUs before this one present.
  const int cell = t.PrgNum[n];
  const int64_t elapsed = cell >= 1 && cell <= kCellTickSlots ? a.CellTicks[cell - 1] : 0;
  TicksToTimeCode(elapsed, a.TitlePal, p + kNavPciEltm);
  TicksToTimeCode(elapsed, a.TitlePal, p + kNavDsiCEltm);
  std::memset(p + kNavNsmlAgli, 0, kNavNsmlAgliBytes);
  std::memset(p + kNavSmlPbi, 0, kNavSmlPbiBytes);
  std::memset(p + kNavSmlAgli, 0, kNavSmlAgliBytes);
}

int NavPack(Writer& w, uint8_t* p, int i, uint32_t scr, uint32_t ext) {
  AuthorState& a = w.a;
  int x = a.OutVobuNum;
  if (x >= kOutVobuSlots) return kVobWriteTooManyVobus;
  int eltm = TimeCodeToFrames(p + kNavPciEltm);
  if (a.OutVobuMark[x] != 0 && scr != 0 && (scr - w.prevScr) / 90 > 150) w.forceCell = true;
  if (p[kNavCellMarker] == 0x5A && p[kNavCellMarker + 1] == 0xA5) w.forceCell = true;
  if (p[kNavCellMarker] == 0x5B && p[kNavCellMarker + 1] == 0xB5) {
    p[kNavCellMarker] = 0;
    p[kNavCellMarker + 1] = 0;
  }
  if (int r = FinishVobu(w, true, scr); r != kVobWriteDone) return r;
  if (eltm == 0 || w.forceCell || (a.OutVobuMark[x] & 1)) {
    if (int r = StartCell(w, p, scr, ext, x); r != kVobWriteDone) return r;
  }
  a.OutVobuSector[x] = a.OutSector;
  a.OutVobuFileNo[x] = static_cast<uint8_t>(a.OutVobNo);
  a.OutVobuCellNo[x] = static_cast<uint8_t>(w.t.PrgNum[w.title]);
  a.OutVobuNum += 1;
  a.OutLastNavSector = a.OutSector;
  w.pending = true;
  w.pendSector = a.OutSector;
  w.pendCell = w.t.PrgNum[w.title];
  w.pendScr = scr;
  w.pendSPtm = ReadBe32(p + kNavVobuSPtm);
  w.pendEPtm = ReadBe32(p + kNavVobuEPtm);
  RewriteNav(w, p);
  a.ChunkSrc.changed[i] = 1;
  DrawProgress(w);
  return kVobWriteDone;
}

// A new list in the chunk: a list that starts inside its file opens a cell.
void EnterList(Writer& w, int list) {
  w.lastList = list;
  if (w.t.DC_StartVobu[list] != -1) {
    w.forceCell = true;
    w.prevScr = kNoScr;
  } else {
    w.forceCell = false;
  }
}

int NextOutputFile(Writer& w) {
  AuthorState& a = w.a;
  if (!FlushPackCopies(a)) return kVobWriteOutputError;
  close(a.OutFd);
  a.OutFd = -1;
  a.OutVobNo += 1;
  a.OutVobPacks = 0;
  Path path;
  if (!OutputVobPath(a, w.title, a.OutVobNo, path)) return kVobWriteOutputError;
  a.OutFd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return a.OutFd < 0 ? kVobWriteOutputError : kVobWriteDone;
}

int ProcessPacks(Writer& w, int packs) {
  AuthorState& a = w.a;
  int firstUnwritten = 0;
  for (int i = 0; i < packs; ++i) {
    uint8_t* p = w.buf + static_cast<size_t>(i) * kPackBytes;
    if (a.ChunkSrc.list[i] != w.lastList) EnterList(w, a.ChunkSrc.list[i]);
    if (!IsPackStart(p)) {
      if (a.NgPromptArmed == 1) {
        MessageText text;
        text.Format(kDamagedPackPrompt, static_cast<unsigned>(a.CreateDoneSectors));
        if (w.ui.Confirm(text.c_str()) != Answer::Yes) return kVobWriteDeclined;
        a.NgPromptArmed = 0;
      }
      a.NgPackCount += 1;
    } else {
      uint32_t scr = PackScr(p);
      uint32_t ext = PackScrExt(p);
      if (HasStreamId(p, 0xBB)) {
        if (int r = NavPack(w, p, i, scr, ext); r != kVobWriteDone) return r;
      } else if (IsVideoPack(p) && a.OutVobuNum > 0) {
        a.OutLastVideoVobu = a.OutVobuNum - 1;
      }
      w.prevScr = scr;
      w.lastPackScr = scr;
    }
    a.OutSector += 1;
    if (w.t.StopRequest == 1) return kVobWriteStopped;
    if (a.CreateDoneSectors < a.CreateTotalSectors) a.CreateDoneSectors += 1;
    a.OutVobPacks += 1;
    if (a.OutVobPacks >= w.splitPacks) {
      if (!WriteChunkPacks(a, w.buf, firstUnwritten, i + 1, a.OutFd)) return kVobWriteOutputError;
      if (int r = NextOutputFile(w); r != kVobWriteDone) return r;
      firstUnwritten = i + 1;
    }
  }
  if (!WriteChunkPacks(a, w.buf, firstUnwritten, packs, a.OutFd)) return kVobWriteOutputError;
  return kVobWriteDone;
}

int Chunk(Writer& w, int64_t got, bool ended) {
  AuthorState& a = w.a;
  int first = w.carry / kPackBytes;
  int packs = static_cast<int>((got + w.carry) / kPackBytes);
  w.carry = 0;
  if (packs == 0) return kVobWriteDone;
  PictureSizeSearch(w, packs);
  // A list that ended early (a file shorter than its scan) holds nothing
  // back: the partial VOBU would be lost with the list.
  FilterChunk c{w.buf, first, packs, 0, !ended && static_cast<int64_t>(w.remaining + 0.5) > 0};
  if (w.t.InterleaveDetected == 1) InterleaveFilter(a, c);
  if (a.StreamFilterOn == 1) StreamFilter(a, c);
  if (int r = ProcessPacks(w, c.packs); r != kVobWriteDone) return r;
  if (a.StreamFilterOn == 1 && c.carry > 0) {
    int n = c.carry / kPackBytes;
    for (int k = 0; k < n; ++k) MoveChunkPack(w.buf, a.ChunkSrc, k, c.packs + k);
    w.carry = c.carry;
  }
  w.t.TotalSize[w.title] += static_cast<double>(c.packs) * kPackBytes;
  return kVobWriteDone;
}

int ReadLists(Writer& w) {
  for (w.local = 0; w.local < w.t.DC_ListNum[w.title]; ++w.local) {
    if (w.a.CurListIdx < 0 || w.a.CurListIdx >= kListSlots) return kVobWriteSourceError;
    if (int r = OpenList(w); r != kVobWriteDone) return r;
    w.carry = 0;
    while (w.remaining > 0) {
      PumpAndPoll(w.ui, w.t.StopRequest);
      int64_t got = 0;
      bool ended = false;
      if (int r = ReadChunk(w, got, ended); r != kVobWriteDone) return r;
      if (int r = Chunk(w, got, ended); r != kVobWriteDone) return r;
      if (w.retiredFd >= 0) {
        if (!FlushPackCopies(w.a)) return kVobWriteOutputError;
        close(w.retiredFd);
        w.retiredFd = -1;
      }
      if (ended) break;
    }
    if (!CloseSources(w)) return kVobWriteOutputError;
    w.a.CurListIdx += 1;
  }
  return kVobWriteDone;
}

}  // namespace

int WriteTitleVobs(TitleTables& t, AuthorState& a, Ui& ui, int title) {
  IgnoreFileSizeSignal();
  int32_t chunk = static_cast<int32_t>(kIoBufferBytes);
  if (a.ChunkBytesLimit > 0 && a.ChunkBytesLimit < chunk) {
    chunk = a.ChunkBytesLimit / kPackBytes * kPackBytes;
  }
  Writer w{t, a, ui, title, t.IoBuffer, chunk, a.SplitPacks > 0 ? a.SplitPacks : kOutVobPackLimit};
  a.OutLastVideoVobu = 0;
  a.OutPictureWidth = a.OutPictureHeight = 0;
  a.TitlePal = TitleIsPal(t, title);
  std::memset(a.OutVobuMark, 0, sizeof a.OutVobuMark);
  SetUpFilters(t, a, title);
  int chapters = t.DC_ChapterNum[title];
  for (int k = 0; k < chapters && k < kChapterSlots; ++k) {
    int idx = t.DC_ChapterIdxTbl[title][k];
    if (idx >= 0 && idx < kOutVobuSlots) a.OutVobuMark[idx] = 1;
  }
  StartPackCopies(a);
  int r = ReadLists(w);
  if (r == kVobWriteDone) r = FinishVobu(w, false, 0);
  if (!FlushPackCopies(a) && r == kVobWriteDone) r = kVobWriteOutputError;
  CloseSources(w);
  // No mapping of a source outlives the writer: a file cut short later
  // would make its pages fault.
  if (w.mapped) UnmapBuffer(t.IoBuffer, kIoBufferBytes);
  return r;
}

}  // namespace vm
