// vobmarks-cli as a careless or hostile user drives it: every output pointed
// into, through or onto the input; output folders inside the input; a
// second run on a folder being written; and each long command stopped by a
// signal. After every probe the input folder is compared byte for byte.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "common/files.h"
#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

namespace fs = std::filesystem;

// Every name in a folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    files[e.path().filename()] = e.is_regular_file() ? ReadFile(e.path()) : "(not a file)";
  return files;
}

bool IsLink(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

class RealTitleOutputs : public ::testing::Test {
 protected:
  // root/IN is a copy of a made title set; root/out the place for outputs,
  // with links into the input, a hard link to its VOB and FIFOs.
  void SetUp() override {
    RealTitleRecipe recipe;
    recipe.name = "ntsc-3ch";
    const std::string source = RealTitleSet(recipe);
    ASSERT_FALSE(source.empty());
    in_ = root_ / "IN";
    out_ = root_ / "out";
    fs::copy(source, in_);
    fs::create_directory(out_);
    fs::create_directory_symlink(in_, root_ / "inlink");
    for (const char* name : {"vob.ppm", "vob.png", "vob.mpg"})
      fs::create_symlink(in_ + "/VTS_01_1.VOB", out_ + "/" + name);
    fs::create_symlink(in_ + "/VTS_01_0.IFO", out_ + "/ifo.txt");
    fs::create_hard_link(in_ + "/VTS_01_1.VOB", out_ + "/hard.mpg");
    for (const char* name : {"fifo.txt", "fifo.ppm", "fifo.mpg"})
      ASSERT_EQ(mkfifo((out_ + "/" + name).c_str(), 0644), 0);
    before_ = Snapshot(in_);
  }

  std::string Cli(const std::string& args, int* status) {
    return RunAndCapture("VOBMARKS_HOME='" + home_.path() + "' timeout 60 " + VM_CLI_PATH + " " +
                             args + " 2>&1 </dev/null",
                         status);
  }

  void ExpectInputUnchanged(const std::string& what) {
    EXPECT_TRUE(Snapshot(in_) == before_) << what;
  }

  TempDir root_, home_;
  std::string in_, out_;
  std::map<std::string, std::string> before_;
};

TEST_F(RealTitleOutputs, WritesIntoOrThroughTheInputAreRefused) {
  const std::string in = in_ + " ";
  const struct {
    std::string args;
    const char* says;
  } cases[] = {
      {"read " + in + "--export-chapters " + in_ + "/VTS_01_1.VOB", "input"},
      {"read " + in + "--export-chapters " + out_ + "/ifo.txt", "input"},
      {"read " + in + "--export-chapters " + root_ / "inlink/new.txt", "input"},
      {"read " + in + "--export-chapters " + out_ + "/hard.mpg", "input"},
      {"read " + in + "--export-chapters " + out_ + "/fifo.txt", "Can't create"},
      {"preview " + in + "1 " + in_ + "/new.ppm", "input"},
      {"preview " + in + "1 " + out_ + "/vob.ppm", "input"},
      {"preview " + in + "1 " + out_ + "/fifo.ppm", "not a regular file"},
      {"sheet " + in + out_ + "/vob.png", "input"},
      {"sheet " + in + out_ + "/../IN/new.png", "input"},
      {"extract " + in + "1-2 " + out_ + "/vob.mpg", "input"},
      {"extract " + in + "1-2 " + out_ + "/hard.mpg", "input"},
      {"extract " + in + "1-2 " + out_ + "/fifo.mpg", "Can't create"},
  };
  for (const auto& c : cases) {
    int status = -1;
    const std::string log = Cli(c.args, &status);
    if (status == 2 && log.find("needs Qt 6 Gui") != std::string::npos) continue;  // no sheet
    EXPECT_EQ(status, 1) << c.args << "\n" << log;
    EXPECT_NE(log.find(c.says), std::string::npos) << c.args << "\n" << log;
    ExpectInputUnchanged(c.args);
    for (const char* link : {"vob.ppm", "vob.png", "vob.mpg", "ifo.txt"})
      EXPECT_TRUE(IsLink(out_ + "/" + link)) << c.args;
  }
  // A link to a file elsewhere is replaced by the new file, never written through.
  WriteFile(root_ / "other.txt", "other");
  fs::create_symlink(root_ / "other.txt", out_ + "/chapters.txt");
  int status = -1;
  const std::string log = Cli("read " + in + "--export-chapters " + out_ + "/chapters.txt", &status);
  EXPECT_EQ(status, 0) << log;
  EXPECT_FALSE(IsLink(out_ + "/chapters.txt"));
  EXPECT_EQ(ReadFile(root_ / "other.txt"), "other");
  ExpectInputUnchanged("export through a link elsewhere");
}

TEST_F(RealTitleOutputs, AuthorRefusesOutputFoldersInsideTheInput) {
  for (const std::string& folder :
       {in_ + "/sub", root_ / "inlink/sub", out_ + "/../IN/sub", root_ / "none/../IN/sub"}) {
    int status = -1;
    const std::string log = Cli("--yes author " + in_ + " " + folder, &status);
    EXPECT_EQ(status, 1) << folder << "\n" << log;
    EXPECT_NE(log.find("Output folder is inside the input folder."), std::string::npos) << log;
    ExpectInputUnchanged(folder);
  }
  // A VOB that is a link into another folder: that folder holds the source,
  // and clearing old VOB files there would delete it.
  const std::string media = root_ / "media", in2 = root_ / "IN2";
  fs::create_directory(media);
  fs::create_directory(in2);
  fs::copy_file(in_ + "/VTS_01_1.VOB", media + "/VTS_01_1.VOB");
  for (const char* name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP", "VTS_01_0.IFO", "VTS_01_0.BUP"})
    fs::copy_file(in_ + "/" + name, in2 + "/" + name);
  fs::create_symlink(media + "/VTS_01_1.VOB", in2 + "/VTS_01_1.VOB");
  int status = -1;
  const std::string log = Cli("--yes author " + in2 + " " + media, &status);
  EXPECT_EQ(status, 1) << log;
  EXPECT_NE(log.find("Input folder name is equal to output folder name."), std::string::npos) << log;
  EXPECT_TRUE(ReadFile(media + "/VTS_01_1.VOB") == before_["VTS_01_1.VOB"]);
}

TEST_F(RealTitleOutputs, ASecondRunOnAFolderOrImageBeingWrittenIsRefused) {
  // Another run holds the output folder: refused before any old file goes.
  const std::string folder = out_ + "/OUT";
  fs::create_directory(folder);
  WriteFile(folder + "/VTS_01_1.VOB", "another run's file");
  const int held = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  int status = -1;
  std::string log = Cli("--yes author " + in_ + " " + folder, &status);
  EXPECT_EQ(status, 1) << log;
  EXPECT_NE(log.find("Another run is writing a volume into " + folder + "/."), std::string::npos)
      << log;
  EXPECT_EQ(log.find("Normal End."), std::string::npos) << log;
  EXPECT_EQ(ReadFile(folder + "/VTS_01_1.VOB"), "another run's file");
  close(held);

  // Another run writes the same disc image.
  const int part = open((out_ + "/.disc.iso.part").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(part, 0);
  ASSERT_EQ(flock(part, LOCK_EX | LOCK_NB), 0);
  log = Cli("--yes author " + in_ + " " + folder + " --iso " + out_ + "/disc.iso", &status);
  EXPECT_EQ(status, 1) << log;
  EXPECT_NE(log.find("is being written by another run"), std::string::npos) << log;
  EXPECT_FALSE(PathExists((out_ + "/disc.iso").c_str()));
  EXPECT_TRUE(PathExists((out_ + "/.disc.iso.part").c_str()));  // the other run's, kept
  close(part);
  ExpectInputUnchanged("second runs");
}

TEST_F(RealTitleOutputs, AFileSizeLimitIsAWriteErrorNotADeath) {
  const struct {
    std::string args;
    const char* says;
  } cases[] = {
      {"extract " + in_ + " 1-10 " + out_ + "/clip.mpg", "Error: An error is occured in work file writing."},
      {"--yes author " + in_ + " " + out_ + "/OUT", "Information: VOB file create error."},
  };
  for (const auto& c : cases) {
    int status = -1;
    // 100 blocks of 512 bytes: the clip and the VOB file pass it.
    const std::string log = RunAndCapture("ulimit -f 100; VOBMARKS_HOME='" + home_.path() + "' " +
                                              VM_CLI_PATH + " " + c.args + " 2>&1 </dev/null",
                                          &status);
    EXPECT_EQ(status, 1) << c.args << "\n" << log;
    EXPECT_NE(log.find(c.says), std::string::npos) << c.args << "\n" << log;
    ExpectInputUnchanged(c.args);
  }
  EXPECT_FALSE(PathExists((out_ + "/clip.mpg").c_str()));
  EXPECT_FALSE(PathExists((out_ + "/.clip.mpg.part").c_str()));
}

// Runs the command line with every DVD read slowed, stops it with `sig`
// after `after`, and returns its exit status, output and how long it took
// to end after the signal.
struct Stopped {
  int status = -1;
  std::string log;
  std::chrono::milliseconds took{0};
};

Stopped RunAndStop(const std::string& home, const std::string& args, int sig,
                   std::chrono::milliseconds after, const std::string& logPath) {
  Stopped r;
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("VOBMARKS_HOME", home.c_str(), 1);
    setenv("LD_PRELOAD", VM_SLOW_READS_PATH, 1);
    setenv("VM_SLOW_READS_MS", "100", 1);
    setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
    const std::string command = "exec " + std::string(VM_CLI_PATH) + " " + args + " >'" +
                                logPath + "' 2>&1 </dev/null";
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(after);
  const auto sent = std::chrono::steady_clock::now();
  kill(pid, sig);
  int status = 0;
  waitpid(pid, &status, 0);
  r.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 sent);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.log = ReadFile(logPath);
  return r;
}

TEST_F(RealTitleOutputs, EachLongCommandStopsWithinASecondOfASignal) {
  const struct {
    std::string args;
    int sig;
    const char* says;
    std::string output;  // must not exist afterwards
  } cases[] = {
      {"read " + in_, SIGINT, "Reading the VOB files is stopped.", ""},
      {"--yes author " + in_ + " " + out_ + "/OUT", SIGTERM, "stopped", out_ + "/OUT/VTS_01_1.VOB"},
      {"extract " + in_ + " 1-20 " + out_ + "/clip.mpg", SIGHUP, "stopped", out_ + "/clip.mpg"},
      {"verify " + in_, SIGINT, "is stopped.", ""},
  };
  for (const auto& c : cases) {
    const Stopped r = RunAndStop(home_.path(), c.args, c.sig, std::chrono::milliseconds(400),
                                 root_ / "stop.log");
    EXPECT_EQ(r.status, 1) << c.args << "\n" << r.log;
    EXPECT_LT(r.took.count(), 1000) << c.args;
    EXPECT_NE(r.log.find(c.says), std::string::npos) << c.args << "\n" << r.log;
    EXPECT_EQ(r.log.find("No VOBU"), std::string::npos) << c.args << "\n" << r.log;
    if (!c.output.empty()) {
      EXPECT_FALSE(PathExists(c.output.c_str())) << c.args;
    }
    ExpectInputUnchanged(c.args);
  }
}

}  // namespace
}  // namespace vm::testing
