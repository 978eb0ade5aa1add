// The work-file copy for the external player: which entries each command
// copies, the size rules across VOB files, the work-file names, the
// messages, and that a copy that could not be made whole is never handed
// to the player. The VOB files are tagged sector by sector, so a work file
// can be compared with the sectors it must hold.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/files.h"
#include "play/playback.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

constexpr int64_t kMiB = 1 << 20;

TitleTables& Fresh() {
  static TitleTables* t = new TitleTables();
  std::memset(static_cast<void*>(t), 0, sizeof *t);
  ResetTables(*t);
  return *t;
}

// Sector k of file f: its numbers in the first bytes, a pattern after.
std::string TaggedSector(int f, int k) {
  std::string s(kSectorBytes, static_cast<char>((f * 31 + k) & 0xFF));
  std::snprintf(s.data(), 16, "F%02dS%08d", f, k);
  return s;
}

struct At {
  int file, sector;
};

// VOB files of `sectors` tagged sectors each (the scan covering `scanned`
// of them when given) and one time-list entry at each position.
void MakeTitle(TitleTables& t, const std::string& dir, const std::vector<int>& sectors,
               const std::vector<At>& entries, std::vector<int> scanned = {}) {
  if (scanned.empty()) scanned = sectors;
  t.VobFileNum = static_cast<int32_t>(sectors.size());
  for (size_t f = 0; f < sectors.size(); ++f) {
    const std::string path = dir + "VTS_01_" + std::to_string(f + 1) + ".VOB";
    std::string bytes;
    for (int k = 0; k < sectors[f]; ++k) bytes += TaggedSector(static_cast<int>(f), k);
    ASSERT_TRUE(WriteFile(path, bytes));
    CopyField(t.VobFileName[f], path.c_str());
    t.VobFileSize[f] = double(scanned[f]) * kSectorBytes;
  }
  t.TimeListNum = static_cast<int32_t>(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    t.TimeListFileNo[i] = static_cast<uint8_t>(entries[i].file);
    t.TimeListSector[i] = entries[i].sector;
  }
  t.TimeListFileNo[entries.size()] = static_cast<uint8_t>(t.VobFileNum);
  t.TimeListSector[entries.size()] = scanned.back();
}

// The tagged sectors [from, to) of each (file, from, to).
std::string Expected(const std::vector<std::vector<int>>& parts) {
  std::string s;
  for (const auto& p : parts)
    for (int k = p[1]; k < p[2]; ++k) s += TaggedSector(p[0], k);
  return s;
}

// The tables alone, for the size rules: files of the given bytes.
void SizeTitle(TitleTables& t, const std::vector<double>& bytes, const std::vector<At>& entries) {
  t.VobFileNum = static_cast<int32_t>(bytes.size());
  for (size_t f = 0; f < bytes.size(); ++f) t.VobFileSize[f] = bytes[f];
  t.TimeListNum = static_cast<int32_t>(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    t.TimeListFileNo[i] = static_cast<uint8_t>(entries[i].file);
    t.TimeListSector[i] = entries[i].sector;
  }
}

TEST(PlaySpan, SizeRulesAcrossFiles) {
  TitleTables& t = Fresh();
  // Files of 100, 50 and 80 sectors; entries every 10 sectors in the
  // first, at 0 and 25 in the second and third.
  std::vector<At> e;
  for (int k = 0; k < 100; k += 10) e.push_back({0, k});
  for (At a : {At{1, 0}, At{1, 25}, At{2, 0}, At{2, 40}}) e.push_back(a);
  SizeTitle(t, {100.0 * kSectorBytes, 50.0 * kSectorBytes, 80.0 * kSectorBytes}, e);
  struct Case {
    const char* what;
    int32_t first, end;
    int f0, f1;
    int64_t sectors;
  } cases[] = {
      {"inside one file", 2, 5, 0, 0, 30},
      {"to the first entry of the next file", 9, 10, 0, 1, 10},
      {"into the next file", 9, 11, 0, 1, 35},
      {"across a whole middle file", 9, 13, 0, 2, 10 + 50 + 40},
      {"the last entry: to the end of the last file", 13, 14, 2, 2, 40},
      {"past the last entry", 12, 12 + 20, 2, 2, 80},
      {"from the first file to the end", 5, 600, 0, 2, 50 + 50 + 80},
  };
  for (const Case& c : cases) {
    PlaySpan s{};
    ASSERT_TRUE(PlaySpanOf(t, c.first, c.end, s)) << c.what;
    EXPECT_EQ(s.f0, c.f0) << c.what;
    EXPECT_EQ(s.f1, c.f1) << c.what;
    EXPECT_EQ(s.size, c.sectors * kSectorBytes) << c.what;
  }
}

