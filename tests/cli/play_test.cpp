// vobmarks-cli extract and play on a title of two VOB files: the bytes of
// each range, refusals that write nothing, the desktop program's history
// file read and never changed, and the player started without a shell.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "app/history.h"
#include "common/files.h"
#include "tests/support/synth_title.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

class PlayCliTest : public ::testing::Test {
 protected:
  // Five VOBUs of 4 packs in VTS_01_1.VOB (entries 1-5 at sectors 0, 4, 8,
  // 12, 16) and three in VTS_01_2.VOB (entries 6-8 at sectors 0, 4, 8).
  void SetUp() override {
    SynthTitleSet set(in_.path());
    ASSERT_TRUE(set.WriteIfos({0}));
    std::vector<SynthVobu> second = EvenVobus(3, 4, {});
    for (SynthVobu& v : second) v.scr += 5 * 45000u, v.celtmFrames += 75;
    ASSERT_EQ(set.WriteVob("VTS_01_1.VOB", EvenVobus(5, 4)), 20);
    ASSERT_EQ(set.WriteVob("VTS_01_2.VOB", second), 12);
    vob1_ = ReadFile(in_ / "VTS_01_1.VOB");
    vob2_ = ReadFile(in_ / "VTS_01_2.VOB");
  }

  std::string Cli(const std::string& args, int* status) {
    return RunAndCapture("VOBMARKS_HOME='" + prog_.path() + "' " + VM_CLI_PATH + " " + args +
                             " 2>&1 </dev/null",
                         status);
  }

  // Sectors [from, to) of file 1 or 2.
  std::string Sectors(int file, int from, int to) const {
    return (file == 1 ? vob1_ : vob2_).substr(from * 2048, (to - from) * 2048);
  }

  void ExpectInputUnchanged() {
    EXPECT_TRUE(ReadFile(in_ / "VTS_01_1.VOB") == vob1_);
    EXPECT_TRUE(ReadFile(in_ / "VTS_01_2.VOB") == vob2_);
  }

  // A player whose name has spaces and shell characters; it records its
  // arguments, one a line, in args.txt.
  std::string MakePlayer() {
    const std::string player = prog_ / "my player; echo $HOME &";
    WriteFile(player, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                          prog_ / "args.tmp" + "'\nmv '" + prog_ / "args.tmp" + "' '" +
                          prog_ / "args.txt" + "'\n");
    chmod(player.c_str(), 0755);
    return player;
  }

