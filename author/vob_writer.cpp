#include "author/vob_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "author/nav_pack.h"
#include "author/pack_copy.h"
#include "author/stream_filters.h"
#include "common/be.h"
#include "common/scr.h"
#include "common/timecode.h"

namespace vm {

bool OutputVobPath(const AuthorState& a, int title, int vobNo, Path& out) {
  return out.Format("%sVTS_%02d_%1d.VOB", a.OutputFolder, title + 1, vobNo);
}

namespace {

constexpr uint32_t kNoScr = 0x7FFFFFFF;
constexpr int kMaxCells = 255;
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
  int64_t accumulator = 0;
  uint32_t prevCellRel = 0;
  bool firstMapEntry = false;
  int vobCounter = 0;
  int cellCounter = 0;
  int32_t carry = 0;
  int lastList = -1;  // list of the previous processed pack
  int lastPermille = -1;
  // The list being read.
  int fd = -1;
  int retiredFd = -1;  // previous list's file, open until its packs are written
  int64_t pos = 0;
  double remaining = 0;
  int local = 0;
};

// Queued copies may still read the sources: they finish first.
void CloseSources(Writer& w) {
  if (w.fd >= 0 || w.retiredFd >= 0) DrainPackCopies();
  if (w.fd >= 0) close(w.fd);
  if (w.retiredFd >= 0) close(w.retiredFd);
  w.fd = w.retiredFd = -1;
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

// Reads up to `want` bytes of the current list to buf+at; -1 on a read error.
int64_t ReadList(Writer& w, size_t at, int64_t want) {
  int64_t got = 0;
  while (got < want) {
    ssize_t r = pread(w.fd, w.buf + at + got, static_cast<size_t>(want - got), w.pos + got);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    got += r;
  }
  return got;
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

void CloseRecord(Writer& w, int p) {
  TitleTables& t = w.t;
  for (int k = 0; k < 4; ++k) t.Time[w.title][p][k] = w.a.CellTime[k];
  t.EndIndex[w.title][p] = w.a.OutLastNavSector;
  t.PackEndIndex[w.title][p] = w.a.OutSector - 1;
}

int StartCell(Writer& w, uint8_t* p, uint32_t scr, uint32_t ext, int eltm, int x) {
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
  a.CellBaseScr = scr;
  a.CellBaseScrExt = ext;
  a.CellBaseEltm = eltm;
  w.forceCell = false;
  w.prevCellRel = 0;
  w.firstMapEntry = true;
  return kVobWriteDone;
}

void RewriteNav(Writer& w, uint8_t* p, int eltm) {
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
  if (a.CellBaseEltm != 0) {
    // A 25 frames/s source counts its frame digits in 25ths: its difference
    // is taken in 25ths and keeps its own rate code. Taken in 30ths, a cell
    // that starts inside a source cell would borrow 30 frames a second and
    // show PAL time as 30 frames/s time, up to several frames off.
    const bool pal = (p[kNavPciEltm + 3] & kFrameRateMask) == kFrameRate25;
    int rel = pal ? FramesAt25(eltm) - FramesAt25(a.CellBaseEltm) : eltm - a.CellBaseEltm;
    if (rel < 0) rel = 0;  // a time that ran backwards would give no valid code
    if (pal) {
      Frames25ToTimeCode(rel, p + kNavPciEltm);
      Frames25ToTimeCode(rel, p + kNavDsiCEltm);
    } else {
      FramesToTimeCode(rel, p + kNavPciEltm);
      FramesToTimeCode(rel, p + kNavDsiCEltm);
    }
  }
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
  if (eltm == 0 || w.forceCell || (a.OutVobuMark[x] & 1)) {
    if (int r = StartCell(w, p, scr, ext, eltm, x); r != kVobWriteDone) return r;
  }
  if (w.accumulator / 90000 >= 3) {
    // The time map has no room for more: refuse rather than write a map
    // that stops short of the title's end.
    if (a.OutTmapNum >= kOutTmapSlots) return kVobWriteTooManyVobus;
    uint32_t e = static_cast<uint32_t>(a.OutSector);
    if (w.firstMapEntry && a.OutTmapNum > 0) e |= 0x80000000u;
    a.OutTmapEntry[a.OutTmapNum] = static_cast<int32_t>(e);
    w.firstMapEntry = false;
    a.OutTmapNum += 1;
    w.accumulator -= 270000;
  }
  a.OutVobuSector[x] = a.OutSector;
  a.OutVobuFileNo[x] = static_cast<uint8_t>(a.OutVobNo);
  a.OutVobuCellNo[x] = static_cast<uint8_t>(w.t.PrgNum[w.title]);
  a.OutVobuNum += 1;
  a.OutLastNavSector = a.OutSector;
  RewriteNav(w, p, eltm);
  a.ChunkSrc.changed[i] = 1;
  DrawProgress(w);
  return kVobWriteDone;
}

void UpdateCellTime(Writer& w, uint32_t scr, uint32_t ext) {
  AuthorState& a = w.a;
  uint32_t adj = scr;
  if (a.CellBaseScr != 0 || a.CellBaseScrExt != 0) {
    if (ext < a.CellBaseScrExt) adj -= 1;
    adj -= a.CellBaseScr;
  }
  a.CellTime[0] = static_cast<int32_t>(adj / 324000000u);
  a.CellTime[1] = static_cast<int32_t>((adj / 5400000u) % 60);
  a.CellTime[2] = static_cast<int32_t>((adj / 90000u) % 60);
  a.CellTime[3] = static_cast<int32_t>((adj / 90u) % 1000);
  w.accumulator += static_cast<int32_t>(adj - w.prevCellRel);
  w.prevCellRel = adj;
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
  if (!DrainPackCopies()) return kVobWriteOutputError;
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
      UpdateCellTime(w, scr, ext);
      w.prevScr = scr;
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
        DrainPackCopies();
        close(w.retiredFd);
        w.retiredFd = -1;
      }
      if (ended) break;
    }
    CloseSources(w);
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
  std::memset(a.OutVobuMark, 0, sizeof a.OutVobuMark);
  SetUpFilters(t, a, title);
  int chapters = t.DC_ChapterNum[title];
  for (int k = 0; k < chapters && k < kChapterSlots; ++k) {
    int idx = t.DC_ChapterIdxTbl[title][k];
    if (idx >= 0 && idx < kOutVobuSlots) a.OutVobuMark[idx] = 1;
  }
  StartPackCopies(a);
  int r = ReadLists(w);
  if (!FinishPackCopies() && r == kVobWriteDone) r = kVobWriteOutputError;
  CloseSources(w);
  return r;
}

}  // namespace vm
