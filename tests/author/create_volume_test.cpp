// The volume driver on synthetic title sets: every message of the checks,
// the output folder rules (the input under another name is refused before
// anything is touched), old files, the size limits on sparse sources, a
// stop request, a filling disk, the dump; and the input folder is never
// changed.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "author/create_volume.h"
#include "author/output_folder.h"
#include "common/timecode.h"
#include "tests/support/dvd_check.h"
#include "tests/support/recording_ui.h"
#include "tests/support/synth_title.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::ReadFile;
using testing::RunCommand;

TitleTables& T() {
  static TitleTables* t = new TitleTables();
  return *t;
}
AuthorState& A() {
  static AuthorState* a = new AuthorState();
  return *a;
}

constexpr char kNormalEnd[] = "Normal End.";
constexpr size_t kVtsVideoAttributes = 0x200;  // VTS_V_ATR in VTS_01_0.IFO
constexpr char kStopped[] = "DVD-Video volume creating process is stopped.";

bool Exists(const std::string& path) { return RunCommand("test -e '" + path + "'") == 0; }

// Every entry of a folder with its bytes (or, for big sparse files, size
// and modification time), so that any change shows.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> out;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return out;
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (lstat((folder + name).c_str(), &st) != 0) continue;
    std::string key = std::to_string(st.st_mode) + "/" + std::to_string(st.st_size) + "/" +
                      std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
    out[name] = st.st_size < (64 << 20) ? key + ReadFile(folder + name) : key;
  }
  closedir(dir);
  return out;
}

class CreateVolumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    in = root / "in/";
    out = root / "out/";
    ASSERT_EQ(mkdir(in.c_str(), 0755), 0);
    ResetTables(T());
    std::memset(&A(), 0, sizeof(AuthorState));
    A().OutFd = -1;
  }
  void TearDown() override {
    if (!before.empty()) {
      EXPECT_EQ(Snapshot(in), before) << "the input folder changed";
    }
  }

  // A title of `vobus` VOBUs of `packs` packs, cells at the given VOBUs,
  // loaded into the time list as the scan would.
  void Load(int vobus, int packs, const std::vector<int>& cells = {0}) {
    LoadVobus(testing::EvenVobus(vobus, packs, cells), packs);
  }
  // The VOBUs as given (all of `packs` packs); a 625/50 title set when `pal`.
  void LoadVobus(const std::vector<testing::SynthVobu>& vobus, int packs, bool pal = false) {
    testing::SynthTitleSet set(in);
    ASSERT_TRUE(set.WriteIfos({0}));
    if (pal) {
      std::string ifo = ReadFile(in + "VTS_01_0.IFO");
      ifo[kVtsVideoAttributes] = static_cast<char>(ifo[kVtsVideoAttributes] | 0x10);
      ASSERT_TRUE(set.WriteFile("VTS_01_0.IFO", testing::Bytes(ifo.begin(), ifo.end())));
    }
    int64_t sectors = set.WriteVob("VTS_01_1.VOB", vobus);
    LoadTimeList(static_cast<int>(vobus.size()), packs, sectors);
  }
  void LoadTimeList(int vobus, int packs, int64_t sectors) {
    TitleTables& t = T();
    CopyField(t.InputFolder, in.c_str());
    t.VobFileNum = 1;
    CopyField(t.VobFileName[0], (in + "VTS_01_1.VOB").c_str());
    t.VobFileSize[0] = static_cast<double>(sectors) * 2048;
    t.TimeListNum = vobus;
    for (int i = 0; i < vobus; ++i) {
      t.TimeListSector[i] = i * packs;
      t.TimeListFileNo[i] = 0;
      t.TimeListFlags[i] = 0;
    }
    t.TimeListFlags[0] = TL_CELL_START;
    t.TimeListFileNo[vobus] = 1;
    t.TimeListSector[vobus] = static_cast<int32_t>(sectors);
    t.RangeStart = 0;
    t.RangeEnd = vobus - 1;
    before = Snapshot(in);
  }

  CreateResult Run(const std::string& folder) {
    return CreateVolume(T(), A(), ui, folder.c_str(), program.path().c_str());
  }

  testing::TempDir root, program;
  std::string in, out;
  RecordingUi ui;
  std::map<std::string, std::string> before;
};