TEST(PlaySpan, LimitsAndTheirMessages) {
  struct Case {
    const char* what;
    std::vector<double> bytes;
    std::vector<At> entries;
    int32_t first, end;
    bool accepted;
  } cases[] = {
      {"exactly 1 GiB", {1024.0 * kMiB}, {{0, 0}}, 0, 1, true},
      {"1 GiB and a sector", {1024.0 * kMiB + kSectorBytes}, {{0, 0}}, 0, 1, false},
      {"over 1 GiB across files", {600.0 * kMiB, 600.0 * kMiB}, {{0, 0}, {1, 0}}, 0, 2, false},
      // 4 GiB + 1 MiB would wrap to 1 MiB in a 32-bit sum.
      {"a size that wraps in 32 bits",
       {2048.0 * kMiB, 2048.0 * kMiB, 1.0 * kMiB},
       {{0, 0}, {1, 0}, {2, 0}},
       0, 3, false},
      {"an entry past its file's scanned end", {10.0 * kSectorBytes}, {{0, 12}}, 0, 1, false},
      {"an entry in a file the title lacks", {10.0 * kSectorBytes}, {{3, 0}}, 0, 1, false},
      {"a reversed range", {10.0 * kSectorBytes}, {{0, 0}, {0, 5}}, 1, 1, false},
  };
  TempDir prog;
  for (const Case& c : cases) {
    TitleTables& t = Fresh();
    SizeTitle(t, c.bytes, c.entries);
    PlaySpan s{};
    EXPECT_EQ(PlaySpanOf(t, c.first, c.end, s), c.accepted) << c.what;
    if (c.accepted) continue;
    // Refused before any file is touched; the old work files are gone.
    for (PlayMode mode : {PlayMode::Play, PlayMode::AtoB, PlayMode::OneVobu}) {
      WriteFile(prog / "TMP1.MPG", "old");
      WriteFile(prog / "TMP2.MPG", "old");
      RecordingUi ui;
      Path work;
      EXPECT_EQ(WritePlayFile(t, ui, PlayRange{mode, c.first, c.end, false, 0},
                              prog.path().c_str(), work),
                PlayResult::Ignored)
          << c.what;
      EXPECT_EQ(ui.OnlyText(), mode == PlayMode::AtoB
                                   ? "Specified range is too large (>1GB)."
                                   : "An error is occured in calculation of work file size.")
          << c.what;
      EXPECT_FALSE(PathExists((prog / "TMP1.MPG").c_str()));
      EXPECT_FALSE(PathExists((prog / "TMP2.MPG").c_str()));
      EXPECT_EQ(t.BusyFlag, 0);
    }
  }
}

