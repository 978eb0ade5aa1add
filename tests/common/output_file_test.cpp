// The one door every written file goes through: targets in or through the
// input folder, input files under other names, links, FIFOs, a second
// writer, and a write that fails half-way.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "common/files.h"
#include "common/output_file.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

// Every name in a folder with its bytes (links as "-> target").
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return files;
  while (dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) continue;
    if (S_ISLNK(st.st_mode)) {
      char to[4096] = {};
      files[name] = "-> " + std::string(to, static_cast<size_t>(std::max<ssize_t>(
                                                  0, readlink(path.c_str(), to, sizeof to))));
    } else if (S_ISREG(st.st_mode)) {
      files[name] = ReadFile(path);
    } else {
      files[name] = "(other)";
    }
  }
  closedir(dir);
  return files;
}

bool IsLink(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

class OutputFileTest : public ::testing::Test {
 protected:
  // root/IN holds the input (one VOB a link to root/elsewhere/real.vob);
  // root/out is where outputs may go.
  void SetUp() override {
    in_ = root_ / "IN";
    out_ = root_ / "out";
    for (const char* d : {"IN", "IN/sub", "out", "elsewhere", "INX"})
      ASSERT_EQ(mkdir((root_ / d).c_str(), 0755), 0);
    WriteFile(in_ + "/VTS_01_0.IFO", "ifo bytes");
    WriteFile(in_ + "/VTS_01_1.VOB", "vob bytes");
    WriteFile(root_ / "elsewhere/real.vob", "linked vob bytes");
    ASSERT_EQ(symlink((root_ / "elsewhere/real.vob").c_str(), (in_ + "/VTS_01_2.VOB").c_str()), 0);
    ASSERT_EQ(symlink(in_.c_str(), (root_ / "inlink").c_str()), 0);
    ASSERT_EQ(link((in_ + "/VTS_01_1.VOB").c_str(), (out_ + "/hard.vob").c_str()), 0);
    ASSERT_EQ(symlink((in_ + "/VTS_01_0.IFO").c_str(), (out_ + "/toifo.txt").c_str()), 0);
    ASSERT_EQ(symlink((out_ + "/kept.txt").c_str(), (out_ + "/tokept.txt").c_str()), 0);
    ASSERT_EQ(symlink((in_ + "/new.txt").c_str(), (out_ + "/dangling.txt").c_str()), 0);
    ASSERT_EQ(mkfifo((out_ + "/fifo").c_str(), 0644), 0);
    ASSERT_EQ(mkdir((out_ + "/dir").c_str(), 0755), 0);
    WriteFile(out_ + "/kept.txt", "kept");
    WriteFile(out_ + "/old.txt", "old");
    before_ = Snapshot(in_);
    elsewhere_ = ReadFile(root_ / "elsewhere/real.vob");
  }

  void ExpectInputUnchanged(const std::string& what) {
    EXPECT_EQ(Snapshot(in_), before_) << what;
    EXPECT_EQ(Snapshot(in_ + "/sub").size(), 0u) << what;
    EXPECT_EQ(ReadFile(root_ / "elsewhere/real.vob"), elsewhere_) << what;
  }

  TempDir root_;
  std::string in_, out_, elsewhere_;
  std::map<std::string, std::string> before_;
};

TEST_F(OutputFileTest, TargetsInOrThroughTheInputAreRefusedAndNothingIsWritten) {
  const struct {
    std::string target;
    OutputStatus status;
  } cases[] = {
      {in_ + "/VTS_01_1.VOB", OutputStatus::InsideInput},        // a VOB of the input
      {in_ + "/new.txt", OutputStatus::InsideInput},             // a new file beside it
      {in_ + "/sub/new.txt", OutputStatus::InsideInput},         // below it
      {root_ / "inlink/new.txt", OutputStatus::InsideInput},     // through a link to it
      {out_ + "/../IN/new.txt", OutputStatus::InsideInput},      // through ..
      {out_ + "/hard.vob", OutputStatus::InputFile},             // a hard link to a VOB
      {out_ + "/toifo.txt", OutputStatus::InputFile},            // a symlink to the IFO
      {root_ / "elsewhere/real.vob", OutputStatus::InputFile},   // where a VOB's link leads
      {out_ + "/fifo", OutputStatus::NotRegular},                // never opened, never blocks
      {out_ + "/dir", OutputStatus::NotRegular},
      {out_ + "/", OutputStatus::NotRegular},
      {out_ + "/missing/new.txt", OutputStatus::NoFolder},
  };
  for (const auto& c : cases) {
    const std::string outBefore = ReadFile(out_ + "/kept.txt");
    const auto start = std::chrono::steady_clock::now();
    int err = 0;
    EXPECT_EQ(WriteOutputFile(c.target.c_str(), in_.c_str(), "new", 3, err), c.status) << c.target;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.target;
    ExpectInputUnchanged(c.target);
    EXPECT_EQ(Snapshot(out_).count(".new.txt.part"), 0u) << c.target;
    EXPECT_EQ(CheckOutputTarget(c.target.c_str(), in_.c_str()), c.status) << c.target;
    OutputStatus inPlace;
    EXPECT_EQ(OpenOutputInPlace(c.target.c_str(), in_.c_str(), inPlace), -1) << c.target;
    EXPECT_EQ(inPlace, c.status) << c.target;
    ExpectInputUnchanged(c.target);
  }
  EXPECT_TRUE(IsLink(out_ + "/toifo.txt"));
}

TEST_F(OutputFileTest, LinksAreReplacedNotWrittenThrough) {
  const std::string other = ReadFile(out_ + "/kept.txt");
  int err = 0;
  // A link to a file elsewhere, and a dangling one into the input: the link
  // becomes the file; what it pointed at is not touched.
  for (const char* name : {"/tokept.txt", "/dangling.txt"}) {
    ASSERT_EQ(WriteOutputFile((out_ + name).c_str(), in_.c_str(), "new", 3, err), OutputStatus::Ok)
        << name;
    EXPECT_FALSE(IsLink(out_ + name)) << name;
    EXPECT_EQ(ReadFile(out_ + name), "new") << name;
  }
  EXPECT_EQ(ReadFile(out_ + "/kept.txt"), other);
  // The same for a file written in place.
  ASSERT_EQ(symlink((out_ + "/kept.txt").c_str(), (out_ + "/place.vob").c_str()), 0);
  OutputStatus status;
  const int fd = OpenOutputInPlace((out_ + "/place.vob").c_str(), in_.c_str(), status);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(write(fd, "abc", 3), 3);
  close(fd);
  EXPECT_FALSE(IsLink(out_ + "/place.vob"));
  EXPECT_EQ(ReadFile(out_ + "/kept.txt"), other);
  // A regular file is replaced whole, keeping its permission bits.
  chmod((out_ + "/old.txt").c_str(), 0600);
  ASSERT_EQ(WriteOutputFile((out_ + "/old.txt").c_str(), in_.c_str(), "x", 1, err), OutputStatus::Ok);
  EXPECT_EQ(ReadFile(out_ + "/old.txt"), "x");
  struct stat st;
  ASSERT_EQ(stat((out_ + "/old.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ExpectInputUnchanged("after the writes");
  // A folder whose name starts like the input's is not inside it.
  EXPECT_EQ(WriteOutputFile((root_ / "INX/a.txt").c_str(), in_.c_str(), "a", 1, err),
            OutputStatus::Ok);
}

TEST_F(OutputFileTest, FoldersInsideTheInputAreFoundBeforeTheyExist) {
  const struct {
    std::string folder;
    bool inside;
  } cases[] = {
      {in_, true},
      {in_ + "/", true},
      {in_ + "/sub", true},
      {in_ + "/new/deeper", true},
      {root_ / "inlink/sub", true},
      {out_ + "/../IN/x", true},
      {root_ / "missing/../IN/x", true},    // made first, then stepped out of
      {root_ / "inlink/../out", false},     // .. of the link's target: root
      {out_, false},
      {root_ / "INX", false},
      {"/", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FolderInsideInput(c.folder.c_str(), in_.c_str()), c.inside) << c.folder;
  EXPECT_FALSE(FolderInsideInput(in_.c_str(), ""));
  EXPECT_FALSE(FolderInsideInput(in_.c_str(), nullptr));
}

TEST_F(OutputFileTest, ASecondWriterOfTheSameTargetIsRefusedAtOnce) {
  OutputFile first;
  ASSERT_EQ(first.Open((out_ + "/clip.mpg").c_str(), in_.c_str()), OutputStatus::Ok);
  ASSERT_EQ(write(first.fd(), "first", 5), 5);
  OutputFile second;
  EXPECT_EQ(second.Open((out_ + "/clip.mpg").c_str(), in_.c_str()), OutputStatus::Busy);
  int err = 0;
  EXPECT_EQ(WriteOutputFile((out_ + "/clip.mpg").c_str(), in_.c_str(), "x", 1, err),
            OutputStatus::Busy);
  // Nothing is in place until the first one is done; then it is whole.
  EXPECT_FALSE(PathExists((out_ + "/clip.mpg").c_str()));
  ASSERT_EQ(first.Commit(), OutputStatus::Ok);
  EXPECT_EQ(ReadFile(out_ + "/clip.mpg"), "first");
  EXPECT_EQ(Snapshot(out_).count(".clip.mpg.part"), 0u);
  // An abandoned file leaves no trace and the old target as it was.
  OutputFile dropped;
  ASSERT_EQ(dropped.Open((out_ + "/clip.mpg").c_str(), in_.c_str()), OutputStatus::Ok);
  ASSERT_EQ(write(dropped.fd(), "half", 4), 4);
  dropped.Abandon();
  EXPECT_EQ(ReadFile(out_ + "/clip.mpg"), "first");
  EXPECT_EQ(Snapshot(out_).count(".clip.mpg.part"), 0u);
}

TEST_F(OutputFileTest, AWriteOverTheFileSizeLimitFailsAndLeavesTheOldFile) {
  // Ignored as the command line ignores it, the limit gives EFBIG.
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &old);
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  const std::string big(8192, 'b');
  int err = 0;
  const OutputStatus status =
      WriteOutputFile((out_ + "/old.txt").c_str(), in_.c_str(), big.data(), big.size(), err);
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &old, nullptr);
  EXPECT_EQ(status, OutputStatus::WriteFailed);
  EXPECT_EQ(err, EFBIG);
  EXPECT_EQ(ReadFile(out_ + "/old.txt"), "old");
  EXPECT_EQ(Snapshot(out_).count(".old.txt.part"), 0u);
  MessageText text;
  DescribeOutputStatus(status, (out_ + "/old.txt").c_str(), err, text);
  EXPECT_NE(std::string(text.c_str()).find("File too large"), std::string::npos) << text.c_str();
}

}  // namespace
}  // namespace vm::testing