TEST_F(CreateVolumeTest, NormalEndWritesAVolumeLibdvdreadAccepts) {
  Load(12, 4, {0});
  T().TimeListFlags[4] |= TL_CHAPTER;
  T().TimeListFlags[8] |= TL_CHAPTER;
  ASSERT_EQ(Run(out), CreateResult::NormalEnd);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, "Information");
  EXPECT_EQ(ui.messages[0].icon, Icon::Information);
  EXPECT_EQ(ui.messages[0].text, kNormalEnd);
  EXPECT_EQ(ui.progressCaptions, (std::vector<std::string>{"DVD-Video volume creating",
                                                           "VOBU pointers updating",
                                                           "DVD-Video volume creating"}));
  EXPECT_EQ(ui.progressOpen, 0);
  EXPECT_FALSE(ui.waitCursor);
  EXPECT_EQ(T().BusyFlag, 0);
  EXPECT_EQ(T().ChapterNumNew[0], 3);
  EXPECT_EQ(T().StartIndex[0][T().PrgNum[0]], 48);
  for (const char* name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP", "VTS_01_0.IFO", "VTS_01_0.BUP"})
    EXPECT_TRUE(Exists(out + name)) << name;
  EXPECT_EQ(ReadFile(out + "VTS_01_1.VOB").size(), 48u * 2048);
  EXPECT_EQ(ReadFile(out + "VIDEO_TS.IFO"), ReadFile(out + "VIDEO_TS.BUP"));
  EXPECT_EQ(ReadFile(out + "VTS_01_0.IFO"), ReadFile(out + "VTS_01_0.BUP"));
  testing::DvdReadReport r = testing::ReadWithDvdRead(out);
  EXPECT_TRUE(r.vmgOpened);
  EXPECT_TRUE(r.vtsOpened);
  EXPECT_EQ(r.titles, 1);
  EXPECT_EQ(r.chapters, 3);
  EXPECT_EQ(r.ptts, 3);
  EXPECT_EQ(r.cells, 3);
  EXPECT_TRUE(r.log.empty()) << r.Log();
  // No marker file: no dump.
  EXPECT_FALSE(Exists(program / "DEBUG.TXT"));
}

// Cell, title and elapsed times are the presentation time the source's
// VOBUs carry (not their SCR steps), at the title's own rate, read back by
// libdvdread; a VOBU with damaged PTMs counts its SCR step and is counted.
TEST_F(CreateVolumeTest, TimesAreThePresentationTimeAtTheTitlesRate) {
  struct Case {
    const char* name;
    bool pal;
    std::vector<uint32_t> ptm;  // per VOBU; 0 = damaged (counts 45000, the SCR step)
    std::vector<int> chapters;  // VOBUs after the first that start one
  };
  const std::vector<Case> cases = {
      {"NTSC, VOBUs shorter than their SCR steps", false, std::vector<uint32_t>(12, 40040),
       {4, 8}},
      {"PAL", true, std::vector<uint32_t>(10, 43200), {3, 7}},
      {"NTSC with a damaged VOBU", false, {45045, 45045, 45045, 45045, 45045, 0, 45045, 45045},
       {4}},
      {"NTSC, a chapter at every VOBU", false, std::vector<uint32_t>(30, 45045),
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24,
        25, 26, 27, 28, 29}},
  };
  constexpr int kPacks = 3;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    ASSERT_EQ(RunCommand("rm -rf '" + in + "' '" + out + "'"), 0);
    SetUp();
    std::vector<testing::SynthVobu> vobus = testing::EvenVobus(static_cast<int>(c.ptm.size()), kPacks);
    int damaged = 0;
    for (size_t v = 0; v < vobus.size(); ++v) {
      vobus[v].ptmTicks = c.ptm[v];
      damaged += c.ptm[v] == 0;
    }
    LoadVobus(vobus, kPacks, c.pal);
    for (int v : c.chapters) T().TimeListFlags[v] |= TL_CHAPTER;
    ui.messages.clear();
    ASSERT_EQ(Run(out), CreateResult::NormalEnd);
    EXPECT_EQ(ui.Texts().back(), damaged == 0 ? std::string(kNormalEnd)
                                               : "Normal End (Number of NG PACKs=" +
                                                     std::to_string(damaged) + ").");
    // The presentation time at each VOBU's start, from the title's and from
    // its cell's start.
    std::vector<int64_t> title(vobus.size() + 1, 0), cell(vobus.size(), 0);
    std::vector<int64_t> cellTicks;
    for (size_t v = 0; v < vobus.size(); ++v) {
      const bool starts = v == 0 || std::count(c.chapters.begin(), c.chapters.end(), v) > 0;
      if (starts) cellTicks.push_back(0);
      cell[v] = cellTicks.back();
      const int64_t d = c.ptm[v] == 0 ? 45000 : c.ptm[v];
      cellTicks.back() += d;
      title[v + 1] = title[v] + d;
    }
    const double frameMs = c.pal ? 40.0 : 1001.0 / 30.0;
    const uint8_t rate = c.pal ? 0x40 : 0xC0;
    testing::DvdReadReport r = testing::ReadWithDvdRead(out);
    EXPECT_TRUE(r.log.empty()) << r.Log();
    ASSERT_EQ(r.cellTimes.size(), cellTicks.size());
    int64_t sumTicks = 0, sumMs = 0;
    for (size_t k = 0; k < cellTicks.size(); ++k) {
      const uint8_t* tc = r.cellTimes[k].data();
      EXPECT_EQ(tc[3] & 0xC0, rate) << k;
      sumTicks += cellTicks[k];
      sumMs += TimeCodeMs(tc);
      EXPECT_LE(std::abs(TimeCodeMs(tc) - cellTicks[k] / 90.0), frameMs + 1) << k;
      EXPECT_LE(std::abs(sumMs - sumTicks / 90.0), frameMs / 2 + 1) << k;
    }
    EXPECT_EQ(r.pgcTime[3] & 0xC0, rate);
    EXPECT_LE(std::abs(TimeCodeMs(r.pgcTime.data()) - title.back() / 90.0), frameMs / 2);
    EXPECT_EQ(r.tmapEntries, static_cast<int>((title.back() - 1) / 270000));
    const std::string vob = ReadFile(out + "VTS_01_1.VOB");
    ASSERT_EQ(vob.size(), vobus.size() * kPacks * 2048);
    for (size_t v = 0; v < vobus.size(); ++v) {
      const uint8_t* nav = reinterpret_cast<const uint8_t*>(vob.data()) + v * kPacks * 2048;
      for (int at : {0x45, 0x423}) {
        EXPECT_EQ(nav[at + 3] & 0xC0, rate) << v;
        EXPECT_LE(std::abs(TimeCodeMs(nav + at) - cell[v] / 90.0), frameMs / 2 + 1) << v;
      }
    }
  }
}

