// The history file: what loads, what is deleted, and that the executable
// is never the file written.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstring>

#include "app/history.h"
#include "common/files.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::string Header() {
  char h[kHistoryHeaderBytes + 1];
  HistoryHeader(h);
  return std::string(h, kHistoryHeaderBytes);
}

TEST(History, DefaultsWhenMissing) {
  TempDir dir;
  HistoryBlock h{};
  LoadHistory(h, (dir / "vobmarks.DAT").c_str(), "/home/user");
  EXPECT_STREQ(h.InputFolderText, "/home/user/VIDEO_TS1/");
  EXPECT_STREQ(h.OutputFolderText, "/home/user/VIDEO_TS/");
  EXPECT_STREQ(h.PlayerPath, "/usr/bin/xdg-open");
  EXPECT_EQ(h.PlayingTime, 10);
  EXPECT_EQ(h.PreviewEnable, 1);
  EXPECT_FALSE(PathExists((dir / "vobmarks.DAT").c_str()));
}

TEST(History, HeaderAndBlockLayoutByHand) {
  EXPECT_EQ(Header(), "VOBMARKS0110HST");
  HistoryBlock h{};
  SetHistoryDefaults(h, "/h");
  h.Reserved0 = 0x01020304;
  h.PlayingTime = 21;
  h.PreviewEnable = 0;
  h.Reserved1312 = 0xA1B2C3D4;
  std::strcpy(h.InputFolder, "/in/");
  uint8_t b[kHistoryBlockBytes];
  EncodeHistoryBlock(h, b);
  const uint8_t reserved0[4] = {0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(0, memcmp(b, reserved0, 4));
  EXPECT_STREQ(reinterpret_cast<const char*>(b + 4), "/in/");
  EXPECT_STREQ(reinterpret_cast<const char*>(b + 264), "/h/VIDEO_TS1/");
  EXPECT_STREQ(reinterpret_cast<const char*>(b + 524), "/h/VIDEO_TS/");
  EXPECT_STREQ(reinterpret_cast<const char*>(b + 784), "/usr/bin/xdg-open");
  EXPECT_EQ(b[1044], 21);
  EXPECT_EQ(b[1045], 0);
  EXPECT_EQ(b[1048], 0);
  const uint8_t reserved1312[4] = {0xD4, 0xC3, 0xB2, 0xA1};
  EXPECT_EQ(0, memcmp(b + 1312, reserved1312, 4));
}

TEST(History, RoundTripKeepsSettingsAndReservedBytes) {
  TempDir dir;
  std::string path = dir / "vobmarks.DAT";
  HistoryBlock h{};
  SetHistoryDefaults(h, "/h");
  std::strcpy(h.InputFolderText, "/media/dvd/VIDEO_TS/");
  std::strcpy(h.OutputFolderText, "/out/");
  std::strcpy(h.PlayerPath, "/usr/bin/mpv");
  h.PlayingTime = 3;
  h.PreviewEnable = 0;
  h.Reserved0 = 77;
  SaveHistory(h, path.c_str());
  EXPECT_EQ(FileSizeOf(path.c_str()), 1331);
  HistoryBlock back{};
  LoadHistory(back, path.c_str(), "/elsewhere");
  EXPECT_STREQ(back.InputFolderText, "/media/dvd/VIDEO_TS/");
  EXPECT_STREQ(back.OutputFolderText, "/out/");
  EXPECT_STREQ(back.PlayerPath, "/usr/bin/mpv");
  EXPECT_EQ(back.PlayingTime, 3);
  EXPECT_EQ(back.PreviewEnable, 0);
  EXPECT_EQ(back.Reserved0, 77u);
}

TEST(History, ShortOrForeignFilesAreDeletedAndDefaultsKept) {
  TempDir dir;
  std::string path = dir / "vobmarks.DAT";
  const std::string block(kHistoryBlockBytes, 'A');
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"right header, 1000 bytes after it", Header() + std::string(1000, 'A')},
      {"another version's header", std::string("VOBMARKS0100HST") + block},
      {"a short header", std::string("VOBMARKS")},
      {"an empty file", std::string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteFile(path, c.bytes));
    HistoryBlock h{};
    // Read-only reading leaves the file as it is.
    EXPECT_EQ(ReadHistory(h, path.c_str(), "/home/u"), HistoryRead::Unusable);
    EXPECT_EQ(ReadFile(path), c.bytes);
    EXPECT_STREQ(h.PlayerPath, "/usr/bin/xdg-open");
    LoadHistory(h, path.c_str(), "/home/u");
    EXPECT_FALSE(PathExists(path.c_str()));
    EXPECT_STREQ(h.InputFolderText, "/home/u/VIDEO_TS1/");
    EXPECT_EQ(h.PlayingTime, 10);
  }
  // Exactly 1331 bytes with the right header loads, and the file stays.
  ASSERT_TRUE(WriteFile(path, Header() + block));
  HistoryBlock h{};
  EXPECT_EQ(ReadHistory(h, (dir / "none.DAT").c_str(), "/home/u"), HistoryRead::Missing);
  EXPECT_EQ(ReadHistory(h, path.c_str(), "/home/u"), HistoryRead::Loaded);
  EXPECT_EQ(h.InputFolderText[0], 'A');
  LoadHistory(h, path.c_str(), "/home/u");
  EXPECT_TRUE(PathExists(path.c_str()));
  EXPECT_EQ(h.InputFolderText[0], 'A');
  EXPECT_EQ(h.InputFolderText[kPathBytes - 1], '\0');  // kept terminated
}