TEST(ChoosePlayRange, CommandsAndTheirRefusals) {
  // Two VOBUs a second of playing time; 0.5 s is one VOBU; outside the
  // list of choices the default of 10 s.
  const std::pair<int32_t, int32_t> counts[] = {{0, 1},    {1, 2},    {15, 30},  {16, 60},
                                                {17, 120}, {21, 600}, {22, 20},  {-1, 20}};
  for (auto [time, vobus] : counts) EXPECT_EQ(PlayVobuCount(time), vobus) << time;

  TitleTables& t = Fresh();
  SizeTitle(t, {1000.0 * kSectorBytes}, {});
  struct Case {
    const char* what;
    int32_t entries, busy, next;
    PlayMode mode;
    PlaySelection sel;
    bool chosen;
    const char* message;
    int32_t first, end, selectLast;
  } cases[] = {
      {"busy: silent", 50, 1, 0, PlayMode::Play, {3, -1, -1}, false, "", 0, 0, 0},
      {"nothing read", 0, 0, 0, PlayMode::OneVobu, {0, -1, -1}, false, "Input data is none.", 0, 0, 0},
      {"play from the caret", 50, 0, 0, PlayMode::Play, {3, 3, 3}, true, "", 3, 23, 3},
      {"no caret counts as line 0", 50, 0, 0, PlayMode::Play, {-1, -1, -1}, true, "", 0, 20, 0},
      {"continue selects its lines", 50, 0, 40, PlayMode::Continue, {3, -1, -1}, true, "", 40, 60, 49},
      {"continue at the end", 50, 0, 50, PlayMode::Continue, {3, -1, -1}, false, "End of file.", 0, 0, 0},
      {"A - B takes first to last", 50, 0, 0, PlayMode::AtoB, {9, 5, 9}, true, "", 5, 10, 9},
      {"A - B with nothing selected", 50, 0, 0, PlayMode::AtoB, {9, -1, -1}, false,
       "Range is not specified.", 0, 0, 0},
      {"double click: one VOBU", 50, 0, 0, PlayMode::OneVobu, {7, -1, -1}, true, "", 7, 8, 7},
  };
  for (const Case& c : cases) {
    t.TimeListNum = c.entries;
    t.BusyFlag = c.busy;
    t.PlayNextIndex = c.next;
    RecordingUi ui;
    PlayRange r{};
    ASSERT_EQ(ChoosePlayRange(t, ui, c.mode, c.sel, kDefaultPlayingTime, r), c.chosen) << c.what;
    EXPECT_EQ(ui.OnlyText(), c.message) << c.what;
    if (!c.chosen) continue;
    EXPECT_EQ(r.mode, c.mode);
    EXPECT_EQ(r.first, c.first) << c.what;
    EXPECT_EQ(r.end, c.end) << c.what;
    EXPECT_EQ(r.selectLines, c.mode == PlayMode::Continue) << c.what;
    if (r.selectLines) {
      EXPECT_EQ(r.selectLast, c.selectLast) << c.what;
    }
  }
}

class PlayFileTest : public ::testing::Test {
 protected:
  void TearDown() override { PlayCopySettings().plainCopy = false; }

  // Two files of 30 and 20 sectors, an entry every 2 sectors (23 entries;
  // entry 13 is the first of the second file). The first file's last
  // 4 sectors lie past its scanned end and are never played.
  TitleTables& Title() {
    TitleTables& t = Fresh();
    std::vector<At> e;
    for (int k = 0; k < 26; k += 2) e.push_back({0, k});
    for (int k = 0; k < 20; k += 2) e.push_back({1, k});
    MakeTitle(t, in_.path(), {30, 20}, e, {26, 20});
    return t;
  }

  PlayResult Play(TitleTables& t, RecordingUi& ui, PlayMode mode, PlaySelection sel,
                  int32_t time = kDefaultPlayingTime) {
    PlayRange r{};
    if (!ChoosePlayRange(t, ui, mode, sel, time, r)) return PlayResult::Ignored;
    return WritePlayFile(t, ui, r, prog_.path().c_str(), work_);
  }

  TempDir in_, prog_;
  Path work_;
};

