#include "author/whole_disc.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "author/cell_split.h"
#include "author/create_messages.h"
#include "author/diagnostic_dump.h"
#include "author/disc_copy.h"
#include "author/ifo_file.h"
#include "author/jump_rewrite.h"
#include "author/nav_rewrite.h"
#include "author/output_folder.h"
#include "common/files.h"
#include "common/timecode.h"
#include "title/title_choice.h"

namespace vm {

namespace {

constexpr char kMultiAngle[] = "Title %d: Multi angle is included (Multi angle not supported).";
constexpr char kInterleave[] = "Title %d: Interleave is included (Interleave not supported).";
constexpr char kNoTitle[] = "Title %d cannot be read: %s.";
constexpr char kIfoUnreadable[] = "%s cannot be read (%s).";
constexpr char kTooManyPrograms[] = "Number of programs > 255.\nReduce number of chapters.";
constexpr char kTooManyChapters[] =
    "Number of chapters is too many (Maximum:127, Standardized:99).";
constexpr char kTooManyAdtCells[] = "Number of cells of the title set is too many.";
constexpr char kKeepsEveryPack[] =
    "The whole disc keeps every pack of the title: its range can't be narrowed and no stream "
    "can be left out.\nSet the range to the whole title and keep every stream, or write the "
    "title alone.";
constexpr char kBadTables[] = "%s is invalid (a program names a cell it does not have).";
constexpr char kCopyError[] = "Can't copy %s.";
constexpr char kNavError[] = "VOB file create error (navigation packs of %s).";
constexpr char kNormalEnd[] = "Normal End.";

constexpr int kMaxDiscFiles = 1024;
constexpr int kNameBytes = 16;  // "VTS_01_1.VOB" and its terminator

struct DiscFile {
  char name[kNameBytes];  // the name written: upper case
  char source[kPathBytes];
  int vts;       // 0: VIDEO_TS.*
  int part;      // 0: IFO, BUP or menu VOB; 1..9 title VOBs
  bool isVob;
  bool isInfo;   // IFO or BUP
  int64_t bytes;
};

struct State {
  dvd::IfoModel vmg;
  dvd::IfoModel vts;
  dvd::IfoStatus st;
  SplitLayout in;
  SplitLayout out;
  TitleSetRenumber map;
  uint32_t marks[kTimeListSlots];
  int fileCount;
  DiscFile files[kMaxDiscFiles];
  uint8_t ifo[dvd::kMaxIfoBytes];
  NavEdit edits[dvd::kMaxCadtEntries];
  uint32_t eltmSector[kMaxSplitPoints];
  int eltmFrames[kMaxSplitPoints];
  int eltmCount;
};

State g_state;
JumpRewriter g_rewriter = RewriteWholeDiscJumps;

bool UpperDigit(char c) { return c >= '0' && c <= '9'; }

// A DVD-Video file name, any case: VIDEO_TS.IFO/BUP/VOB, VTS_nn_0.IFO/BUP,
// VTS_nn_m.VOB. Fills the upper-case name, the set and the part.
bool ParseDvdName(const char* raw, DiscFile& f) {
  char up[kNameBytes] = {};
  const size_t n = std::strlen(raw);
  if (n != 12) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = raw[i];
    up[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  const char* ext = up + 9;
  const bool ifo = std::strcmp(ext, "IFO") == 0, bup = std::strcmp(ext, "BUP") == 0,
             vob = std::strcmp(ext, "VOB") == 0;
  if (up[8] != '.' || !(ifo || bup || vob)) return false;
  if (std::strncmp(up, "VIDEO_TS", 8) == 0) {
    f.vts = 0;
    f.part = 0;
  } else {
    if (std::strncmp(up, "VTS_", 4) != 0 || up[6] != '_' || !UpperDigit(up[4]) ||
        !UpperDigit(up[5]) || !UpperDigit(up[7]))
      return false;
    f.vts = (up[4] - '0') * 10 + (up[5] - '0');
    f.part = up[7] - '0';
    if (f.vts < 1 || (!vob && f.part != 0)) return false;
  }
  std::memcpy(f.name, up, kNameBytes);
  f.isVob = vob;
  f.isInfo = !vob;
  return true;
}

// The DVD files of the input folder, title VOBs of a set in part order.
bool ListDiscFiles(const char* folder, State& s) {
  s.fileCount = 0;
  DIR* d = opendir(folder);
  if (d == nullptr) return false;
  while (dirent* e = readdir(d)) {
    DiscFile f{};
    if (!ParseDvdName(e->d_name, f) || s.fileCount == kMaxDiscFiles) continue;
    Path path;
    if (!path.Format("%s%s", folder, e->d_name)) continue;
    f.bytes = FileSizeOf(path.c_str());
    if (f.bytes < 0) continue;  // not a regular file
    std::memcpy(f.source, path.c_str(), std::strlen(path.c_str()) + 1);
    s.files[s.fileCount++] = f;
  }
  closedir(d);
  std::sort(s.files, s.files + s.fileCount,
            [](const DiscFile& a, const DiscFile& b) { return std::strcmp(a.name, b.name) < 0; });
  return true;
}

CreateResult FailureEnd(TitleTables& t, Ui& ui, const char* text) {
  t.BusyFlag = 0;
  ui.ProgressClose();
  ui.SetWaitCursor(false);
  ui.Information(text, Icon::Exclamation);
  return CreateResult::Failed;
}

// The whole disc is written with every pack where it was: a narrowed range
// or a stream left out would be silently ignored, so they are refused.
bool NarrowsTheTitle(const TitleTables& t) {
  if (t.TimeListNum > 0 && (t.RangeStart != 0 || t.RangeEnd != t.TimeListNum - 1)) return true;
  for (int n = 0; n < kAudioStreamSlots; ++n)
    if (t.DC_A_Use[0][n] != 1) return true;
  for (int n = 0; n < kSubpicStreamSlots; ++n)
    if (t.DC_C_Use[0][n] != 1) return true;
  return false;
}

// The title read must be a whole one: one angle, no interleaved cells.
bool CheckTitle(TitleTables& t, Ui& ui, int title, int& vts, int& pgc) {
  MessageText text;
  if (ListVolumeTitles(t, t.InputFolder) < title) {
    text.Format(kNoTitle, title, "the volume's title table cannot be read");
    ui.Error(text.c_str());
    return false;
  }
  const TitleEntry& e = t.Titles.title[title - 1];
  if (e.fault != TitleFault::None) {
    text.Format(kNoTitle, title, TitleFaultText(e.fault));
    ui.Error(text.c_str());
    return false;
  }
  if (e.angles > 1 || e.interleaved || t.InterleaveDetected) {
    text.Format(e.angles > 1 ? kMultiAngle : kInterleave, title);
    ui.Error(text.c_str());
    return false;
  }
  vts = e.vts;
  pgc = e.pgcn;
  return true;
}

bool ReadModel(const char* folder, const char* name, dvd::IfoModel& m, dvd::IfoStatus& st,
               MessageText& text) {
  Path path;
  if (!FindFileNoCase(folder, name, path)) {
    text.Format(kIfoUnreadable, name, "not found");
    return false;
  }
  st = dvd::IfoStatus{};
  if (dvd::ReadIfoFile(path.c_str(), m, st)) return true;
  text.Format(kIfoUnreadable, name, st.cause.c_str());
  return false;
}

void FillLayout(const dvd::IfoModel& m, SplitLayout& l) {
  const dvd::Pgcit& pt = m.pgcit;
  l.pgcCount = std::clamp(pt.srpCount, 0, kRenumberMaxPgcs);
  for (int g = 0; g < l.pgcCount; ++g) {
    SplitPgc& q = l.pgc[g];
    const int pi = pt.srp[g].pgc;
    if (pi < 0 || pi >= m.pgcs.count) {
      q.cellCount = 0;
      q.programCount = 1;  // names cell 1 of none: refused as a bad layout
      q.programCell[0] = 1;
      continue;
    }
    const dvd::Pgc& p = m.pgcs.pgc[pi];
    q.cellCount = std::min<int>(p.cellCount, kRenumberMaxCells);
    for (int c = 0; c < q.cellCount; ++c)
      q.cell[c] = {p.cells[c].firstSector, p.cells[c].lastSector, p.positions[c].vobId,
                   p.positions[c].cellId};
    q.programCount = std::min<int>(p.programCount, kRenumberMaxPrograms);
    for (int k = 0; k < q.programCount; ++k) q.programCell[k] = p.programMap[k];
  }
  l.titleCount = std::clamp(m.pttSrpt.count, 0, kRenumberMaxTitles);
  for (int t = 0; t < l.titleCount; ++t) {
    const dvd::Ttu& u = m.pttSrpt.ttu[t];
    l.title[t].pttCount = std::clamp(u.count, 0, kRenumberMaxPtts);
    for (int k = 0; k < l.title[t].pttCount; ++k)
      l.title[t].ptt[k] = {u.ptt[k].pgcn, u.ptt[k].pgn};
  }
  l.adtCount = std::clamp(m.titleCadt.count, 0, kMaxAdtCells);
  for (int e = 0; e < l.adtCount; ++e) {
    const dvd::CadtEntry& c = m.titleCadt.entry[e];
    l.adt[e] = {c.startSector, c.lastSector, c.vobId, c.cellId};
  }
}

// The chapter marks of the time list as title-set sectors.
int CollectMarks(const TitleTables& t, uint32_t* marks) {
  int n = 0;
  const int entries = std::clamp(t.TimeListNum, 0, kMaxTimeListEntries);
  for (int i = 0; i < entries; ++i) {
    if ((t.TimeListFlags[i] & TL_CHAPTER) == 0) continue;
    const int f = t.TimeListFileNo[i];
    if (f >= t.VobFileNum || f >= kVobFileSlots) continue;
    marks[n++] = static_cast<uint32_t>(t.VobFileVtsSector[f]) +
                 static_cast<uint32_t>(t.TimeListSector[i]);
  }
  return n;
}

const char* SplitMessage(SplitResult r, const char* ifoName, MessageText& text) {
  switch (r) {
    case SplitResult::TooManyCells: return kTooManyCells;
    case SplitResult::TooManyPrograms: return kTooManyPrograms;
    case SplitResult::TooManyChapters: return kTooManyChapters;
    case SplitResult::TooManyAdtCells: return kTooManyAdtCells;
    default: text.Format(kBadTables, ifoName); return text.c_str();
  }
}

// Copies every file but the information files written afresh; progress in
// sectors over `total`.
const char* CopyFiles(TitleTables& t, AuthorState& a, Ui& ui, int vts, int64_t total,
                      int64_t& done, MessageText& text) {
  State& s = g_state;
  for (int i = 0; i < s.fileCount; ++i) {
    const DiscFile& f = s.files[i];
    if (f.isInfo && (f.vts == 0 || f.vts == vts)) continue;
    Path target;
    if (!target.Format("%s%s", a.OutputFolder, f.name)) return kVobCreateError;
    CopyWay way{};
    if (!CopyWholeFile(f.source, target.c_str(), t.InputFolder, way)) {
      text.Format(kCopyError, f.name);
      return text.c_str();
    }
    done += f.bytes / kSectorBytes;
    ui.ProgressDraw(done, total);
    PumpAndPoll(ui, t.StopRequest);
    if (t.StopRequest == 1) return kStopped;
  }
  return nullptr;
}

bool OpenTitleVobs(const char* folder, int vts, TitleVobFiles& f) {
  f.count = 0;
  for (int part = 1; part <= kMaxTitleVobFiles; ++part) {
    Path path;
    if (!path.Format("%sVTS_%02d_%d.VOB", folder, vts, part) || !PathExists(path.c_str())) break;
    const int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    PreferSmallCopyOnWrite(fd);  // before any navigation pack is written over the copy
    f.fd[f.count] = fd;
    f.sectors[f.count] = FileSizeOf(path.c_str()) / kSectorBytes;
    f.count += 1;
  }
  return true;
}

void CloseTitleVobs(TitleVobFiles& f) {
  for (int i = 0; i < f.count; ++i) close(f.fd[i]);
  f.count = 0;
}

// The elapsed time, in frames at the cell's rate, at a cut.
bool CutFrames(const TitleVobFiles& f, uint32_t sector, int& frames) {
  State& s = g_state;
  for (int i = 0; i < s.eltmCount; ++i)
    if (s.eltmSector[i] == sector) {
      frames = s.eltmFrames[i];
      return true;
    }
  uint8_t tc[4];
  if (!ReadCellElapsed(f, sector, tc)) return false;
  frames = CodeFrames(tc);
  if (s.eltmCount < kMaxSplitPoints) {
    s.eltmSector[s.eltmCount] = sector;
    s.eltmFrames[s.eltmCount++] = frames;
  }
  return true;
}

// The last VOBU start at or before `last`, from the title VOBU map.
uint32_t LastVobuStart(const dvd::VobuAdmap& map, uint32_t first, uint32_t last) {
  const int n = std::clamp(map.count, 0, dvd::kMaxVobus);
  const uint32_t* end = std::upper_bound(map.sector, map.sector + n, last);
  return end == map.sector ? first : std::max(first, *(end - 1));
}

// One program chain's cells, programs and positions from the plan.
bool ApplyPgc(const SplitPgc& from, const SplitPgc& to, dvd::Pgc& p, const dvd::VobuAdmap& map,
              const TitleVobFiles& vobs) {
  static dvd::CellPlayback old[dvd::kMaxPgcCells];
  static dvd::CellPosition oldPos[dvd::kMaxPgcCells];
  std::copy(p.cells, p.cells + dvd::kMaxPgcCells, old);
  std::copy(p.positions, p.positions + dvd::kMaxPgcCells, oldPos);
  for (int j = 0; j < to.cellCount; ++j) {
    const int c = to.srcCell[j];
    const SplitCellRef& piece = to.cell[j];
    const SplitCellRef& src = from.cell[c];
    const dvd::CellPlayback& o = old[c];
    dvd::CellPlayback n = o;
    const bool firstPiece = piece.first == src.first, lastPiece = piece.last == src.last;
    n.firstSector = piece.first;
    n.lastSector = piece.last;
    int start = 0, end = CodeFrames(o.playbackTime);
    if (!firstPiece) {
      // A continuation of the same stream: seamless, no new time base.
      n.category[0] = static_cast<uint8_t>((o.category[0] & ~dvd::kCellStcDiscontinuity) |
                                           dvd::kCellSeamless);
      n.firstIlvuEndSector = 0;
      if (!CutFrames(vobs, piece.first, start)) return false;
    }
    if (!lastPiece) {
      // The cell command and the still time belong to the cell's end.
      n.stillTime = 0;
      n.commandNr = 0;
      n.lastVobuStartSector = LastVobuStart(map, piece.first, piece.last);
      if (!CutFrames(vobs, piece.last + 1, end)) return false;
    }
    CodeFromFrames(end - start, o.playbackTime[3], n.playbackTime);
    p.cells[j] = n;
    p.positions[j] = oldPos[c];
    p.positions[j].cellId = piece.cellId;
  }
  p.cellCount = static_cast<uint8_t>(to.cellCount);
  p.programCount = static_cast<uint8_t>(to.programCount);
  std::copy(to.programCell, to.programCell + to.programCount, p.programMap);
  return true;
}

bool ApplyPlan(State& s, const TitleVobFiles& vobs) {
  dvd::IfoModel& m = s.vts;
  static bool done[dvd::kMaxPgcs];
  std::fill(done, done + dvd::kMaxPgcs, false);
  for (int g = 0; g < s.out.pgcCount; ++g) {
    const int pi = m.pgcit.srp[g].pgc;
    if (done[pi]) continue;  // one chain that several pointers name
    done[pi] = true;
    if (!ApplyPgc(s.in.pgc[g], s.out.pgc[g], m.pgcs.pgc[pi], m.titleVobuAdmap, vobs)) return false;
  }
  for (int t = 0; t < s.out.titleCount; ++t) {
    dvd::Ttu& u = m.pttSrpt.ttu[t];
    const SplitTitle& from = s.out.title[t];
    u.count = from.pttCount;
    for (int k = 0; k < u.count; ++k) u.ptt[k] = {from.ptt[k].pgcn, from.ptt[k].pgn};
  }
  dvd::Cadt& c = m.titleCadt;
  const int n = std::min(s.out.adtCount, dvd::kMaxCadtEntries);
  for (int e = 0; e < n; ++e) {
    const SplitCellRef& r = s.out.adt[e];
    c.entry[e] = {r.vobId, r.cellId, 0, r.first, r.last};
  }
  c.count = n;
  return true;
}

// The navigation-pack edits: every new address entry whose id or extent
// differs from its source entry.
int CollectNavEdits(State& s, const TitleVobFiles& vobs, bool& ok) {
  int count = 0;
  ok = true;
  for (int e = 0; e < s.out.adtCount; ++e) {
    const SplitCellRef& p = s.out.adt[e];
    const SplitCellRef* src = nullptr;
    for (int k = 0; k < s.in.adtCount && src == nullptr; ++k) {
      const SplitCellRef& o = s.in.adt[k];
      if (o.vobId == p.vobId && o.first <= p.first && p.first <= o.last) src = &o;
    }
    if (src == nullptr) continue;
    const bool cut = src->first != p.first || src->last != p.last;
    if (!cut && src->cellId == p.cellId) continue;
    NavEdit edit{p.first, p.last, p.cellId, {}, cut};
    if (src->first != p.first) {
      int frames = 0;
      uint8_t rate[4] = {};
      if (!CutFrames(vobs, p.first, frames) || !ReadCellElapsed(vobs, p.first, rate)) {
        ok = false;
        return count;
      }
      CodeFromFrames(frames, rate[3], edit.eltmOffset);
    }
    s.edits[count++] = edit;
  }
  return count;
}

// VIDEO_TS.IFO: the chapter counts of the edited set's titles, every set
// moved by the growth of VIDEO_TS.IFO and its BUP (`vmgGrowth`), and every
// set that lies after the edited one by the growth of its IFO and BUP.
void UpdateVmg(State& s, const TitleTables& t, int vts, int64_t growth, int64_t vmgGrowth) {
  dvd::TtSrpt& tt = s.vmg.ttSrpt;
  uint32_t editedStart = 0;
  for (int i = 0; i < tt.count; ++i)
    if (tt.title[i].vts == vts) editedStart = tt.title[i].vtsSector;
  for (int i = 0; i < tt.count; ++i) {
    dvd::TtEntry& e = tt.title[i];
    if (e.vts == vts && e.vtsTitle >= 1 && e.vtsTitle <= s.out.titleCount)
      e.chapters = static_cast<uint16_t>(s.out.title[e.vtsTitle - 1].pttCount);
    int64_t sector = e.vtsSector + vmgGrowth;
    if (e.vts != vts && e.vtsSector > editedStart) sector += growth;
    e.vtsSector = static_cast<uint32_t>(sector);
  }
  if (t.RegionMask >= 0 && t.RegionMask <= 255)
    s.vmg.vmgi.category = (s.vmg.vmgi.category & ~0x00FF0000u) |
                          (static_cast<uint32_t>(t.RegionMask) << 16);
}

// The model laid out and written as NAME.IFO and NAME.BUP.
bool WriteInfoFiles(State& s, const dvd::IfoModel& m, const char* folder, const char* stem,
                    const char* inputFolder, size_t& size) {
  s.st = dvd::IfoStatus{};
  if (!dvd::WriteIfo(m, s.ifo, sizeof s.ifo, size, s.st)) return false;
  for (const char* ext : {"IFO", "BUP"}) {
    Path path;
    if (!path.Format("%s%s.%s", folder, stem, ext) || !WriteIfoFile(path.c_str(), inputFolder, s.ifo, size))
      return false;
  }
  return true;
}

int64_t FileSectors(const State& s, int vts, bool info) {
  for (int i = 0; i < s.fileCount; ++i)
    if (s.files[i].vts == vts && s.files[i].isInfo == info && s.files[i].part == 0 &&
        s.files[i].name[9] == 'I')
      return s.files[i].bytes / kSectorBytes;
  return 0;
}

}  // namespace

void SetJumpRewriter(JumpRewriter rewriter) { g_rewriter = rewriter; }

const TitleSetRenumber& LastRenumber() { return g_state.map; }

CreateResult CreateWholeDisc(TitleTables& t, AuthorState& a, Ui& ui,
                             const char* outputFolderText, const char* programFolder,
                             OutputFolderLock* keepLock) {
  if (t.BusyFlag == 1) return CreateResult::Ignored;
  State& s = g_state;
  s.map.vtsNumber = 0;
  if (NarrowsTheTitle(t)) {
    ui.Error(kKeepsEveryPack);
    return CreateResult::Stopped;
  }
  const int title = t.ChosenTitle > 0 ? t.ChosenTitle : 1;
  int vts = 0, pgcn = 0;
  if (!CheckTitle(t, ui, title, vts, pgcn)) return CreateResult::Stopped;
  // The content is the whole title: every pack stays where it is.
  RemoveCurrentTitle(t);
  if (t.TimeListNum > 0 && AddRangeAsContent(t, ui, 0, t.TimeListNum - 1) != 0)
    return CreateResult::Stopped;
  if (t.DC_TitleNum == 0) {
    ui.Error(kNoContents);
    return CreateResult::Stopped;
  }
  // Everything is read and planned before anything is written.
  MessageText text;
  Path vtsName;
  (void)vtsName.Format("VTS_%02d_0.IFO", vts);
  if (!ReadModel(t.InputFolder, "VIDEO_TS.IFO", s.vmg, s.st, text) ||
      !ReadModel(t.InputFolder, vtsName.c_str(), s.vts, s.st, text)) {
    ui.Error(text.c_str());
    return CreateResult::Stopped;
  }
  FillLayout(s.vts, s.in);
  const int markCount = CollectMarks(t, s.marks);
  SplitResult plan = PlanCellSplit(s.in, pgcn, s.marks, markCount, s.out, s.map);
  if (plan != SplitResult::Done) {
    ui.Error(SplitMessage(plan, vtsName.c_str(), text));
    return CreateResult::Stopped;
  }
  s.map.vtsNumber = vts;
  if (!ListDiscFiles(t.InputFolder, s)) {
    ui.Error(kNoContents);
    return CreateResult::Stopped;
  }

  OutputFolderLock lock;
  if (ClaimOutputFolder(t, a, ui, outputFolderText, lock) != 0) return CreateResult::Stopped;
  ui.ProgressOpen(kCreating);
  ui.SetWaitCursor(true);
  t.BusyFlag = 1;
  t.StopRequest = 0;
  int64_t total = 0, done = 0;
  for (int i = 0; i < s.fileCount; ++i) total += s.files[i].bytes / kSectorBytes;
  if (const char* failure = CopyFiles(t, a, ui, vts, total, done, text))
    return FailureEnd(t, ui, failure);

  TitleVobFiles vobs{};
  if (!OpenTitleVobs(a.OutputFolder, vts, vobs)) {
    CloseTitleVobs(vobs);
    return FailureEnd(t, ui, kVobCreateError);
  }
  s.eltmCount = 0;
  bool read = true;
  const int editCount = CollectNavEdits(s, vobs, read);
  if (!read || !ApplyPlan(s, vobs)) {
    CloseTitleVobs(vobs);
    text.Format(kNavError, vtsName.c_str());
    return FailureEnd(t, ui, text.c_str());
  }
  if (g_rewriter != nullptr) {
    WholeDiscEdit edit{vts, a.OutputFolder, &s.vmg, &s.vts, &s.map};
    if (g_rewriter(edit, ui) != 0) {
      CloseTitleVobs(vobs);
      return FailureEnd(t, ui, kVobCreateError);
    }
  }
  int rewritten = 0;
  const int r = RewriteNavPacks(vobs, s.vts.titleVobuAdmap.sector,
                                std::clamp(s.vts.titleVobuAdmap.count, 0, dvd::kMaxVobus),
                                s.edits, editCount, rewritten);
  CloseTitleVobs(vobs);
  if (r != kNavRewriteDone) {
    text.Format(kNavError, vtsName.c_str());
    return FailureEnd(t, ui, text.c_str());
  }

  size_t size = 0;
  Path stem;
  (void)stem.Format("VTS_%02d_0", vts);
  if (!WriteInfoFiles(s, s.vts, a.OutputFolder, stem.c_str(), t.InputFolder, size))
    return FailureEnd(t, ui, kVtsiError);
  const int64_t growth =
      2 * (static_cast<int64_t>(size / kSectorBytes) - FileSectors(s, vts, true));
  // VIDEO_TS.IFO keeps its size unless its tables grew; its length is
  // known once laid out, and the start sectors do not change it.
  s.st = dvd::IfoStatus{};
  if (!dvd::WriteIfo(s.vmg, s.ifo, sizeof s.ifo, size, s.st)) return FailureEnd(t, ui, kVmgiError);
  const int64_t vmgGrowth =
      2 * (static_cast<int64_t>(size / kSectorBytes) - FileSectors(s, 0, true));
  UpdateVmg(s, t, vts, growth, vmgGrowth);
  if (!WriteInfoFiles(s, s.vmg, a.OutputFolder, "VIDEO_TS", t.InputFolder, size))
    return FailureEnd(t, ui, kVmgiError);
  ui.ProgressDraw(total, total);

  t.BusyFlag = 0;
  ui.ProgressClose();
  ui.SetWaitCursor(false);
  ui.Information(kNormalEnd);
  // What the jump rewriting has to tell, once, after the end message.
  if (g_rewriter == RewriteWholeDiscJumps && !LastJumpReport().empty())
    ui.Information(LastJumpReport().c_str());
  WriteDiagnosticDump(t, programFolder);
  if (keepLock != nullptr) keepLock->TakeFrom(lock);
  return CreateResult::NormalEnd;
}

}  // namespace vm