TEST_F(CreateVolumeTest, BusyOrEmptyInputOrBadSourceIfoStopsWithItsMessage) {
  T().BusyFlag = 1;
  EXPECT_EQ(Run(out), CreateResult::Ignored);
  EXPECT_TRUE(ui.messages.empty());
  T().BusyFlag = 0;
  EXPECT_EQ(Run(out), CreateResult::Stopped);
  EXPECT_EQ(ui.OnlyText(), "Input data is none.");

  Load(4, 3);
  const std::string vtsi = in + "VTS_01_0.IFO";
  std::string good = ReadFile(vtsi);
  struct Case { std::string bytes; const char* message; };
  std::string noPgc = good;
  noPgc[0x800] = noPgc[0x801] = 0;  // the VTS_PGCIT at sector 1 holds no PGC
  std::string farPgc = good;
  farPgc[0xCF] = 40;
  std::string shortFile = good.substr(0, 0x810);
  for (const Case& c : {Case{"", "VTSI file open error."},
                        Case{"DVDVIDEO-VMG" + good.substr(12), "VTSI file format is invalid."},
                        Case{farPgc, "VTSI file format is invalid."},
                        Case{shortFile, "VTSI file format is invalid."},
                        Case{noPgc, "Invalid Program Chain No (Range: 1\u301C0)."}}) {
    if (c.bytes.empty()) {
      unlink(vtsi.c_str());
    } else {
      ASSERT_TRUE(testing::WriteFile(vtsi, c.bytes));
    }
    before = Snapshot(in);
    ui.Clear();
    EXPECT_EQ(Run(out), CreateResult::Stopped);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Error");
    EXPECT_EQ(ui.messages[0].text, c.message);
    EXPECT_FALSE(Exists(out));
  }
}