TEST_F(PlayFileTest, EachCommandCopiesItsEntriesByteForByte) {
  struct Case {
    const char* what;
    PlayMode mode;
    PlaySelection sel;
    int32_t time;
    int32_t next;  // PlayNextIndex before and after
    int32_t nextAfter;
    std::vector<std::vector<int>> parts;  // file, first sector, end sector
  } cases[] = {
      {"double click", PlayMode::OneVobu, {3, -1, -1}, 10, 0, 4, {{0, 6, 8}}},
      {"play inside a file", PlayMode::Play, {2, -1, -1}, 1, 0, 4, {{0, 4, 8}}},
      {"play to the next file's first entry, the unscanned tail left out", PlayMode::Play,
       {11, -1, -1}, 1, 0, 13, {{0, 22, 26}}},
      {"play into the second file", PlayMode::Play, {12, -1, -1}, 1, 0, 14, {{0, 24, 26}, {1, 0, 2}}},
      {"play on the last entry: to the end of the last file", PlayMode::Play, {22, -1, -1}, 10,
       0, 23, {{1, 18, 20}}},
      {"A - B of the selected lines 5 and 9 copies 5 to 9", PlayMode::AtoB, {9, 5, 9}, 10, 0, 10,
       {{0, 10, 20}}},
      {"continue from the index played last", PlayMode::Continue, {0, -1, -1}, 3, 12, 18,
       {{0, 24, 26}, {1, 0, 10}}},
  };
  for (bool plain : {false, true}) {
    PlayCopySettings().plainCopy = plain;
    for (const Case& c : cases) {
      TitleTables& t = Title();
      t.PlayNextIndex = c.next;
      RecordingUi ui;
      ASSERT_EQ(Play(t, ui, c.mode, c.sel, c.time), PlayResult::Ready) << c.what << ui.OnlyText();
      EXPECT_EQ(std::string(work_.c_str()), prog_ / "TMP1.MPG");
      EXPECT_TRUE(ReadFile(work_.c_str()) == Expected(c.parts)) << c.what << " plain " << plain;
      EXPECT_EQ(t.PlayNextIndex, c.nextAfter) << c.what;
      EXPECT_EQ(ui.progressOpen, 0);
      EXPECT_EQ(ui.progressCaptions.size(), 0u) << "16 MiB or less: no progress window";
      EXPECT_EQ(ui.pumps > 0, c.mode != PlayMode::OneVobu) << c.what;
      EXPECT_EQ(t.BusyFlag, 0);
    }
  }
}

TEST_F(PlayFileTest, ContinueAfterAScanAPlayAndADoubleClick) {
  TitleTables& t = Fresh();
  std::vector<At> e;
  for (int k = 0; k < 60; ++k) e.push_back({k < 35 ? 0 : 1, k < 35 ? k : k - 35});
  MakeTitle(t, in_.path(), {35, 25}, e);
  RecordingUi ui;
  t.PlayNextIndex = 0;  // as a scan leaves it
  struct Step {
    PlayMode mode;
    int32_t caret;
    int32_t first;  // the entry the work file starts with
    int32_t next;
  } steps[] = {
      {PlayMode::Continue, 0, 0, 20},  {PlayMode::Play, 10, 10, 30},
      {PlayMode::Continue, 0, 30, 50}, {PlayMode::OneVobu, 7, 7, 8},
      {PlayMode::Continue, 0, 8, 28},  {PlayMode::Play, 45, 45, 60},
  };
  for (const Step& s : steps) {
    ASSERT_EQ(Play(t, ui, s.mode, {s.caret, -1, -1}), PlayResult::Ready) << ui.OnlyText();
    const std::string bytes = ReadFile(work_.c_str());
    ASSERT_GE(bytes.size(), size_t{kSectorBytes});
    EXPECT_EQ(bytes.substr(0, 12), TaggedSector(e[s.first].file, e[s.first].sector).substr(0, 12));
    EXPECT_EQ(t.PlayNextIndex, s.next);
  }
  EXPECT_EQ(Play(t, ui, PlayMode::Continue, {0, -1, -1}), PlayResult::Ignored);
  EXPECT_EQ(ui.OnlyText(), "End of file.");
}