TEST(History, PreviewEnableOtherThanZeroLoadsAsOne) {
  TempDir dir;
  const std::string path = dir / "vobmarks.DAT";
  const struct {
    uint32_t stored;
    int32_t loaded;
  } cases[] = {{0, 0}, {1, 1}, {2, 1}, {0xFFFFFFFF, 1}, {0x100, 1}};
  for (const auto& c : cases) {
    std::string block(kHistoryBlockBytes, '\0');
    for (int k = 0; k < 4; ++k) block[1048 + k] = static_cast<char>(c.stored >> (8 * k));
    ASSERT_TRUE(WriteFile(path, Header() + block));
    HistoryBlock h{};
    LoadHistory(h, path.c_str(), "/home/u");
    EXPECT_EQ(h.PreviewEnable, c.loaded) << c.stored;
  }
}

TEST(History, PathNeverNamesTheExecutable) {
  TempDir dir;
  std::string exe = dir / "vobmarks";
  ASSERT_TRUE(WriteFile(exe, "#!/bin/sh\n"));
  Path hist;
  ASSERT_TRUE(MakeHistoryPath(dir.path().c_str(), "vobmarks", hist));
  EXPECT_EQ(std::string(hist.c_str()), dir / "vobmarks.DAT");
  HistoryBlock h{};
  SetHistoryDefaults(h, "/h");
  SaveHistory(h, hist.c_str());
  LoadHistory(h, hist.c_str(), "/h");
  EXPECT_EQ(ReadFile(exe), "#!/bin/sh\n");
  // A garbage history file is deleted; the executable beside it stays.
  ASSERT_TRUE(WriteFile(hist.c_str(), "garbage"));
  LoadHistory(h, hist.c_str(), "/h");
  EXPECT_TRUE(PathExists(exe.c_str()));
}

TEST(History, FailedSaveLeavesNoFile) {
  TempDir dir;
  // A folder in the file's place cannot be opened for writing.
  std::string path = dir / "sub/vobmarks.DAT";
  HistoryBlock h{};
  SetHistoryDefaults(h, "/h");
  SaveHistory(h, path.c_str());
  EXPECT_FALSE(PathExists(path.c_str()));
  // A write cut short by the file size limit deletes the partial file.
  std::string limited = dir / "limited.DAT";
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim = {100, 100};
    setrlimit(RLIMIT_FSIZE, &lim);
    SaveHistory(h, limited.c_str());
    _exit(PathExists(limited.c_str()) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(PathExists(limited.c_str()));
}

}  // namespace
}  // namespace vm