TEST_F(CreateVolumeTest, OutputFolderMustBeFullAndIsCreatedLevelByLevel) {
  Load(4, 3);
  for (const char* text : {"", "relative/VIDEO_TS", "VIDEO_TS"}) {
    ui.Clear();
    EXPECT_EQ(Run(text), CreateResult::Stopped);
    EXPECT_EQ(ui.OnlyText(), "Output folder must be a full path name (e.g. /home/user/VIDEO_TS).");
  }
  ui.Clear();
  EXPECT_EQ(Run("/" + std::string(250, 'x')), CreateResult::Stopped);
  EXPECT_EQ(ui.OnlyText(), "Output folder name is too long.");

  ASSERT_TRUE(testing::WriteFile(root / "plain", "a file"));
  ui.Clear();
  EXPECT_EQ(Run(root / "plain"), CreateResult::Stopped);
  EXPECT_EQ(ui.OnlyText(), "Can't create output folder.");
  ui.Clear();
  EXPECT_EQ(Run(root / "plain/sub"), CreateResult::Stopped);
  EXPECT_EQ(ui.OnlyText(), "Can't create output folder.");

  ui.Clear();
  EXPECT_EQ(Run(root / "a/b/c"), CreateResult::NormalEnd);
  EXPECT_TRUE(Exists(root / "a/b/c/VIDEO_TS.IFO"));

  // The root is taken as it is, without a look-up.
  ui.Clear();
  EXPECT_EQ(PrepareOutputFolder(T(), A(), ui, "/"), 0);
  EXPECT_STREQ(A().OutputFolder, "/");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CreateVolumeTest, InputFolderUnderAnyNameIsRefusedBeforeAnythingIsTouched) {
  Load(4, 3);
  ASSERT_TRUE(testing::WriteFile(in + "old.bup", "old"));  // would be deleted if not refused
  before = Snapshot(in);
  ASSERT_EQ(symlink(in.c_str(), (root / "link").c_str()), 0);
  std::string upper = root.path() + "IN";
  for (const std::string& name : {in, in.substr(0, in.size() - 1), upper, root / "link",
                                  root / "link/", root / "in/../in", root / "in/./"}) {
    ui.Clear();
    EXPECT_EQ(Run(name), CreateResult::Stopped) << name;
    EXPECT_EQ(ui.OnlyText(), "Input folder name is equal to output folder name.") << name;
  }
  EXPECT_FALSE(Exists(upper));
}

TEST_F(CreateVolumeTest, OldOutputFilesAreDeletedOnlyAfterYes) {
  Load(4, 3);
  ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
  ASSERT_TRUE(testing::WriteFile(out + "vts_02_1.vob", "old"));
  ASSERT_TRUE(testing::WriteFile(out + ".hidden.Ifo", "old"));
  ASSERT_TRUE(testing::WriteFile(out + "readonly.BUP", "old"));
  ASSERT_TRUE(testing::WriteFile(out + "notes.txt", "kept"));
  chmod((out + "readonly.BUP").c_str(), 0444);
  // A link to an input file: the link goes, the input file stays as it is.
  ASSERT_EQ(symlink((in + "VTS_01_1.VOB").c_str(), (out + "link.vob").c_str()), 0);

  ui.answers = {Answer::No};
  EXPECT_EQ(Run(out), CreateResult::Stopped);
  EXPECT_EQ(ui.OnlyText(),
            "[*.VOB, *.IFO, *.BUP] are exist in output folder.\nDelete these files or not ?");
  EXPECT_EQ(ui.messages[0].caption, "Confirm");
  EXPECT_TRUE(Exists(out + "vts_02_1.vob"));
  EXPECT_FALSE(Exists(out + "VIDEO_TS.IFO"));

  ui.Clear();
  ui.answers = {Answer::Yes};
  EXPECT_EQ(Run(out), CreateResult::NormalEnd);
  for (const char* gone : {"vts_02_1.vob", ".hidden.Ifo", "readonly.BUP", "link.vob"})
    EXPECT_FALSE(Exists(out + gone)) << gone;
  EXPECT_EQ(ReadFile(out + "notes.txt"), "kept");
  EXPECT_EQ(ui.Texts().back(), kNormalEnd);
}

TEST_F(CreateVolumeTest, AFolderWithADvdExtensionCannotBeDeleted) {
  Load(4, 3);
  ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((out + "X.VOB").c_str(), 0755), 0);
  EXPECT_EQ(Run(out), CreateResult::Stopped);
  EXPECT_EQ(ui.Texts().back(), out + "X.VOB is a folder. Can't delete it.");
  EXPECT_EQ(ui.messages.back().caption, "Error");
}

class SizeLimits : public CreateVolumeTest {
 protected:
  // A sparse source of `sectors` sectors whose first VOBU is real.
  void LoadSparse(int64_t sectors) {
    testing::SynthTitleSet set(in);
    ASSERT_TRUE(set.WriteIfos({0}));
    ASSERT_TRUE(set.WriteSparse("VTS_01_1.VOB", sectors * 2048));
    testing::SynthVobu v;
    v.packs = 4;
    ASSERT_TRUE(set.WriteAt("VTS_01_1.VOB", 0, testing::VobuBytes(v)));
    LoadTimeList(1, 4, sectors);
  }
};