TEST_F(PlayFileTest, SecondWorkFileWhileTheFirstCannotBeReplaced) {
  TitleTables& t = Title();
  // A folder of that name can be neither deleted nor created as a file.
  ASSERT_EQ(mkdir((prog_ / "TMP1.MPG").c_str(), 0755), 0);
  WriteFile(prog_ / "TMP1.MPG/held", "x");
  RecordingUi ui;
  ASSERT_EQ(Play(t, ui, PlayMode::OneVobu, {1, -1, -1}), PlayResult::Ready);
  EXPECT_EQ(std::string(work_.c_str()), prog_ / "TMP2.MPG");
  EXPECT_TRUE(ReadFile(work_.c_str()) == Expected({{0, 2, 4}}));

  ASSERT_EQ(mkdir((prog_ / "TMP2.MPG.d").c_str(), 0755), 0);
  unlink((prog_ / "TMP2.MPG").c_str());
  ASSERT_EQ(rename((prog_ / "TMP2.MPG.d").c_str(), (prog_ / "TMP2.MPG").c_str()), 0);
  const int32_t next = t.PlayNextIndex;
  EXPECT_EQ(Play(t, ui, PlayMode::Play, {1, -1, -1}), PlayResult::Failed);
  EXPECT_EQ(ui.OnlyText(), "Can't create a work file (" + prog_ / "TMP2.MPG" + ").");
  EXPECT_TRUE(work_.empty());
  EXPECT_EQ(t.PlayNextIndex, next);
  EXPECT_EQ(t.BusyFlag, 0);
}

TEST_F(PlayFileTest, ACopyThatCannotBeMadeWholeIsReportedAndNotPlayed) {
  struct Case {
    const char* what;
    void (*breakIt)(const TitleTables& t);
    rlim_t sizeLimit;  // RLIM_INFINITY: none
    const char* message;
  } cases[] = {
      {"first VOB file gone", [](const TitleTables& t) { unlink(t.VobFileName[0]); },
       RLIM_INFINITY, "File open error."},
      {"next VOB file gone", [](const TitleTables& t) { unlink(t.VobFileName[1]); },
       RLIM_INFINITY, "File open error."},
      {"first VOB file shorter than the start",
       [](const TitleTables& t) { (void)truncate(t.VobFileName[0], 10 * kSectorBytes); },
       RLIM_INFINITY, "Display position is invalid (Seek error)."},
      {"first VOB file cut inside the range",
       [](const TitleTables& t) { (void)truncate(t.VobFileName[0], 24 * kSectorBytes); },
       RLIM_INFINITY, "An error is occured in work file writing."},
      {"work file cannot grow", [](const TitleTables&) {}, 3 * kSectorBytes,
       "An error is occured in work file writing."},
  };
  signal(SIGXFSZ, SIG_IGN);
  for (bool plain : {false, true}) {
    PlayCopySettings().plainCopy = plain;
    for (const Case& c : cases) {
      TitleTables& t = Title();
      c.breakIt(t);
      t.PlayNextIndex = 3;
      RecordingUi ui;
      rlimit old{};
      getrlimit(RLIMIT_FSIZE, &old);
      rlimit limit = old;
      limit.rlim_cur = c.sizeLimit;
      setrlimit(RLIMIT_FSIZE, &limit);
      const PlayResult r = Play(t, ui, PlayMode::Play, {11, -1, -1}, 3);  // entries 11..16
      setrlimit(RLIMIT_FSIZE, &old);
      EXPECT_EQ(r, PlayResult::Failed) << c.what;
      EXPECT_EQ(ui.OnlyText(), c.message) << c.what << " plain " << plain;
      EXPECT_TRUE(work_.empty());
      EXPECT_EQ(t.PlayNextIndex, 3) << c.what;
      EXPECT_EQ(t.BusyFlag, 0);
    }
  }
}

// Records the busy flag each time the copy lets input run.
class BusyWatchUi : public RecordingUi {
 public:
  explicit BusyWatchUi(const TitleTables& t) : t_(t) {}
  void PumpMessages() override {
    RecordingUi::PumpMessages();
    busyAtEveryPump = busyAtEveryPump && t_.BusyFlag == 1;
  }
  bool busyAtEveryPump = true;

 private:
  const TitleTables& t_;
};

