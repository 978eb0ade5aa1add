// The pickers' window-free rules: the roots read from a mounts table, the
// path steps of a click and their 259-byte bound, and what a folder lists.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pickers/folder_listing.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::TempDir;
using testing::WriteFile;

std::vector<std::string> Roots(const RootList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.count; ++i) out.emplace_back(list.roots[i].c_str());
  return out;
}

TEST(FolderListing, RootsFromTheMountsTable) {
  TempDir dir;
  ASSERT_TRUE(WriteFile(dir / "mounts",
                        "/dev/sda1 / ext4 rw 0 0\n"
                        "proc /proc proc rw 0 0\n"
                        "/dev/sdb1 /media/user/USB\\040STICK vfat rw 0 0\n"
                        "/dev/sr0 /run/media/user/DVD udf ro 0 0\n"
                        "tmpfs /tmp tmpfs rw 0 0\n"
                        "server:/share /mnt nfs4 rw 0 0\n"
                        "/dev/sdc1 /mnt2 ext4 rw 0 0\n"
                        "/dev/sdd1 /media/user/USB\\040STICK vfat rw 0 0\n"
                        "systemd-1 /mnt/auto autofs rw 0 0\n"
                        "short-line\n"));
  RootList list;
  ReadRoots("/home/user", (dir / "mounts").c_str(), list);
  EXPECT_EQ(Roots(list), (std::vector<std::string>{"/", "/home/user/",
                                                   "/media/user/USB STICK/",
                                                   "/run/media/user/DVD/", "/mnt/"}));

  EXPECT_EQ(RootIndexOf(list, "/media/user/USB STICK/VIDEO_TS/"), 2);
  EXPECT_EQ(RootIndexOf(list, "/home/user/"), 1);
  EXPECT_EQ(RootIndexOf(list, "/home/username/"), 0);
  EXPECT_EQ(RootIndexOf(list, "/mnt/x/"), 4);
  EXPECT_EQ(RootIndexOf(list, "relative/"), -1);

  // Without a readable table, and with a home that is no absolute path.
  ReadRoots("", (dir / "missing").c_str(), list);
  EXPECT_EQ(Roots(list), std::vector<std::string>{"/"});
}

TEST(FolderListing, StepsAndTheirBound) {
  struct Case {
    const char* from;
    const char* name;
    bool done;
    const char* to;
  };
  const std::string longFolder = "/" + std::string(250, 'a') + "/";  // 252 bytes
  const Case cases[] = {
      {"/a/b/", "..", true, "/a/"},
      {"/a/", "..", true, "/"},
      {"/", "..", true, "/"},
      {"rel/", "..", true, "rel/"},
      {"/a/", "b", true, "/a/b/"},
      {"/a/", ".x", true, "/a/.x/"},
      {longFolder.c_str(), "123456", true, nullptr},  // 259 bytes exactly
      {longFolder.c_str(), "1234567", false, nullptr},
  };
  for (const Case& c : cases) {
    Path p;
    ASSERT_TRUE(p.Set(c.from));
    EXPECT_EQ(StepInto(p, c.name), c.done) << c.from << " + " << c.name;
    std::string expected = c.to ? c.to : c.done ? longFolder + c.name + "/" : longFolder;
    EXPECT_EQ(std::string(p.c_str()), expected) << c.from << " + " << c.name;
  }

  Path out;
  StartFolder("/a/b", "/home/", out);
  EXPECT_STREQ(out.c_str(), "/a/b/");
  StartFolder("", "/home/", out);
  EXPECT_STREQ(out.c_str(), "/home/");
  const std::string full = "/" + std::string(258, 'c');  // no room for the '/'
  StartFolder(full.c_str(), "/home/", out);
  EXPECT_STREQ(out.c_str(), "/home/");

  ASSERT_TRUE(JoinFile(longFolder.c_str(), "1234567", out));
  EXPECT_EQ(std::string(out.c_str()), longFolder + "1234567");
  EXPECT_FALSE(JoinFile(longFolder.c_str(), "12345678", out));
  EXPECT_EQ(std::string(out.c_str()), longFolder + "1234567");
}

TEST(FolderListing, FoldersAndExecutables) {
  TempDir dir;
  ASSERT_EQ(mkdir((dir / "Beta").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((dir / "alpha").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((dir / ".hidden").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((dir / "tool.d").c_str(), 0755), 0);  // executable bits, still a folder
  ASSERT_TRUE(WriteFile(dir / "run.sh", "#!/bin/sh\n"));
  ASSERT_TRUE(WriteFile(dir / ".quiet", "#!/bin/sh\n"));
  ASSERT_TRUE(WriteFile(dir / "data.bin", "x"));
  ASSERT_EQ(chmod((dir / "run.sh").c_str(), 0755), 0);
  ASSERT_EQ(chmod((dir / ".quiet").c_str(), 0700), 0);
  ASSERT_EQ(symlink((dir / "run.sh").c_str(), (dir / "Player").c_str()), 0);
  ASSERT_EQ(symlink((dir / "alpha").c_str(), (dir / "linked").c_str()), 0);
  ASSERT_EQ(symlink((dir / "gone").c_str(), (dir / "dangling").c_str()), 0);

  std::vector<std::string> names;
  ListFolder(dir.path().c_str(), ListKind::Folders, names);
  EXPECT_EQ(names, (std::vector<std::string>{"..", ".hidden", "alpha", "Beta", "linked",
                                             "tool.d"}));
  ListFolder(dir.path().c_str(), ListKind::Executables, names);
  EXPECT_EQ(names, (std::vector<std::string>{".quiet", "Player", "run.sh"}));

  ListFolder("/", ListKind::Folders, names);
  EXPECT_TRUE(std::find(names.begin(), names.end(), "..") == names.end());
  EXPECT_FALSE(names.empty());
  for (const char* unreadable : {"/no/such/folder/", "relative/"}) {
    ListFolder(unreadable, ListKind::Folders, names);
    EXPECT_TRUE(names.empty()) << unreadable;
  }
}

}  // namespace
}  // namespace vm
