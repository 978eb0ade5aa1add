#include "author/vob_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "author/pack_copy.h"
#include "author/source_attributes.h"
#include "author/stream_filters.h"
#include "common/be.h"
#include "common/files.h"
#include "common/output_file.h"
#include "common/scr.h"
#include "common/timecode.h"
#include "dvd/nav_pack.h"
#include "dvd/scrambling.h"

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
  int fdList = -1;  // the list whose file fd is
  int64_t pos = 0;
  double remaining = 0;
  int local = 0;
};

// Notes a fault of list `list`'s source at byte `at` of its file; the
// result every source fault returns.
int NoteSourceFault(Writer& w, int32_t fault, int list, int64_t at, int err = 0) {
  AuthorState& a = w.a;
  if (a.SourceFault == kSourceNoFault) {
    a.SourceFault = fault;
    a.SourceFaultList = list;
    a.SourceFaultSector = at >= 0 ? at / kPackBytes : -1;
    a.SourceFaultErrno = err;
  }
  return kVobWriteSourceError;
}

// The list's source is still the file the read scanned: the open file
// itself and the file its name now leads to. A list made without a read
// (no identity taken) has nothing to hold it against.
bool SourceUnchanged(const Writer& w, int fd, int list) {
  const FileIdentity& known = w.t.DC_SrcId[list];
  if (!IdentityTaken(known)) return true;
  FileIdentity now{}, named{};
  return IdentityOf(fd, now) && SameIdentity(now, known) &&
         IdentityOf(w.t.DC_SrcFName[list], named) && SameIdentity(named, known);
}

// The pending run may still read the sources: it is copied first, and then
// the list's file is held against what the read found, so that a file
// changed while its packs were copied does not pass.
int CloseSources(Writer& w) {
  int r = FlushPackCopies(w.a) ? kVobWriteDone : kVobWriteOutputError;
  if (r == kVobWriteDone && w.fd >= 0 && !SourceUnchanged(w, w.fd, w.fdList))
    r = NoteSourceFault(w, kSourceChanged, w.fdList, -1);
  if (w.fd >= 0) close(w.fd);
  w.fd = -1;
  return r;
}

int OpenList(Writer& w) {
  int l = w.a.CurListIdx;
  // Not left waiting on a FIFO put in the file's place: the type is
  // checked before anything is read.
  w.fd = open(w.t.DC_SrcFName[l], O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (w.fd < 0) return kVobWriteSourceError;
  w.fdList = l;
  struct stat st;
  if (fstat(w.fd, &st) != 0 || !S_ISREG(st.st_mode) || !SourceUnchanged(w, w.fd, l)) {
    close(w.fd);
    w.fd = -1;
    return NoteSourceFault(w, kSourceChanged, l, -1);
  }
  // The list's place in its file comes from the title's extent table.
  w.pos = ListSourceOffset(w.t, l);
  if (w.t.DC_StartVobu[l] < -1) {
    CloseSources(w);
    return kVobWriteSourceError;
  }
  w.remaining = w.t.DC_TotalSize[l];
  return kVobWriteDone;
}

// Reads `want` bytes of the current list to buf+at. A read error, or a file
// that ends before them (cut short since the read), is the source's fault,
// noted with its sector.
int ReadList(Writer& w, size_t at, int64_t want) {
  int64_t failedAt = w.pos;
  const int64_t got = PreadFully(w.fd, w.buf + at, static_cast<size_t>(want), w.pos, failedAt);
  if (got < 0) return NoteSourceFault(w, kSourceReadError, w.fdList, failedAt, errno);
  if (got < want) return NoteSourceFault(w, kSourceEndedEarly, w.fdList, w.pos + got);
  return kVobWriteDone;
}

int64_t Capped(int64_t want, double remaining) {
  if (static_cast<double>(want) >= remaining) want = static_cast<int64_t>(remaining + 0.5);
  return want < 0 ? 0 : want;
}

// One chunk of the current list: `got` bytes read to the buffer after the
// carry, their packs noted in the source map.
int ReadChunk(Writer& w, int64_t& got) {
  got = Capped(w.chunkBytes - w.carry, w.remaining);
  if (int r = ReadList(w, w.carry, got); r != kVobWriteDone) return r;
  NoteChunkPacks(w.a.ChunkSrc, w.carry / kPackBytes, static_cast<int>(got / kPackBytes), w.fd,
                 w.pos, w.a.CurListIdx);
  w.pos += got;
  w.remaining -= got;
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
  OutputStatus opened;
  a.OutFd = OpenOutputInPlace(path.c_str(), w.t.InputFolder, opened);
  return a.OutFd < 0 ? kVobWriteOutputError : kVobWriteDone;
}

int ProcessPacks(Writer& w, int packs) {
  AuthorState& a = w.a;
  int firstUnwritten = 0;
  for (int i = 0; i < packs; ++i) {
    uint8_t* p = w.buf + static_cast<size_t>(i) * kPackBytes;
    if (a.ChunkSrc.list[i] != w.lastList) EnterList(w, a.ChunkSrc.list[i]);
    if (IsScrambledPack(p))
      return NoteSourceFault(w, kSourceEncrypted, a.ChunkSrc.list[i], a.ChunkSrc.offset[i]);
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

int Chunk(Writer& w, int64_t got) {
  AuthorState& a = w.a;
  int first = w.carry / kPackBytes;
  int packs = static_cast<int>((got + w.carry) / kPackBytes);
  w.carry = 0;
  if (packs == 0) return kVobWriteDone;
  PictureSizeSearch(w, packs);
  FilterChunk c{w.buf, first, packs, 0, static_cast<int64_t>(w.remaining + 0.5) > 0};
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
      if (int r = ReadChunk(w, got); r != kVobWriteDone) return r;
      if (int r = Chunk(w, got); r != kVobWriteDone) return r;
    }
    if (int r = CloseSources(w); r != kVobWriteDone) return r;
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
  a.SourceFault = kSourceNoFault;
  a.SourceFaultList = -1;
  a.SourceFaultSector = -1;
  a.SourceFaultErrno = 0;
  StartPackCopies(a);
  int r = ReadLists(w);
  if (r == kVobWriteDone) r = FinishVobu(w, false, 0);
  if (!FlushPackCopies(a) && r == kVobWriteDone) r = kVobWriteOutputError;
  CloseSources(w);
  // A copy that failed reading its source is the source's fault, not the
  // output's.
  if (r == kVobWriteOutputError && a.Run.inFault != kSourceNoFault)
    r = NoteSourceFault(w, a.Run.inFault, a.Run.inList, a.Run.inFaultAt, a.Run.inFaultErrno);
  return r;
}

}  // namespace vm