TEST_F(PlayFileTest, ProgressWindowAbove16MiB) {
  TitleTables& t = Fresh();
  // 8193 sectors after the first entry: one more than 16 MiB.
  MakeTitle(t, in_.path(), {1, 8194}, {{0, 0}, {1, 1}});
  struct Case {
    PlayMode mode;
    PlaySelection sel;
    bool window;
  } cases[] = {{PlayMode::AtoB, {1, 1, 1}, true},
               {PlayMode::AtoB, {0, 0, 0}, false},
               {PlayMode::OneVobu, {1, -1, -1}, false}};
  for (const Case& c : cases) {
    BusyWatchUi ui(t);
    ASSERT_EQ(Play(t, ui, c.mode, c.sel), PlayResult::Ready);
    EXPECT_EQ(ui.progressCaptions, c.window ? std::vector<std::string>{"Display data creating"}
                                            : std::vector<std::string>{});
    EXPECT_EQ(ui.progressOpen, 0);
    EXPECT_FALSE(ui.waitCursor);
    EXPECT_TRUE(ui.busyAtEveryPump);
    EXPECT_EQ(ui.pumps, c.mode == PlayMode::OneVobu ? 0 : 2);  // two chunks; two files
    if (c.window) {
      EXPECT_EQ(ui.lastDone, 8193);
      EXPECT_EQ(ui.lastTotal, 8193);
    }
    EXPECT_EQ(t.BusyFlag, 0);
  }
  EXPECT_EQ(FileSizeOf(work_.c_str()), int64_t{8193} * kSectorBytes);
}

TEST_F(PlayFileTest, ExtractNeverWritesOverTheVobFilesItReads) {
  TitleTables& t = Title();
  const std::string vob = t.VobFileName[0];
  const std::string before = ReadFile(vob);
  TempDir out;
  ASSERT_EQ(symlink(vob.c_str(), (out / "link.mpg").c_str()), 0);
  ASSERT_EQ(link(vob.c_str(), (out / "hard.mpg").c_str()), 0);
  for (const std::string& path : {vob, out / "link.mpg", out / "hard.mpg"}) {
    RecordingUi ui;
    EXPECT_EQ(CopyEntriesToFile(t, ui, 0, 3, path.c_str()), 1) << path;
    EXPECT_EQ(ui.OnlyText(), path + " is a file of the input: it is not overwritten.");
    EXPECT_TRUE(ReadFile(vob) == before) << path;
  }
  RecordingUi ui;
  ASSERT_EQ(CopyEntriesToFile(t, ui, 12, 16, (out / "clip.mpg").c_str()), 0) << ui.OnlyText();
  EXPECT_TRUE(ReadFile(out / "clip.mpg") == Expected({{0, 24, 26}, {1, 0, 6}}));
  EXPECT_TRUE(ReadFile(vob) == before);
}

}  // namespace
}  // namespace vm::testing

namespace vm::testing {
namespace {

// The extract copy ends at a stop request (the work files of the three
// buttons do not: the progress window of "Play" has no stop), and what it
// had written goes with it; an earlier file of that name stays as it was.
TEST_F(PlayFileTest, AStoppedExtractLeavesNoPartOfItsFile) {
  TitleTables& t = Title();
  TempDir out;
  const std::string clip = out / "clip.mpg";
  for (const bool earlier : {false, true}) {
    if (earlier) WriteFile(clip, "earlier clip");
    RecordingUi ui;
    ui.stopAfterPumps = 2;  // the second file's first chunk
    EXPECT_EQ(CopyEntriesToFile(t, ui, 0, 23, clip.c_str()), 1);
    EXPECT_EQ(ui.OnlyText(), "The copy is stopped: nothing is written to " + clip + ".");
    EXPECT_EQ(PathExists(clip.c_str()), earlier);
    if (earlier) {
      EXPECT_EQ(ReadFile(clip), "earlier clip");
    }
    EXPECT_EQ(FileSizeOf((out / ".clip.mpg.part").c_str()), -1);
    EXPECT_EQ(t.BusyFlag, 0);
  }
  RecordingUi ui;
  ui.stopAfterPumps = 1;
  const PlayRange range{PlayMode::AtoB, 0, 23, false, 22};
  EXPECT_EQ(WritePlayFile(t, ui, range, prog_.path().c_str(), work_), PlayResult::Ready)
      << ui.OnlyText();
}

}  // namespace
}  // namespace vm::testing