  // The player's arguments, once it has run (it is not waited for).
  std::string PlayerArgs() {
    const std::string path = prog_ / "args.txt";
    for (int i = 0; i < 500 && access(path.c_str(), F_OK) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::string args = ReadFile(path);
    unlink(path.c_str());
    return args;
  }

  void WriteHistory(const std::string& player, int32_t playingTime) {
    HistoryBlock h{};
    SetHistoryDefaults(h, "/home/u");
    CopyField(h.PlayerPath, player.c_str());
    h.PlayingTime = playingTime;
    SaveHistory(h, (prog_ / "vobmarks.DAT").c_str());
  }

  TempDir in_, prog_, out_;
  std::string vob1_, vob2_;
};

TEST_F(PlayCliTest, ExtractWritesTheSectorsOfTheRange) {
  struct Case {
    const char* range;
    std::string bytes;
  } cases[] = {
      {"2", Sectors(1, 4, 8)},                              // one VOBU, as the double click
      {"2-3", Sectors(1, 4, 12)},
      {"4-6", Sectors(1, 12, 20) + Sectors(2, 0, 4)},       // across the two files
      {"5", Sectors(1, 16, 20)},                            // up to the next file's first entry
      {"7-8", Sectors(2, 4, 12)},                           // the last entry: to the end
      {"1-8", vob1_ + vob2_},
  };
  for (const Case& c : cases) {
    int status = -1;
    const std::string out = out_ / "clip.mpg";
    const std::string log = Cli("extract " + in_.path() + " " + c.range + " " + out, &status);
    EXPECT_EQ(status, 0) << c.range << log;
    EXPECT_TRUE(ReadFile(out) == c.bytes) << c.range;
    ExpectInputUnchanged();
  }
}

TEST_F(PlayCliTest, ExtractRefusalsWriteNothing) {
  const std::string out = out_ / "clip.mpg";
  ASSERT_EQ(mkdir((in_ / "sub").c_str(), 0755), 0);
  ASSERT_EQ(symlink(in_.path().c_str(), (out_ / "link").c_str()), 0);
  const struct {
    std::string args;
    int status;
  } cases[] = {
      {in_.path() + " 9 " + out, 2},                      // past the list
      {in_.path() + " 3-9 " + out, 2},
      {in_.path() + " 5-3 " + out, 2},                    // reversed
      {in_.path() + " 0-2 " + out, 2},
      {in_.path() + " 2- " + out, 2},
      {in_.path() + " x " + out, 2},
      {in_.path() + " 1 " + in_ / "clip.mpg", 2},         // into the input folder
      {in_.path() + " 1 " + in_ / "VTS_01_1.VOB", 2},     // over a VOB file read
      {in_.path() + " 1 " + in_ / "sub/clip.mpg", 2},     // below the input folder
      {in_.path() + " 1 " + out_ / "link/clip.mpg", 2},    // through a link to it
      {in_.path() + " 1 " + out_ / "missing/clip.mpg", 1},
  };
  for (const auto& c : cases) {
    int status = -1;
    const std::string log = Cli("extract " + c.args, &status);
    EXPECT_EQ(status, c.status) << c.args << log;
    EXPECT_FALSE(PathExists((out_ / "clip.mpg").c_str())) << c.args;
    EXPECT_FALSE(PathExists((in_ / "clip.mpg").c_str())) << c.args;
    EXPECT_FALSE(PathExists((in_ / "sub/clip.mpg").c_str())) << c.args;
    ExpectInputUnchanged();
  }
}

TEST_F(PlayCliTest, PlayStartsThePlayerOfTheHistoryFileOnTheWorkFile) {
  const std::string player = MakePlayer();
  WriteHistory(player, 1);  // 1 s: two VOBUs
  const std::string history = ReadFile(prog_ / "vobmarks.DAT");
  const std::string work = prog_ / "TMP1.MPG";
  struct Case {
    std::string args;
    std::string bytes;
  } cases[] = {
      {"2", Sectors(1, 4, 12)},
      {"4", Sectors(1, 12, 20)},
      {"2 --continue", Sectors(1, 12, 20)},                      // after "Play" of 2-3
      {"4 --continue", Sectors(2, 0, 8)},
      {"1 --range 5-7", Sectors(1, 16, 20) + Sectors(2, 0, 8)},
      {"8", Sectors(2, 8, 12)},
  };
  for (const Case& c : cases) {
    int status = -1;
    const std::string log = Cli("play " + in_.path() + " " + c.args, &status);
    ASSERT_EQ(status, 0) << c.args << log;
    EXPECT_EQ(log, work + "\n");
    EXPECT_EQ(PlayerArgs(), work + "\n") << c.args;  // one argument: the work file
    EXPECT_TRUE(ReadFile(work) == c.bytes) << c.args;
  }
  EXPECT_TRUE(ReadFile(prog_ / "vobmarks.DAT") == history);
  ExpectInputUnchanged();
}

TEST_F(PlayCliTest, PlayRefusals) {
  const std::string player = MakePlayer();
  WriteHistory(player, 1);
  const struct {
    std::string args;
    int status;
    const char* says;
  } cases[] = {
      {"7 --continue", 1, "Error: End of file."},                    // "Play" of 7-8 ended the list
      {"0", 2, "ENTRY"},
      {"9", 2, "entries 1-8"},
      {"1 --range 5-3", 2, "--range"},
      {"1 --range 3-9", 2, "entries 1-8"},
      {"1 --continue --range 1-2", 2, "exclude"},
      {"1 --player " + prog_ / "none", 1, "cannot start"},
  };
  for (const auto& c : cases) {
    int status = -1;
    const std::string log = Cli("play " + in_.path() + " " + c.args, &status);
    EXPECT_EQ(status, c.status) << c.args << log;
    EXPECT_NE(log.find(c.says), std::string::npos) << c.args << log;
  }
  EXPECT_FALSE(PathExists((prog_ / "args.txt").c_str()));
}

TEST_F(PlayCliTest, AnUnusableHistoryFileIsLeftAsItIs) {
  WriteFile(prog_ / "vobmarks.DAT", "not a history file");
  const std::string player = MakePlayer();
  int status = -1;
  // The defaults: 10 s is twenty VOBUs, all the title from entry 3 on.
  const std::string log = Cli("play " + in_.path() + " 3 --player '" + player + "'", &status);
  ASSERT_EQ(status, 0) << log;
  EXPECT_EQ(PlayerArgs(), prog_ / "TMP1.MPG\n");
  EXPECT_TRUE(ReadFile(prog_ / "TMP1.MPG") == Sectors(1, 8, 20) + vob2_);
  EXPECT_EQ(ReadFile(prog_ / "vobmarks.DAT"), "not a history file");
}

}  // namespace
}  // namespace vm::testing