TEST_F(SizeLimits, NineVobFilesIsTheTitleLimit) {
  LoadSparse(4718583);
  ui.answers = {Answer::No};  // the single-layer question follows
  EXPECT_EQ(Run(out), CreateResult::Stopped);
  EXPECT_EQ(ui.OnlyText(),
            "Data size is beyond single layer size (4.3GB).\nThis data can't be written to "
            "DVD+R/RW, DVD-R/RW.\nContinue ?");
  EXPECT_EQ(ui.progressOpen, 0);
  EXPECT_FALSE(ui.waitCursor);
  EXPECT_FALSE(Exists(out + "VTS_01_1.VOB"));

  LoadSparse(4718584);
  ui.Clear();
  EXPECT_EQ(Run(out), CreateResult::Failed);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Title data size > 9GB.\nThis data can't be edited.");
  EXPECT_EQ(ui.messages[0].caption, "Information");
  EXPECT_EQ(ui.messages[0].icon, Icon::Exclamation);
  EXPECT_EQ(ui.progressOpen, 0);
  EXPECT_EQ(T().BusyFlag, 0);
  EXPECT_FALSE(Exists(out + "VTS_01_1.VOB"));
}

TEST_F(SizeLimits, SingleLayerQuestionFromOneSectorOver) {
  LoadSparse(2254438);
  ui.stopAfterPumps = 1;  // stop at once: the sizes are what is tested
  EXPECT_EQ(Run(out), CreateResult::Failed);
  EXPECT_EQ(ui.OnlyText(), kStopped);

  LoadSparse(2254439);
  ui.Clear();
  ui.answers = {Answer::Yes};
  EXPECT_EQ(Run(out), CreateResult::Failed);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].caption, "Confirm");
  EXPECT_EQ(ui.messages[1].text, kStopped);
}

TEST_F(CreateVolumeTest, StopRequestEndsStoppedWithoutVmgiOrDump) {
  Load(40, 3);
  ASSERT_TRUE(testing::WriteFile(program / "VOBMARKS.OBJ", ""));
  ui.stopAfterPumps = 1;
  EXPECT_EQ(Run(out), CreateResult::Failed);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kStopped);
  EXPECT_EQ(ui.messages[0].icon, Icon::Exclamation);
  EXPECT_FALSE(Exists(out + "VIDEO_TS.IFO"));
  EXPECT_FALSE(Exists(program / "DEBUG.TXT"));
  EXPECT_EQ(T().BusyFlag, 0);
  EXPECT_EQ(ui.progressOpen, 0);
}

TEST_F(CreateVolumeTest, DumpAfterANormalEndWhenTheMarkerExists) {
  Load(6, 3);
  ASSERT_TRUE(testing::WriteFile(program / "VOBMARKS.OBJ", ""));
  ASSERT_EQ(Run(out), CreateResult::NormalEnd);
  std::string dump = ReadFile(program / "DEBUG.TXT");
  EXPECT_EQ(dump.rfind("ExtendMode=0\r\n\r\nDC_TitleNum=1\r\n", 0), 0u);
  EXPECT_NE(dump.find("DC_VtsiFName [ 0]   =" + in + "VTS_01_0.IFO\r\n"), std::string::npos);
}

TEST_F(CreateVolumeTest, DamagedPacksAreCountedInTheEndMessage) {
  Load(6, 3);
  testing::SynthTitleSet set(in);
  ASSERT_TRUE(set.WriteAt("VTS_01_1.VOB", 5, testing::DamagedPack()));
  before = Snapshot(in);
  EXPECT_EQ(Run(out), CreateResult::NormalEnd);
  EXPECT_EQ(ui.Texts().back(), "Normal End (Number of NG PACKs=1).");
  EXPECT_EQ(ui.messages.back().icon, Icon::Information);
}

TEST_F(CreateVolumeTest, AnExactlyFullFirstFileLeavesNoEmptySecondFile) {
  Load(6, 3);
  A().SplitPacks = 18;
  ASSERT_EQ(Run(out), CreateResult::NormalEnd);
  EXPECT_EQ(ReadFile(out + "VTS_01_1.VOB").size(), 18u * 2048);
  EXPECT_FALSE(Exists(out + "VTS_01_2.VOB"));
}

TEST_F(CreateVolumeTest, AFillingDiskEndsInAFailureMessage) {
  Load(64, 4);  // 512 KiB of VOB
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim = {256 << 10, 256 << 10};
    setrlimit(RLIMIT_FSIZE, &lim);
    CreateResult r = Run(out);
    bool ok = r == CreateResult::Failed && ui.messages.size() == 1 &&
              ui.messages[0].text == "VOB file create error." &&
              ui.messages[0].icon == Icon::Exclamation && T().BusyFlag == 0;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(Exists(out + "VIDEO_TS.IFO"));
}

}  // namespace
}  // namespace vm
